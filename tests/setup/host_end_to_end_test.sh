#!/usr/bin/env bash
# The extension as Explorer uses it, in a fresh prefix of the build's own
# architecture: installed with "regsvr32 /i", found by ContextMenuHost under
# *\shellex\ContextMenuHandlers, its menu printed for photos and "Show
# location in Google Earth" run; the KML file handed to the program
# registered for .kml files (KmlReceiver) holds the located photos.
#
#   host_end_to_end_test.sh DLL HOST_EXE KML_RECEIVER_EXE
# Environment (from the test bench): WINEPREFIX, VZ_BENCH_ROOT, VZ_WINE_ARCH, VZ_MADE_PHOTOS.
set -euo pipefail
bench=$(cd "$(dirname "$0")/../wine" && pwd)/wine-bench.sh
work=$WINEPREFIX/drive_c/vzhost
win='C:\vzhost'
rm -rf "$work"
mkdir -p "$work/photos"
cp "$1" "$2" "$3" "$work/"
cp "$VZ_MADE_PHOTOS/located.jpg" "$VZ_MADE_PHOTOS/unlocated.jpg" "$VZ_MADE_PHOTOS/southern.jpg" \
  "$work/photos/"
echo "not a photo" >"$work/photos/notes.txt"
if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$work"; fi
wine_() { "$bench" wine "$@" 2>/dev/null | tr -d '\r'; }
failures=0
expect() {  # label, text that must occur, output
  if grep -qF -- "$2" <<<"$3"; then echo "ok: $1"; else echo "FAIL: $1: no '$2'"; failures=$((failures + 1)); fi
}

wine_ regsvr32 /i "$win\\VantreloZerli.dll"
wine_ reg add 'HKCR\CLSID\{8097D7E9-DB9E-4AEF-9B28-61D82A1DF784}\LocalServer32' /ve /d "$win\\KmlReceiver.exe" /f
wine_ reg add 'HKCR\.kml' /ve /d 'VzHostTest.kml' /f
wine_ reg add 'HKCR\VzHostTest.kml\shell\open\command' /ve /d "\"$win\\KmlReceiver.exe\" \"%1\"" /f

photos=("$win\\photos\\located.jpg" "$win\\photos\\unlocated.jpg" "$win\\photos\\southern.jpg")
out=$(wine_ "$win\\ContextMenuHost.exe" --invoke JpegToGe --answer ok "${photos[@]}")
echo "$out"
expect "handler found" 'Handler: {EEA3944D-8517-4992-8A7C-47FFDD78A39B}' "$out"
expect "server path" "Server: $win\\VantreloZerli.dll" "$out"
expect "initialised" 'Initialize: S_OK' "$out"
expect "five identifiers" '5 identifier(s) reserved' "$out"
expect "submenu" '[0] "Vantrelo Zerli"  id 100 (offset 0)  submenu' "$out"
expect "show item" '[0] "Show location in Google Earth"  id 101 (offset 1)' "$out"
expect "get item" '[1] "Get location from Google Earth"  id 102 (offset 2)' "$out"
expect "edit item" '[2] "Edit location manually"  id 103 (offset 3)' "$out"
expect "about item" '[3] "About Vantrelo Zerli"  id 104 (offset 4)' "$out"
expect "verb" 'verb "JpegToGe" (S_OK)  valid: S_OK' "$out"
expect "command ran" 'InvokeCommand result: S_OK' "$out"

for i in $(seq 1 50); do [ -s "$work/opened-files.txt" ] && break; sleep 0.2; done
kml=$(tail -1 "$work/opened-files.txt" 2>/dev/null || true)
case "$kml" in
  *\\VantreloZerli????????.kml) echo "ok: the shell opened $kml" ;;
  *) echo "FAIL: no KML file opened ('$kml')"; failures=$((failures + 1)) ;;
esac
if [ -n "$kml" ]; then
  unix=$("$bench" wine winepath -u "$kml" 2>/dev/null | tr -d '\r')
  marks=$(/usr/bin/python3 -c '
import sys, xml.etree.ElementTree as ET
root = ET.fromstring(open(sys.argv[1], "rb").read().decode("utf-16"))
print(" ".join(sorted(e.text for e in root.iter("{http://www.opengis.net/kml/2.2}name") if e.text and e.text.startswith("Image"))))
' "$unix")
  expect "placemarks of the located photos" "Image - located.jpg Image - southern.jpg" "$marks"
fi

# A selection without photos: Initialize fails, no menu (as Explorer shows none).
out=$(wine_ "$win\\ContextMenuHost.exe" "$win\\photos\\notes.txt" || true)
expect "no menu for other files" 'Initialize: E_FAIL' "$out"

# Installed again from a folder whose name the ANSI code page (1252 here)
# cannot hold: the registry keeps the path as it is, so the shell finds the
# DLL and the uninstall entry names the file.
acp=$(wine_ reg query 'HKLM\System\CurrentControlSet\Control\Nls\CodePage' /v ACP | sed -n 's/^ *ACP *REG_SZ *//p')
expect "ANSI code page of the prefix" "1252" "$acp"
mkdir -p "$work/Фото Ελλάδα"
cp "$1" "$work/Фото Ελλάδα/"
if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$work"; fi
wine_ regsvr32 /i "$win\\Фото Ελλάδα\\VantreloZerli.dll"
out=$(wine_ "$win\\ContextMenuHost.exe" "${photos[@]}" || true)
echo "$out"
expect "menu of the DLL in the Cyrillic and Greek folder" '[0] "Vantrelo Zerli"  id 100 (offset 0)  submenu' "$out"
expect "its items" '[3] "About Vantrelo Zerli"  id 104 (offset 4)' "$out"
"$bench" wine reg export 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VantreloZerli' \
  "$win\\uninstall.reg" /y >/dev/null 2>&1 || true
entry=$(iconv -f UTF-16 -t UTF-8 "$work/uninstall.reg" 2>/dev/null | tr -d '\r' || true)
expect "DisplayIcon names the file" '"DisplayIcon"="C:\\vzhost\\Фото Ελλάδα\\VantreloZerli.dll,-5000"' "$entry"
expect "UninstallString names the file" \
  '"UninstallString"="regsvr32 -u -n -i:verbose \"C:\\vzhost\\Фото Ελλάδα\\VantreloZerli.dll\""' "$entry"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all host checks passed"
