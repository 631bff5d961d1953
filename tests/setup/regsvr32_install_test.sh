#!/usr/bin/env bash
# Installation and removal end to end, as a user does it: regsvr32 with /i
# (silent) and /i:verbose in a fresh prefix, then the uninstall command
# exactly as the uninstall entry stores it. The registry is compared with
# what the product must write, key by key and value by value (reg export).
#
#   regsvr32_install_test.sh DLL ANSWER_BOXES_EXE
# Environment (from the test bench): WINEPREFIX, VZ_BENCH_ROOT, VZ_WINE_ARCH.
set -euo pipefail
dll=$1
answerer=$2
bench=$(cd "$(dirname "$0")/../wine" && pwd)/wine-bench.sh

work=$WINEPREFIX/drive_c/vzsetup
win='C:\vzsetup'
rm -rf "$work"
mkdir -p "$work"
cp "$dll" "$work/VantreloZerli.dll"
cp "$answerer" "$work/answer_boxes.exe"
if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$work"; fi

clsid='{EEA3944D-8517-4992-8A7C-47FFDD78A39B}'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VantreloZerli'
keys=("HKCR\\CLSID\\$clsid" 'HKCR\Vantrelo.Zerli' 'HKCR\Vantrelo.Zerli.1.2'
      'HKCR\*\shellex\ContextMenuHandlers\VantreloZerli' "$uninstall_key")
. "$(dirname "$0")/setup_checks.sh"

# The content of every key the product writes, as reg export shows it
# (UTF-8, no carriage returns); a missing key reads "(missing KEY)".
snapshot() {
  local key i=0
  for key in "${keys[@]}"; do
    i=$((i + 1))
    if wine_ reg export "$key" "$win\\export$i.reg" /y >/dev/null 2>&1; then
      iconv -f UTF-16 -t UTF-8 "$work/export$i.reg" | tr -d '\r' | sed 1d
    else
      echo "(missing $key)"
    fi
  done
}

# The 64-bit DLL's entry says it is the 64-bit edition (both DLLs may be
# installed side by side on 64-bit Windows).
edition=
if [ "$VZ_WINE_ARCH" = win64 ]; then edition=' (64-bit)'; fi

installed_content() {
  local path='C:\\vzsetup\\VantreloZerli.dll'
  cat <<REG

[HKEY_CLASSES_ROOT\\CLSID\\$clsid]
@="Vantrelo Zerli 1.2"

[HKEY_CLASSES_ROOT\\CLSID\\$clsid\\InprocServer32]
@="$path"
"ThreadingModel"="Apartment"

[HKEY_CLASSES_ROOT\\CLSID\\$clsid\\ProgID]
@="Vantrelo.Zerli.1.2"

[HKEY_CLASSES_ROOT\\CLSID\\$clsid\\VersionIndependentProgID]
@="Vantrelo.Zerli"


[HKEY_CLASSES_ROOT\\Vantrelo.Zerli]
@="Vantrelo Zerli"

[HKEY_CLASSES_ROOT\\Vantrelo.Zerli\\CLSID]
@="$clsid"

[HKEY_CLASSES_ROOT\\Vantrelo.Zerli\\CurVer]
@="Vantrelo.Zerli.1.2"


[HKEY_CLASSES_ROOT\\Vantrelo.Zerli.1.2]
@="Vantrelo Zerli 1.2"

[HKEY_CLASSES_ROOT\\Vantrelo.Zerli.1.2\\CLSID]
@="$clsid"


[HKEY_CLASSES_ROOT\\*\\shellex\\ContextMenuHandlers\\VantreloZerli]
@="$clsid"


[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\VantreloZerli]
"DisplayIcon"="$path,-5000"
"DisplayName"="Vantrelo Zerli 1.2$edition"
"NoModify"=dword:00000001
"NoRepair"=dword:00000001
"Publisher"="Halcyra"
"UninstallString"="regsvr32 -u -n -i:verbose \\"$path\\""

REG
}

removed_content() {
  local key
  for key in "${keys[@]}"; do echo "(missing $key)"; done
}

