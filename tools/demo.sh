#!/usr/bin/env bash
# What a user sees, under Wine: installs the built DLL into a private Wine
# prefix with "regsvr32 /i" (as on Windows), shows the context menu Explorer
# would show for sample photos (through ContextMenuHost, because Wine's own
# shell loads no third-party menu handlers), runs "Show location in Google
# Earth" and prints the KML file it wrote, shows the menu for a photo with a
# GPS track, and takes pictures of the dialogs.
#
#   tools/demo.sh [BUILD_ROOT]     (default: build/; uses BUILD_ROOT/win32 or win64)
set -Eeuo pipefail
# A step that fails names itself: most of them run Wine with its output
# silenced.
trap 'echo "demo.sh: the step at line $LINENO failed" >&2' ERR
top=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -gt 0 ]; then export VZ_BUILD_ROOT=$1; fi
# A build root that Wine can reach (see tools/build-root.sh).
. "$top/tools/build-root.sh"
vz_choose_build_root
bench=$top/tests/wine/wine-bench.sh
photos_dir=${VZ_PHOTOS:-${VZ_SHARED_DIR:-$top/../shared}/photos}

# The product is a 32-bit DLL. Some hosts cannot execute 32-bit programs (no
# IA-32 emulation in the kernel), so 32-bit Wine cannot start there.
arch=win32
if ! "$bench" can-run win32; then
  arch=win64
  echo "NOTE: this host cannot run 32-bit Wine (no IA-32 emulation), so the 32-bit DLL cannot"
  echo "      be shown here. The demonstration uses the 64-bit DLL in a 64-bit Wine prefix instead."
fi
bin=$build/$arch/bin
for f in VantreloZerli.dll ContextMenuHost.exe KmlReceiver.exe; do
  [ -f "$bin/$f" ] || { echo "missing $bin/$f: build first (tools/build.sh)" >&2; exit 1; }
done

# Real camera photos where they lie beside the checkout; else the photos the
# build made itself (tests/testlib/make_sample_photos.sh), with a GPS track
# of its own for the photo without a position.
sample=(apple_iphone-4s_gps.jpg google_pixel_gps.jpg kodak_cx7530_gps-s.jpg canon_digital-ixus.jpg)
unlocated=canon_digital-ixus.jpg track_day=2001-06-09
for p in "${sample[@]}"; do
  [ -f "$photos_dir/$p" ] || { photos_dir=; break; }
done
if [ -z "$photos_dir" ]; then
  photos_dir=$build/$arch/made-photos
  sample=(located.jpg southern.jpg placed.heic unlocated.jpg)
  unlocated=unlocated.jpg track_day=2003-07-14
  for p in "${sample[@]}"; do
    [ -f "$photos_dir/$p" ] || { echo "missing $photos_dir/$p: build first (tools/build.sh)" >&2; exit 1; }
  done
  echo "NOTE: no real camera photos beside the checkout (${VZ_SHARED_DIR:-$top/../shared}/photos): the"
  echo "      demonstration uses photos the build made itself ($photos_dir)."
fi

demo=$build/demo
export VZ_BENCH_ROOT=$demo/bench VZ_WINE_ARCH=$arch
prefix=$demo/prefix-$arch
export WINEPREFIX=$prefix
mkdir -p "$demo"

echo
echo "== A fresh $arch Wine prefix: $prefix"
"$bench" xvfb-up
stop_wine() {
  "$bench" prefix-stop "$prefix"
  sleep 1
  "$bench" xvfb-down
}
trap stop_wine EXIT
"$bench" prefix-down "$prefix"
"$bench" prefix-up "$prefix"
# The fonts the dialogs are laid out for (as in the test prefixes), so that
# the pictures show the whole text.
"$top/tests/wine/dialog-fonts.sh"

