#!/usr/bin/env bash
# Runs the window placement tests on a display of two monitors: an Xvfb of
# its own with two screens joined by Xinerama (1024x768 and 800x600 side by
# side), which Wine reports as two monitors, and a Wine prefix of its own
# whose services start against that display (with the test program).
#
#   two-monitors.sh TEST_PROGRAM
#
# Environment as for tests/wine/wine-bench.sh (VZ_BENCH_ROOT, VZ_WINE_ARCH).
set -euo pipefail

: "${VZ_BENCH_ROOT:?}"
program=$1
bench=$(cd "$(dirname "$0")/../wine" && pwd)/wine-bench.sh

# A bench of its own for the display and the prefix, from the suite's template.
export VZ_TEMPLATE_ROOT=$VZ_BENCH_ROOT
VZ_BENCH_ROOT=$(mktemp -d "${TMPDIR:-/tmp}/vz-two-monitors.XXXXXX")
export VZ_BENCH_ROOT
chmod 755 "$VZ_BENCH_ROOT"
prefix=$VZ_BENCH_ROOT/prefix
cleanup() {
  "$bench" prefix-down "$prefix" >/dev/null 2>&1 || true
  "$bench" xvfb-down || true
  rm -rf "$VZ_BENCH_ROOT"
}
trap cleanup EXIT

"$bench" xvfb-up -screen 0 1024x768x24 -screen 1 800x600x24 +xinerama -extension RANDR
"$bench" prefix-up "$prefix" --no-boot
WINEPREFIX=$prefix VZ_EXPECT_MONITORS=2 "$bench" run "$program" --gtest_filter='WindowPlacement.*'
