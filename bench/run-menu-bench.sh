#!/usr/bin/env bash
# The context menu's first use over 1,000 selected photos (medians, not a
# test), under Wine with the 32-bit build (or the 64-bit one, see
# bench/bench-build.sh):
#   (a) none of the photos has a position: every photo is read (worst case);
#   (b) the first photo has one: the scan stops there.
# Target: (a) under 0.25 s.
# Builds in ${VZ_BUILD_ROOT:-build}/win32 (or win64, see bench/bench-build.sh); VZ_BENCH_RUNS (default 9) timed
# runs per case; VZ_PHOTOS the sample photos.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${VZ_BENCH_RUNS:-9}

. "$top/bench/bench-build.sh"
bench_build menu_first_use_bench VantreloZerli

bench_workspace menu "${VZ_MENU_BENCH_WINE:-}"

# 1,000 copies of the sample photos that carry no position, in turn.
unlocated=()
for p in "$photos"/*.jpg; do
  if ! exiftool -q -q -m -n -p '$GPSLatitude' "$p" 2>/dev/null | grep -q .; then unlocated+=("$p"); fi
done
located=$(ls "$photos"/*_gps*.jpg | head -1)
mkdir -p "$work/none" "$work/first"
for i in $(seq 0 999); do
  src=${unlocated[$((i % ${#unlocated[@]}))]}
  name=$(printf 'photo%04d.jpg' "$i")
  cp "$src" "$work/none/$name"
  if [ "$i" -eq 0 ]; then cp "$located" "$work/first/$name"; else cp "$src" "$work/first/$name"; fi
done
cp "$build/bin/VantreloZerli.dll" "$work/"
bench_own "$work"

echo "== Wine prefix" >&2
"$bench" template
"$bench" prefix-up "$prefix"
run_windows() { WINEPREFIX=$prefix "$bench" run "$@"; }

echo "photos without a position in the set: ${#unlocated[@]} distinct, cycled to 1,000"
printf '%-34s %6s %10s %10s %10s %6s\n' case photos median_ms min_ms max_ms items
for c in none first; do
  line=$(run_windows "$build/bin/menu_first_use_bench.exe" "$(winpath "$work/VantreloZerli.dll")" \
    "$(winpath "$work/$c")" "$runs" | tr -d '\r')
  read -r _ n median min max items <<<"$line"
  label=$([ "$c" = none ] && echo "none located (worst case)" || echo "first one located")
  printf '%-34s %6s %10s %10s %10s %6s\n' "$label" "$n" "$median" "$min" "$max" "$items"
  if [ "$c" = none ]; then
    awk -v m="$median" 'BEGIN { printf "target (worst case) under 250 ms: %s\n", (m < 250 ? "met" : "NOT met") }'
  fi
done