# 1. Silent installation: the whole registry content and no message box.
start_answering ok silent
rc=0; out=$(wine_ regsvr32 /i "$win\\VantreloZerli.dll" 2>&1) || rc=$?
boxes=$(stop_answering ok silent)
echo "$out"
[ "$rc" -eq 0 ] || fail "regsvr32 /i exit code $rc"
compare "registry after regsvr32 /i" "$(installed_content)" "$(snapshot)"
compare "no message box at a silent installation" "" "$boxes"

# 2. Verbose installation over it: the same content, one message.
start_answering ok verbose
rc=0; wine_ regsvr32 /i:verbose "$win\\VantreloZerli.dll" >/dev/null 2>&1 || rc=$?
boxes=$(stop_answering ok verbose)
[ "$rc" -eq 0 ] || fail "regsvr32 /i:verbose exit code $rc"
compare "registry after registering twice" "$(installed_content)" "$(snapshot)"
compare "installed message" "Vantrelo Zerli 1.2.1.20 has been successfully installed on your computer.

To use it:
- Open the Windows Explorer
- Right-click on a JPEG file
- Select one of the Zerli's options!
-- ok" "$boxes"

# The user's setting, which removal must leave.
wine_ reg add 'HKCU\Software\Halcyra\VantreloZerli' /v GpsFlags /t REG_DWORD /d 2 /f >/dev/null 2>&1

# The uninstall command exactly as the entry holds it.
uninstall=$(stored_uninstall_string "$uninstall_key")
compare "UninstallString" "regsvr32 -u -n -i:verbose \"$win\\VantreloZerli.dll\"" "$uninstall"
run_uninstall() { run_uninstall_command "$uninstall" uninstall; }

# 3. No at the confirmation changes nothing.
start_answering no refused
rc=0; run_uninstall || rc=$?
boxes=$(stop_answering no refused)
[ "$rc" -ne 0 ] || fail "refused removal reported success"
compare "confirmation answered No" "Do you really want to remove the Vantrelo Zerli tool from your computer?
-- no" "$boxes"
compare "registry after No" "$(installed_content)" "$(snapshot)"
compare "no deletion scheduled after No" "" "$(pending_renames)"

# 4. Yes: registration and entry gone, the DLL's deletion scheduled, the
# setting left.
start_answering yes removal
rc=0; run_uninstall || rc=$?
boxes=$(stop_answering yes removal)
[ "$rc" -eq 0 ] || fail "removal exit code $rc"
compare "removal messages" "Do you really want to remove the Vantrelo Zerli tool from your computer?
-- yes
Vantrelo Zerli 1.2.1.20 has been uninstalled.
Some remaining files will be deleted when you reboot your computer.
-- ok" "$boxes"
compare "registry after removal" "$(removed_content)" "$(snapshot)"
renames=$(pending_renames)
case "$renames" in
  *'C:\vzsetup\VantreloZerli.dll'*) echo "ok: deletion scheduled: $renames" ;;
  *) fail "no pending deletion of the DLL: '$renames'" ;;
esac
[ -f "$work/VantreloZerli.dll" ] || fail "the DLL went at once instead of at the next restart"
gps=$(wine_ reg query 'HKCU\Software\Halcyra\VantreloZerli' /v GpsFlags 2>/dev/null | tr -d '\r' | grep GpsFlags || true)
case "$gps" in
  *REG_DWORD*0x2*) echo "ok: GpsFlags left: $gps" ;;
  *) fail "GpsFlags setting lost: '$gps'" ;;
esac

# 5. A second removal fails in the unregistration, after the question,
# without a further message (regsvr32 reports the failure with exit code 5).
start_answering yes second
rc=0; run_uninstall || rc=$?
boxes=$(stop_answering yes second)
[ "$rc" -eq 5 ] || fail "second removal exit code $rc, expected 5"
compare "second removal: only the question" "Do you really want to remove the Vantrelo Zerli tool from your computer?
-- yes" "$boxes"
compare "registry after the second removal" "$(removed_content)" "$(snapshot)"

# Leave no scheduled deletion behind in the prefix.
clear_pending_renames
finish_checks installation
