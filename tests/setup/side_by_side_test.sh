#!/usr/bin/env bash
# The 64-bit and the 32-bit DLL installed side by side in a 64-bit prefix, as
# on 64-bit Windows: each registers the class in its own registry view (CLSID
# and the uninstall entry are kept apart for 32-bit programs) and shares the
# ProgIDs and the handler key with the other. Removing one, with the
# uninstall command its entry stores, leaves the other working; removing the
# second leaves nothing of either.
#
#   side_by_side_test.sh DLL64 HOST64 ANSWER_BOXES WIN32_BIN
# WIN32_BIN is the 32-bit build's bin folder (VantreloZerli.dll and
# ContextMenuHost.exe). Where 32-bit programs cannot run, the checks that
# need the 32-bit DLL are skipped, and the other view's registration is made
# with the registry's 32-bit view instead.
# Environment (from the test bench): WINEPREFIX, VZ_BENCH_ROOT, VZ_MADE_PHOTOS.
set -euo pipefail
bench=$(cd "$(dirname "$0")/../wine" && pwd)/wine-bench.sh
work=$WINEPREFIX/drive_c/vzboth
win='C:\vzboth'
rm -rf "$work"
mkdir -p "$work/64" "$work/32" "$work/photos"
cp "$1" "$2" "$work/64/"
cp "$3" "$work/answer_boxes.exe"
cp "$VZ_MADE_PHOTOS/located.jpg" "$work/photos/"
can32=no
if "$bench" can-run win32 && [ -f "$4/VantreloZerli.dll" ] && [ -f "$4/ContextMenuHost.exe" ]; then
  can32=yes
  cp "$4/VantreloZerli.dll" "$4/ContextMenuHost.exe" "$work/32/"
fi
if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$work"; fi
. "$(dirname "$0")/setup_checks.sh"

clsid='{EEA3944D-8517-4992-8A7C-47FFDD78A39B}'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VantreloZerli'
shared_keys=('HKCR\Vantrelo.Zerli' 'HKCR\Vantrelo.Zerli.1.2' 'HKCR\*\shellex\ContextMenuHandlers\VantreloZerli')

query() {  # key, view (32 or 64)
  local out
  if out=$(wine_ reg query "$1" /s "/reg:$2" 2>/dev/null); then
    tr -d '\r' <<<"$out" | sed '/^$/d'
  else
    echo "(missing $1)"
  fi
}
# What one view holds of its own: the class and the uninstall entry.
view_keys() { query "HKCR\\CLSID\\$clsid" "$1"; query "$uninstall_key" "$1"; }
# The shared keys, as each view sees them (they must agree).
shared_keys() {
  local key a b
  for key in "${shared_keys[@]}"; do
    a=$(query "$key" 64); b=$(query "$key" 32)
    [ "$a" = "$b" ] || fail "the views disagree on $key"
    echo "$a"
  done
}
nothing_of() { echo "(missing HKCR\\CLSID\\$clsid)"; echo "(missing $uninstall_key)"; }
no_shared_keys() { local key; for key in "${shared_keys[@]}"; do echo "(missing $key)"; done; }

install() {  # bits
  wine_ regsvr32 /i "$win\\$1\\VantreloZerli.dll" >/dev/null 2>&1 || fail "regsvr32 /i of the $1-bit DLL"
}

# The menu through the host of the given architecture.
menu_through() {  # bits
  local out
  out=$(wine_ "$win\\$1\\ContextMenuHost.exe" "$win\\photos\\located.jpg" 2>/dev/null | tr -d '\r') || true
  if grep -qF "Server: $win\\$1\\VantreloZerli.dll" <<<"$out" && grep -qF '5 identifier(s) reserved' <<<"$out"; then
    echo "ok: the $1-bit host shows the menu of the $1-bit DLL"
  else
    fail "the $1-bit host shows no menu of the $1-bit DLL"
    echo "$out"
  fi
}

# Removes one DLL with the uninstall command of its own entry, answering Yes.
remove() {  # bits
  local command rc=0 boxes
  command=$(stored_uninstall_string "$uninstall_key" "/reg:$1")
  compare "the $1-bit entry's uninstall command" "regsvr32 -u -n -i:verbose \"$win\\$1\\VantreloZerli.dll\"" "$command"
  start_answering yes "remove$1"
  run_uninstall_command "$command" "uninstall$1" || rc=$?
  boxes=$(stop_answering yes "remove$1")
  [ "$rc" -eq 0 ] || fail "removal of the $1-bit DLL: exit code $rc"
  case "$boxes" in
    *'has been uninstalled.'*) echo "ok: the $1-bit DLL says it is removed" ;;
    *) fail "no removal message from the $1-bit DLL: '$boxes'" ;;
  esac
}