c=$prefix/drive_c
program_dir="$c/Program Files/Vantrelo Zerli"
mkdir -p "$program_dir" "$c/Tools" "$c/Photos" "$c/Screenshots"
cp "$bin/VantreloZerli.dll" "$program_dir/"
cp "$bin/ContextMenuHost.exe" "$bin/KmlReceiver.exe" "$c/Tools/"
for p in "${sample[@]}"; do cp "$photos_dir/$p" "$c/Photos/"; done
# Copies of the read-only originals, to be written.
chmod u+w "$c/Photos"/*
# A GPS track for the photo without a position (taken 2001-06-09 15:17:32 by
# its camera's clock, the build's own at 2003-07-14 10:20:30): a walk through
# Munich with a point every ten minutes for the whole day, so that the photo
# lies on it whatever the offset.
awk -v day="$track_day" 'BEGIN {
  print "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
  print "<gpx version=\"1.1\" creator=\"Vantrelo Zerli demo\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
  print " <trk><name>Munich</name><trkseg>"
  for (i = 0; i < 144; i++)
    printf "  <trkpt lat=\"%.6f\" lon=\"%.6f\"><ele>%d</ele><time>%sT%02d:%02d:00Z</time></trkpt>\n",
           48.137 + 0.0004 * i, 11.575 + 0.0003 * i, 519 + i % 7, day, int(i / 6), (i % 6) * 10
  print " </trkseg></trk>"
  print "</gpx>"
}' >"$c/Photos/munich-walk.gpx"
if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$program_dir" "$c/Tools" "$c/Photos" "$c/Screenshots"; fi
wine_() { "$bench" wine "$@"; }

echo
echo "== Installing: regsvr32 /i \"C:\\Program Files\\Vantrelo Zerli\\VantreloZerli.dll\""
wine_ regsvr32 /i 'C:\Program Files\Vantrelo Zerli\VantreloZerli.dll'
echo "Uninstall entry:"
wine_ reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VantreloZerli' | tr -d '\r' | grep -v '^$'

# Google Earth cannot be installed under Wine. The product detects it by its
# registered automation server, and shows KML files with the program
# registered for them: KmlReceiver stands in for both and notes what it gets.
wine_ reg add 'HKCR\CLSID\{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}\LocalServer32' /ve /d 'C:\Tools\KmlReceiver.exe' /f >/dev/null
wine_ reg add 'HKCR\.kml' /ve /d 'VantreloZerliDemo.kml' /f >/dev/null
wine_ reg add 'HKCR\VantreloZerliDemo.kml\shell\open\command' /ve /d '"C:\Tools\KmlReceiver.exe" "%1"' /f >/dev/null
echo "(Google Earth stand-in registered: C:\\Tools\\KmlReceiver.exe, also the program for .kml files)"

files=()
for p in "${sample[@]}"; do files+=("C:\\Photos\\$p"); done
host='C:\Tools\ContextMenuHost.exe'

echo
echo "== The menu Explorer shows for ${#files[@]} photos (right-click):"
wine_ "$host" "${files[@]}" | tr -d '\r'

echo
echo "== Show location in Google Earth"
rm -f "$c/Tools/opened-files.txt"
wine_ "$host" --invoke JpegToGe --answer ok "${files[@]}" | tr -d '\r' | sed -n '/^InvokeCommand/,$p'
for i in $(seq 1 50); do [ -s "$c/Tools/opened-files.txt" ] && break; sleep 0.2; done
kml_win=$(tr -d '\r' <"$c/Tools/opened-files.txt" 2>/dev/null | tail -1)
if [ -z "$kml_win" ]; then
  echo "The shell did not open a KML file."
else
  kml_unix=$(wine_ winepath -u "$kml_win" 2>/dev/null | tr -d '\r')
  echo "KML file opened by the shell: $kml_win"
  echo "                  on this host: $kml_unix"
  /usr/bin/python3 - "$kml_unix" <<'PY'
import sys, xml.etree.ElementTree as ET
ns = {'k': 'http://www.opengis.net/kml/2.2'}
root = ET.fromstring(open(sys.argv[1], 'rb').read().decode('utf-16'))
marks = root.findall('.//k:Placemark', ns)
print("Placemarks: %d" % len(marks))
for m in marks:
    name = m.findtext('k:name', '', ns)
    coords = (m.findtext('.//k:coordinates', '', ns) or '').strip()
    print("  %-32s %s" % (name, coords))
PY
fi

echo
echo "== The dialogs (pictures taken while they were open)"
win_shots='C:\Screenshots'
wine_ "$host" --invoke AboutZerli --screenshots "$win_shots" --dialog-delay 1000 "${files[0]}" |
  tr -d '\r' | sed -n '/^InvokeCommand/,$p'
wine_ "$host" --invoke DlgToJpeg --screenshots "$win_shots" --dialog-delay 1000 "${files[0]}" |
  tr -d '\r' | sed -n '/^InvokeCommand/,$p'
echo
echo "== A photo and a GPS track selected: the menu, and \"Geotag from GPS track\" (cancelled)"
wine_ "$host" --invoke GpxToJpeg --screenshots "$win_shots" --dialog-delay 1000 \
  'C:\Photos\'"$unlocated" 'C:\Photos\munich-walk.gpx' | tr -d '\r' | sed -n '/^Menu:/,$p'
shots=$demo/screenshots
rm -rf "$shots"; mkdir -p "$shots"
for bmp in "$c/Screenshots"/*.bmp; do
  [ -f "$bmp" ] || continue
  convert "$bmp" "$shots/$(basename "${bmp%.bmp}").png"
done
echo
echo "Screenshots of the dialogs: $shots"
ls -1 "$shots" | sed 's/^/  /'
