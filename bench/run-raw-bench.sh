#!/usr/bin/env bash
# Reading the capture time of raw files (medians, not a test): 1,000 copies
# of the raw samples of ../shared/raw (CR2, CR3, DNG, RAF, MRW, NEF, RW2,
# IIQ; ExifTool's test images), side by side in one process, file by file:
#   ours   open, the raw reader (ReadRawPhoto) over a file source, close;
#   floor  open, the same reads of the same bytes, close (and once more
#          with the file's size asked for, which the reader needs).
# Target: ours within 1.2 times the floor. Builds raw_read_bench (see
# bench/bench-build.sh), works in a temporary folder. Environment:
# VZ_BENCH_ROUNDS (timed passes, default 5), VZ_SHARED_DIR (the folder
# holding raw/).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${VZ_BENCH_ROUNDS:-5}
shared=${VZ_SHARED_DIR:-$top/../shared}

. "$top/bench/bench-build.sh"
bench_build raw_read_bench
bench_workspace raw "${VZ_RAW_BENCH_WINE:-}"

mkdir -p "$work/raw"
samples=()
for f in "$shared"/raw/*; do
  case $f in *.md|*.xmp) ;; *) samples+=("$f") ;; esac
done
for i in $(seq 0 999); do
  sample=${samples[$((i % ${#samples[@]}))]}
  cp "$sample" "$(printf '%s/raw/%04d-%s' "$work" "$i" "$(basename "$sample")")"
done
bench_own "$work"

echo "== Wine prefix" >&2
"$bench" template
"$bench" prefix-up "$prefix"
echo "== $rounds passes" >&2
out=$(WINEPREFIX=$prefix "$bench" run "$build/bin/raw_read_bench.exe" "$(winpath "$work/raw")" "$rounds" | tr -d '\r')
read -r _ files timed ours floor reads sized parse <<<"$out"
echo "measured: the $bench_arch_name build; $files raw files (${#samples[@]} samples), $timed with a capture time, $reads reads a file"
python3 - "$ours" "$floor" "$sized" "$parse" <<'PY'
import sys
ours, floor, sized, parse = map(float, sys.argv[1:5])
print("ours:  %.1f us a file (median): open, ReadRawPhoto, close" % ours)
print("floor: %.1f us a file (median): open, the same reads, close" % floor)
print("       %.1f us with GetFileSizeEx too (%.2fx)" % (sized, ours / sized))
print("the reader alone, from memory: %.1f us a file" % parse)
r = ours / floor
print("ratio: %.2fx (target: at most 1.2x) %s" % (r, "met" if r <= 1.2 else "NOT met"))
PY
