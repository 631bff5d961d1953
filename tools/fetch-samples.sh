#!/usr/bin/env bash
# Fetches the real sample files that may be passed on, from Debian's source
# packages (through apt, from the Debian archive this machine already
# reaches), into the folder of real sample files (VZ_SHARED_DIR, default
# ../shared beside the checkout), each folder with its source and licence
# recorded beside the files:
#
#   maker-notes/  JPEG files of many makers' maker notes, and raw/ camera raw
#                 files: ExifTool's test images (source package
#                 libimage-exiftool-perl, t/images/; the Artistic License or
#                 the GNU GPL, as Perl)
#
# The camera photos of photos/ cannot be fetched this way, nor the darktable
# sidecar that raw/ may also hold: the README ("Real sample files") names
# their public sources. Folders that already hold every file are left as
# they are. Needs no root: apt works on lists of its own in a temporary
# folder.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
shared=${VZ_SHARED_DIR:-$top/../shared}

maker_notes=(AFCP Apple Canon Canon1DmkIII Casio Casio2 CasioQVCI ExifTool ExtendedXMP FLIR FotoStation
  FujiFilm GE GPS GoPro IPTC InfiRay JVC JVC2 Kodak MWG Minolta Motorola Nikon NikonD2Hs NikonD70 Olympus
  Olympus2 OlympusE1 Panasonic Pentax PhotoMechanic Ricoh Ricoh2 Sanyo Sigma Sony Unknown Writer XMP)
maker_notes=("${maker_notes[@]/%/.jpg}")
raw=(CanonRaw.cr2 CanonRaw.cr3 DNG.dng FujiFilm.raf Minolta.mrw Nikon.nef Panasonic.rw2 PhaseOne.iiq)

has_all() {  # folder, files...
  local folder=$1 f; shift
  for f in "$@"; do [ -f "$folder/$f" ] || return 1; done
}

if has_all "$shared/maker-notes" "${maker_notes[@]}" && has_all "$shared/raw" "${raw[@]}"; then
  echo "$shared/maker-notes and $shared/raw already hold every file"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# apt with a list of Debian's source packages of its own (the release this
# machine runs), so that neither the system's sources nor its lists change.
. /etc/os-release
release=${VERSION_CODENAME:-bookworm}
echo "deb-src http://deb.debian.org/debian $release main" >"$work/sources.list"
mkdir -p "$work/lists/partial" "$work/src"
apt_options=(-q -o Dir::Etc::sourcelist="$work/sources.list" -o Dir::Etc::sourceparts=-
  -o Dir::State::Lists="$work/lists" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=
  -o APT::Sandbox::User=root)
echo "== Debian's source package lists ($release)"
apt-get "${apt_options[@]}" update >/dev/null
echo "== apt-get source --download-only libimage-exiftool-perl"
(cd "$work/src" && apt-get "${apt_options[@]}" source --download-only libimage-exiftool-perl >/dev/null)

version() {  # the version of a downloaded source package, from its .dsc
  sed -n 's/^Version: //p' "$work/src/$1"_*.dsc
}
extract() {  # tarball, folder inside it, destination, files...
  local tarball=$1 inside=$2 dest=$3; shift 3
  mkdir -p "$dest"
  tar -xJf "$tarball" -C "$dest" --no-same-owner --strip-components=$(($(tr -cd / <<<"$inside" | wc -c) + 2)) \
    --wildcards "${@/#/*/$inside/}"
  chmod a+r,a-w "${@/#/$dest/}"
}

exiftool_version=$(version libimage-exiftool-perl)
exiftool_src=$(ls "$work/src"/libimage-exiftool-perl_*.orig.tar.*)
exiftool_copyright=$(tar -xJOf "$(ls "$work/src"/libimage-exiftool-perl_*.debian.tar.*)" debian/copyright)

for folder in maker-notes raw; do
  [ -d "$shared/$folder" ] && [ ! -w "$shared/$folder" ] && {
    echo "$shared/$folder cannot be written: choose another VZ_SHARED_DIR" >&2; exit 1; }
done

echo "== $shared/maker-notes: ${#maker_notes[@]} files of ExifTool's test images"
extract "$exiftool_src" t/images "$shared/maker-notes" "${maker_notes[@]}"
printf '%s\n' "$exiftool_copyright" >"$shared/maker-notes/COPYRIGHT.libimage-exiftool-perl"
cat >"$shared/maker-notes/README.md" <<EOF
# Maker-note samples

JPEG files from ExifTool's test images (\`t/images/\` of Debian's source package
\`libimage-exiftool-perl\` $exiftool_version), fetched by \`tools/fetch-samples.sh\`.
Their authors replaced the image data and most previews with small dummies; the Exif,
maker notes, IPTC and XMP are the cameras' and programs' own.

Licence: ExifTool's, "free software; you can redistribute it and/or modify it under the
same terms as Perl itself" (the Artistic License or the GNU GPL, version 1 or later);
Debian's record of it is \`COPYRIGHT.libimage-exiftool-perl\` beside this file.

Use copies; never write these files.
EOF

echo "== $shared/raw: ${#raw[@]} raw files of ExifTool's test images"
extract "$exiftool_src" t/images "$shared/raw" "${raw[@]}"
printf '%s\n' "$exiftool_copyright" >"$shared/raw/COPYRIGHT.libimage-exiftool-perl"
cat >"$shared/raw/README.md" <<EOF
# Raw samples

Fetched by \`tools/fetch-samples.sh\`. Use copies; never write these files.

- $(printf '`%s` ' "${raw[@]}"): ExifTool's test images (\`t/images/\` of Debian's source
  package \`libimage-exiftool-perl\` $exiftool_version). Their authors removed the image data:
  they hold each camera's header, IFDs, maker notes and previews, but no pixels. Licence:
  ExifTool's (the same terms as Perl: the Artistic License or the GNU GPL); Debian's record
  of it is \`COPYRIGHT.libimage-exiftool-perl\`.
EOF
echo "Fetched into $shared: maker-notes/ (${#maker_notes[@]} files), raw/ (${#raw[@]} files)."
if [ -z "$(ls -A "$shared/photos" 2>/dev/null)" ]; then
  echo "The camera photos ($shared/photos) cannot be fetched: the README (\"Real sample files\") names their sources."
fi
