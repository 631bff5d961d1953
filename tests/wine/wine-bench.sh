#!/usr/bin/env bash
# The Wine test bench: throwaway Wine prefixes with a persistent wineserver,
# an Xvfb display, and the runner that CTest uses as the emulator for every
# test program.
#
#   wine-bench.sh template               boot the template prefix once
#   wine-bench.sh prefix-up   PREFIX [--no-boot]
#                                        copy the template, start its wineserver
#                                        (and its services, unless --no-boot:
#                                        then the first program starts them on
#                                        the display it finds)
#   wine-bench.sh prefix-stop PREFIX     stop its wineserver, keep it
#   wine-bench.sh in-prefix PREFIX COMMAND ARGS...
#                                        prefix-up, then COMMAND (a bench
#                                        command such as run, or any program,
#                                        with WINEPREFIX set), then prefix-down;
#                                        VZ_PREFIX_SETUP names a program that
#                                        prepares the prefix before COMMAND
#   wine-bench.sh prefix-down PREFIX     stop its wineserver, remove it
#   wine-bench.sh xvfb-up [SCREENS...]   the display shared by the UI tests;
#                                        Xvfb options for other screens than
#                                        the one of 1024x768
#   wine-bench.sh xvfb-down
#   wine-bench.sh run PROGRAM ARGS...    run a Windows program in $WINEPREFIX
#   wine-bench.sh wine ARGS...           run wine itself in $WINEPREFIX
#   wine-bench.sh can-run ARCH           exit 0 when Wine can run win32 (or
#                                        win64) programs on this host
#
# Environment: VZ_BENCH_ROOT (folder for prefixes and the display's records),
# VZ_TEMPLATE_ROOT (folder of the template prefixes, by default
# VZ_BENCH_ROOT), VZ_WINE_ARCH (win32 or win64), WINEPREFIX for run/wine.
#
# As root, Wine runs as the user "nobody": Windows programs then see read-only
# files as read-only (root ignores missing write bits).
set -euo pipefail

# Some hosts cannot execute 32-bit Linux programs (no IA-32 emulation in the
# kernel), and then 32-bit Wine cannot start: the one check of it, which
# needs no bench folder. Where i386 programs are handed to qemu-user
# (tools/i386-emulation.sh), 32-bit Wine starts, but its programs that start
# threads crash now and then: that counts as no 32-bit Wine, unless
# VZ_EMULATED_WIN32=1 asks for it.
if [ "${1:-}" = can-run ]; then
  case ${2:-} in
    win32)
      if [ -z "${VZ_EMULATED_WIN32:-}" ] && grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
        exit 1
      fi
      exec /usr/lib/wine/wine --version >/dev/null 2>&1 ;;
    win64) exec /usr/lib/wine/wine64 --version >/dev/null 2>&1 ;;
    *) echo "usage: wine-bench.sh can-run win32|win64" >&2; exit 2 ;;
  esac
fi

: "${VZ_BENCH_ROOT:?}"
: "${VZ_WINE_ARCH:=win64}"
export WINEARCH=$VZ_WINE_ARCH
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

if [ "$VZ_WINE_ARCH" = win32 ]; then wine_loader=/usr/lib/wine/wine; else wine_loader=/usr/lib/wine/wine64; fi
wineserver_bin=/usr/lib/wine/wineserver

as_user() {
  if [ "$(id -u)" -eq 0 ]; then
    setpriv --reuid=nobody --regid=nogroup --clear-groups \
      env HOME="$VZ_BENCH_ROOT/home" USER=nobody LOGNAME=nobody "$@"
  else
    env HOME="${VZ_BENCH_HOME:-$HOME}" "$@"
  fi
}

make_owned_dir() {
  mkdir -p "$1"
  if [ "$(id -u)" -eq 0 ]; then chown nobody:nogroup "$1"; fi
}

bench_root_up() {
  mkdir -p "$VZ_BENCH_ROOT"
  chmod 755 "$VZ_BENCH_ROOT"
  make_owned_dir "$VZ_BENCH_ROOT/home"
  make_owned_dir "$VZ_BENCH_ROOT/output"
}

template_dir() { echo "${VZ_TEMPLATE_ROOT:-$VZ_BENCH_ROOT}/template-$VZ_WINE_ARCH"; }

display_of() { cat "$VZ_BENCH_ROOT/display" 2>/dev/null || true; }

cmd_template() {
  bench_root_up
  local t; t=$(template_dir)
  mkdir -p "$(dirname "$t")"
  exec 9>"$(dirname "$t")/template.lock"
  flock 9
  if [ -f "$t/.vz-ready" ]; then return 0; fi
  rm -rf "$t"
  make_owned_dir "$t"
  export WINEPREFIX=$t
  as_user "$wine_loader" wineboot -i >/dev/null 2>&1 </dev/null || { echo "wineboot -i failed in $t" >&2; return 1; }
  # Dialogs without a window manager: unmanaged windows close at once.
  as_user "$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  as_user "$wineserver_bin" -w
  # The system folders' files are shared by every prefix made from the
  # template (hard links, see copy_template): read-only, so that nothing
  # can change them through one prefix for all.
  find "$t/drive_c/windows/system32" "$t/drive_c/windows/syswow64" -type f \
    -exec chmod a-w {} + 2>/dev/null || true
  touch "$t/.vz-ready"
}

