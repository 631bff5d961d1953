# Sourced by the installation tests: running regsvr32 and the stored
# uninstall command in the test prefix, answering the product's message
# boxes, and comparing what was found with what was expected.
#
# The sourcing script sets: bench (tests/wine/wine-bench.sh), work (a folder
# in the prefix's drive C, holding answer_boxes.exe) and win (the same folder
# as Windows sees it).

failures=0

wine_() { "$bench" wine "$@"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

compare() {  # label, expected text, actual text
  if [ "$2" != "$3" ]; then
    fail "$1"
    diff <(echo "$2") <(echo "$3") || true
  else
    echo "ok: $1"
  fi
}

# Runs a command while answer_boxes answers message boxes titled
# "Vantrelo Zerli" with $1; the boxes' texts end up in $work/$2.log.
answer_pid=
start_answering() {
  rm -f "$work/$2.log" "$work/$2.log.stop"
  "$bench" run "$work/answer_boxes.exe" "Vantrelo Zerli" "$1" 9 120 "$win\\$2.log" >/dev/null 2>&1 &
  answer_pid=$!
  sleep 1
}
stop_answering() {
  touch "$work/$2.log.stop"
  wait "$answer_pid" || true
  tr -d '\r' <"$work/$2.log"
}

pending_renames() {
  wine_ reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null |
    tr -d '\r' | grep PendingFileRenameOperations || true
}
clear_pending_renames() {
  wine_ reg delete 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations /f \
    >/dev/null 2>&1 || true
}

# The uninstall command stored in the entry KEY ("reg query" arguments, such
# as a registry view switch, may follow).
stored_uninstall_string() {
  wine_ reg query "$@" /v UninstallString 2>/dev/null | tr -d '\r' | sed -n 's/^ *UninstallString *REG_SZ *//p'
}

# Runs an uninstall command through a batch file NAME.bat, so that the
# command line reaches cmd unchanged; its exit code is the command's.
run_uninstall_command() {  # command, name
  printf '@%s\r\nexit /b %%errorlevel%%\r\n' "$1" >"$work/$2.bat"
  wine_ cmd /c "$win\\$2.bat" >/dev/null 2>&1
}

finish_checks() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all $1 checks passed"
}
