#!/usr/bin/env bash
# The Wine test bench: throwaway Wine prefixes with a persistent wineserver,
# an Xvfb display, and the runner that CTest uses as the emulator for every
# test program.
#
#   wine-bench.sh template               boot the template prefix once
#   wine-bench.sh prefix-up   PREFIX     copy the template, start its wineserver
#   wine-bench.sh prefix-down PREFIX     stop its wineserver, remove it
#   wine-bench.sh xvfb-up | xvfb-down    the display shared by the UI tests
#   wine-bench.sh run PROGRAM ARGS...    run a Windows program in $WINEPREFIX
#   wine-bench.sh wine ARGS...           run wine itself in $WINEPREFIX
#   wine-bench.sh can-run ARCH           exit 0 when Wine can run win32 (or
#                                        win64) programs on this host
#
# Environment: VZ_BENCH_ROOT (folder for prefixes and the display's records),
# VZ_WINE_ARCH (win32 or win64), WINEPREFIX for run/wine.
#
# As root, Wine runs as the user "nobody": Windows programs then see read-only
# files as read-only (root ignores missing write bits).
set -euo pipefail

# Some hosts cannot execute 32-bit Linux programs (no IA-32 emulation in the
# kernel), and then 32-bit Wine cannot start: the one check of it, which
# needs no bench folder.
if [ "${1:-}" = can-run ]; then
  case ${2:-} in
    win32) exec /usr/lib/wine/wine --version >/dev/null 2>&1 ;;
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

template_dir() { echo "$VZ_BENCH_ROOT/template-$VZ_WINE_ARCH"; }

display_of() { cat "$VZ_BENCH_ROOT/display" 2>/dev/null || true; }

cmd_template() {
  bench_root_up
  local t; t=$(template_dir)
  exec 9>"$VZ_BENCH_ROOT/template.lock"
  flock 9
  if [ -f "$t/.vz-ready" ]; then return 0; fi
  rm -rf "$t"
  make_owned_dir "$t"
  export WINEPREFIX=$t
  as_user "$wine_loader" wineboot -i >/dev/null 2>&1 </dev/null
  # Dialogs without a window manager: unmanaged windows close at once.
  as_user "$wine_loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
  as_user "$wineserver_bin" -w
  touch "$t/.vz-ready"
}

cmd_prefix_up() {
  local p=$1 t; t=$(template_dir)
  [ -f "$t/.vz-ready" ] || cmd_template
  cmd_prefix_down "$p"
  mkdir -p "$(dirname "$p")"
  cp -a "$t" "$p"
  rm -f "$p/.vz-ready"
  WINEPREFIX=$p as_user "$wineserver_bin" -p </dev/null >/dev/null 2>&1
  # Start the prefix's services under the persistent server. With the
  # display: the desktop process that wineboot starts lingers for a few
  # seconds, and a test program that attaches to it meanwhile would get no
  # windows at all if it had been started without one.
  local d; d=$(display_of)
  if [ -n "$d" ]; then export DISPLAY=$d; else unset DISPLAY; fi
  WINEPREFIX=$p as_user "$wine_loader" wineboot >/dev/null 2>&1 </dev/null
}

cmd_prefix_down() {
  local p=$1
  if [ -d "$p" ]; then
    WINEPREFIX=$p as_user "$wineserver_bin" -k >/dev/null 2>&1 || true
    rm -rf "$p"
  fi
}

cmd_xvfb_up() {
  bench_root_up
  cmd_xvfb_down
  # Xvfb chooses a free display number itself and writes it to fd 3, so that
  # the benches of both architectures can start their displays side by side.
  local numberfile=$VZ_BENCH_ROOT/xvfb.displayfd
  rm -f "$numberfile"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -ac \
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

case "${1:-}" in
  template)    cmd_template ;;
  prefix-up)   cmd_prefix_up "$2" ;;
  prefix-down) cmd_prefix_down "$2" ;;
  xvfb-up)     cmd_xvfb_up ;;
  xvfb-down)   cmd_xvfb_down ;;
  run)         shift; cmd_run "$@" ;;
  wine)        shift; cmd_run "$@" ;;
  *) echo "usage: $0 template|prefix-up P|prefix-down P|xvfb-up|xvfb-down|run PROGRAM..." >&2; exit 2 ;;
esac
