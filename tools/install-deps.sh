#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need on Debian 12.
# Run as root. Quick when everything is already there.
set -euo pipefail

packages=(
  # cross compilers, resource compiler, widl
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools
  # the Windows under test, a display for dialogs
  wine wine32:i386 wine64 libwine-dev xvfb xauth x11-utils
  # X extensions that Wine's display driver loads when present (monitors
  # through Xinerama and RandR, cursors, input), for both Wine architectures;
  # wine32 only recommends them
  libxinerama1:i386 libxrandr2:i386 libxrender1:i386 libxi6:i386 libxcursor1:i386
  libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386
  libxinerama1 libxrandr2 libxrender1 libxi6 libxcursor1 libxcomposite1 libxfixes3 libxxf86vm1
  # build and unit-test framework (sources, cross-compiled by the project)
  cmake ninja-build googletest
  # native fuzzing of the byte-level engine
  clang libclang-rt-14-dev
  # peers that check our output: Exif reader/writer, KML reader, PE reader
  libimage-exiftool-perl exiv2 gdal-bin python3-pefile
  # HEIF encoder, decoder and lister: the HEIF samples and their checks
  libheif-examples
  # a second GPX reader, peer of the track reader
  python3-gpxpy
  # the exiv2 library, peer of the photo engine's benchmark
  libexiv2-dev
  # screenshots and artwork
  imagemagick python3-pil fonts-dejavu-core
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${missing[*]}; run this script as root" >&2
  exit 1
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror caught mid-sync fails one index now and then ("File has unexpected
# size"); apt then keeps the lists it has. Try again; if it still fails, go on
# with those lists.
lists_complete=0
for attempt in 1 2 3; do
  if apt-get update -qq; then lists_complete=1; break; fi
  echo "apt-get update failed (try $attempt of 3)" >&2
  sleep 5
done
install=(apt-get install -y -qq --no-install-recommends)
if ! "${install[@]}" "${missing[@]}" >/dev/null; then
  [ "$lists_complete" -eq 0 ] || exit 1
  # With one architecture's security list missing, apt offers the amd64 and
  # i386 halves of a multi-arch library at different versions and finds no
  # solution. The release's own suite has both at one version: take that.
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "installing from $codename alone, its security updates unavailable" >&2
  "${install[@]}" -t "$codename" "${missing[@]}" >/dev/null
fi