# copy_template TEMPLATE PREFIX: a prefix is a copy of the template, except
# the system folders' files (over 90% of its size), which are hard links:
# a test run makes a prefix for every suite, and copies of them all would
# write many gigabytes and could fill the disk.
copy_template() {
  local t=$1 p=$2 w=drive_c/windows d
  mkdir -p "$p"
  tar -C "$t" --exclude="./$w/system32" --exclude="./$w/syswow64" -cf - . | tar -C "$p" -xpf -
  for d in system32 syswow64; do
    if [ -d "$t/$w/$d" ]; then cp -a --link "$t/$w/$d" "$p/$w/"; fi
  done
}

cmd_prefix_up() {
  local p=$1 boot=${2:-} t; t=$(template_dir)
  [ -f "$t/.vz-ready" ] || cmd_template
  cmd_prefix_down "$p"
  mkdir -p "$(dirname "$p")"
  copy_template "$t" "$p"
  rm -f "$p/.vz-ready"
  WINEPREFIX=$p as_user "$wineserver_bin" -p </dev/null >/dev/null 2>&1
  [ "$boot" != --no-boot ] || return 0
  # Start the prefix's services under the persistent server. With the
  # display: the desktop process that wineboot starts lingers for a few
  # seconds, and a test program that attaches to it meanwhile would get no
  # windows at all if it had been started without one.
  local d; d=$(display_of)
  if [ -n "$d" ]; then export DISPLAY=$d; else unset DISPLAY; fi
  # Under load wineboot now and then fails without a word; once more, then
  # say so.
  local try
  for try in 1 2; do
    WINEPREFIX=$p as_user "$wine_loader" wineboot >/dev/null 2>&1 </dev/null && return 0
    echo "wineboot failed in $p (try $try)" >&2
    sleep 1
  done
  return 1
}

cmd_prefix_stop() {
  if [ -d "$1" ]; then
    WINEPREFIX=$1 as_user "$wineserver_bin" -k >/dev/null 2>&1 || true
  fi
}

cmd_prefix_down() {
  if [ -d "$1" ]; then
    cmd_prefix_stop "$1"
    rm -rf "$1"
  fi
}

cmd_xvfb_up() {
  local screens=("$@")
  [ ${#screens[@]} -gt 0 ] || screens=(-screen 0 1024x768x24)
  bench_root_up
  cmd_xvfb_down
  # Xvfb chooses a free display number itself and writes it to fd 3, so that
  # the benches of both architectures can start their displays side by side.
  local numberfile=$VZ_BENCH_ROOT/xvfb.displayfd
  rm -f "$numberfile"
  Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp -ac \
    3>"$numberfile" >/dev/null 2>&1 </dev/null &
  echo $! >"$VZ_BENCH_ROOT/xvfb.pid"
  local i n=
  for i in $(seq 1 100); do
    n=$(head -n1 "$numberfile" 2>/dev/null | tr -d '[:space:]')
    if [ -n "$n" ] && DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
      echo ":$n" >"$VZ_BENCH_ROOT/display"
      return 0
    fi
    sleep 0.1
  done
  echo "Xvfb did not start" >&2
  return 1
}

cmd_xvfb_down() {
  if [ -f "$VZ_BENCH_ROOT/xvfb.pid" ]; then
    kill "$(cat "$VZ_BENCH_ROOT/xvfb.pid")" 2>/dev/null || true
    rm -f "$VZ_BENCH_ROOT/xvfb.pid" "$VZ_BENCH_ROOT/display"
  fi
}

cmd_run() {
  : "${WINEPREFIX:?}"
  local d; d=$(display_of)
  if [ -n "$d" ]; then export DISPLAY=$d; else unset DISPLAY; fi
  export VZ_TEST_OUTPUT=${VZ_TEST_OUTPUT:-$VZ_BENCH_ROOT/output}
  as_user "$wine_loader" "$@"
}

cmd_in_prefix() {
  in_prefix=$1; shift
  cmd_prefix_up "$in_prefix"
  trap 'cmd_prefix_down "$in_prefix"' EXIT
  export WINEPREFIX=$in_prefix
  if [ -n "${VZ_PREFIX_SETUP:-}" ]; then "$VZ_PREFIX_SETUP"; fi
  if [ "$1" = run ]; then shift; cmd_run "$@"; else "$@"; fi
}

case "${1:-}" in
  template)    cmd_template ;;
  in-prefix)   shift; cmd_in_prefix "$@" ;;
  prefix-up)   cmd_prefix_up "$2" "${3:-}" ;;
  prefix-stop) cmd_prefix_stop "$2" ;;
  prefix-down) cmd_prefix_down "$2" ;;
  xvfb-up)     shift; cmd_xvfb_up "$@" ;;
  xvfb-down)   cmd_xvfb_down ;;
  run)         shift; cmd_run "$@" ;;
  wine)        shift; cmd_run "$@" ;;
  *) echo "usage: $0 template|in-prefix P COMMAND...|prefix-up P [--no-boot]|prefix-stop P|prefix-down P|xvfb-up [SCREENS...]|xvfb-down|run PROGRAM..." >&2; exit 2 ;;
esac
