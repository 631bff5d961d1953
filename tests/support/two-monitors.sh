#!/usr/bin/env bash
# Runs the window placement tests on a display of two monitors: an Xvfb of
# its own with two screens joined by Xinerama (1024x768 and 800x600 side by
# side), which Wine reports as two monitors, and a Wine prefix of its own
# that is booted against that display.
#
#   two-monitors.sh TEST_PROGRAM
#
# Environment as for tests/wine/wine-bench.sh (VZ_BENCH_ROOT, VZ_WINE_ARCH).
set -euo pipefail

: "${VZ_BENCH_ROOT:?}"
program=$1
bench=$(cd "$(dirname "$0")/../wine" && pwd)/wine-bench.sh

root=$(mktemp -d "${TMPDIR:-/tmp}/vz-two-monitors.XXXXXX")
chmod 755 "$root"
mkdir -p "$root/home" "$root/output"
if [ "$(id -u)" -eq 0 ]; then chown nobody:nogroup "$root/home" "$root/output"; fi
prefix=$root/prefix
xvfb_pid=

cleanup() {
  "$bench" prefix-down "$prefix" >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$root"
}
trap cleanup EXIT

# Xvfb chooses a free display number itself and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -screen 1 800x600x24 +xinerama -extension RANDR -nolisten tcp -ac \
  3>"$root/displayfd" >/dev/null 2>&1 </dev/null &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [ -s "$root/displayfd" ] && break
  sleep 0.1
done
number=$(head -n1 "$root/displayfd" | tr -d '[:space:]')
if [ -z "$number" ]; then
  echo "Xvfb with two screens did not start" >&2
  exit 1
fi
export DISPLAY=":$number"
for _ in $(seq 1 100); do
  xdpyinfo >/dev/null 2>&1 && break
  sleep 0.1
done
echo "$DISPLAY" >"$root/display"

# The prefix: a copy of the bench's booted template with a persistent
# server, started without wineboot so that the desktop process is started by
# the test program itself, with the two-screen display.
template=$VZ_BENCH_ROOT/template-${VZ_WINE_ARCH:-win64}
if [ ! -f "$template/.vz-ready" ]; then "$bench" template; fi
cp -a "$template" "$prefix"
rm -f "$prefix/.vz-ready"
if [ "$(id -u)" -eq 0 ]; then
  WINEPREFIX=$prefix setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME="$root/home" /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
else
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
fi
VZ_BENCH_ROOT=$root WINEPREFIX=$prefix VZ_EXPECT_MONITORS=2 \
  "$bench" run "$program" --gtest_filter='WindowPlacement.*'