scheduled() {  # bits
  case "$(pending_renames)" in
    *"$win\\$1\\VantreloZerli.dll"*) echo "ok: the $1-bit DLL's deletion is scheduled" ;;
    *) fail "the $1-bit DLL's deletion is not scheduled" ;;
  esac
}

if [ "$can32" = yes ]; then
  for order in "32 64" "64 32"; do
    set -- $order
    first=$1 second=$2
    echo "== both installed, the $first-bit DLL removed first"
    install 64; install 32
    both64=$(view_keys 64) both32=$(view_keys 32) both_shared=$(shared_keys)
    grep -qF "$win\\64\\VantreloZerli.dll" <<<"$both64" || fail "the 64-bit view names the 64-bit DLL"
    grep -qF "$win\\32\\VantreloZerli.dll" <<<"$both32" || fail "the 32-bit view names the 32-bit DLL"
    grep -qF 'Vantrelo Zerli 1.2 (64-bit)' <<<"$both64" || fail "the 64-bit entry says it is the 64-bit edition"
    grep -qE 'DisplayName +REG_SZ +Vantrelo Zerli 1\.2$' <<<"$both32" || fail "the 32-bit entry's name is unchanged"
    [ "$both_shared" != "$(no_shared_keys)" ] || fail "the shared keys are written"
    menu_through 64; menu_through 32

    # Installing both again changes nothing.
    install 64; install 32
    compare "64-bit view after installing both twice" "$both64" "$(view_keys 64)"
    compare "32-bit view after installing both twice" "$both32" "$(view_keys 32)"
    compare "shared keys after installing both twice" "$both_shared" "$(shared_keys)"

    remove "$first"
    eval "kept=\$both$second"
    compare "$second-bit registration complete after removing the $first-bit DLL" "$kept" "$(view_keys "$second")"
    compare "$first-bit view empty after its removal" "$(nothing_of)" "$(view_keys "$first")"
    compare "shared keys kept for the $second-bit DLL" "$both_shared" "$(shared_keys)"
    menu_through "$second"
    scheduled "$first"

    remove "$second"
    compare "64-bit view empty at the end" "$(nothing_of)" "$(view_keys 64)"
    compare "32-bit view empty at the end" "$(nothing_of)" "$(view_keys 32)"
    compare "no shared keys left at the end" "$(no_shared_keys)" "$(shared_keys)"
    scheduled 32; scheduled 64
    clear_pending_renames
  done
else
  echo "SKIPPED: this host cannot run 32-bit programs: the checks with the 32-bit DLL itself"
fi

echo "== the 64-bit DLL beside a 32-bit registration made through the registry's 32-bit view"
install 64
both64=$(view_keys 64) both_shared=$(shared_keys)
wine_ reg add "HKCR\\CLSID\\$clsid\\InprocServer32" /ve /d 'C:\elsewhere\VantreloZerli.dll' /f /reg:32 >/dev/null 2>&1
other=$(query "HKCR\\CLSID\\$clsid" 32)
remove 64
compare "64-bit view empty after its removal" "$(nothing_of)" "$(view_keys 64)"
compare "shared keys kept while the 32-bit view registers the class" "$both_shared" "$(shared_keys)"
compare "the 32-bit view's class untouched" "$other" "$(query "HKCR\\CLSID\\$clsid" 32)"
scheduled 64
wine_ reg delete "HKCR\\CLSID\\$clsid" /f /reg:32 >/dev/null 2>&1
clear_pending_renames

echo "== shared keys already gone (as an earlier version left them): the removal completes"
install 64
for key in "${shared_keys[@]}"; do wine_ reg delete "$key" /f /reg:64 >/dev/null 2>&1; done
remove 64
compare "64-bit view empty" "$(nothing_of)" "$(view_keys 64)"
compare "no shared keys" "$(no_shared_keys)" "$(shared_keys)"
scheduled 64
clear_pending_renames

echo "== nothing registered in this view: the removal fails and says nothing more"
start_answering yes none
rc=0; run_uninstall_command "regsvr32 -u -n -i:verbose \"$win\\64\\VantreloZerli.dll\"" none || rc=$?
boxes=$(stop_answering yes none)
[ "$rc" -eq 5 ] || fail "removal without registration: exit code $rc, expected 5"
compare "only the question" "Do you really want to remove the Vantrelo Zerli tool from your computer?
-- yes" "$boxes"
compare "no deletion scheduled" "" "$(pending_renames)"

finish_checks side-by-side
