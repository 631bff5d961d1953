#!/usr/bin/env bash
# The KML document benchmark (medians, not a test): the document for 1,000
# located photos built and serialised, per photo, against the photo engine's
# read of the same photos (Open + ReadPosition); the difference is what the
# KML and XML writer add (target: under 0.1 ms per photo).
# Builds kml_document_bench in ${VZ_BUILD_ROOT:-build}/win32 (or win64, see bench/bench-build.sh), works in a
# temporary folder. Environment: VZ_BENCH_PASSES (timed passes, default 7),
# VZ_PHOTOS (the sample photos), VZ_KML_BENCH_WINE (folder for the Wine
# prefix).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
passes=${VZ_BENCH_PASSES:-7}

. "$top/bench/bench-build.sh"
bench_build kml_document_bench

bench_workspace kml "${VZ_KML_BENCH_WINE:-}"

# 1,000 located photos: copies of the sample photos that carry a position.
located=()
for f in "$photos"/*.jpg; do
  if [ -n "$(exiftool -q -n -p '$GPSLatitude' "$f" 2>/dev/null)" ]; then located+=("$f"); fi
done
mkdir -p "$work/photos"
for i in $(seq 0 999); do
  cp "${located[$((i % ${#located[@]}))]}" "$(printf '%s/photos/p%04d.jpg' "$work" "$i")"
done
bench_own "$work"

echo "== Wine prefix" >&2
"$bench" template
"$bench" prefix-up "$prefix"

echo "== $passes timed passes over 1,000 photos" >&2
result=$(WINEPREFIX=$prefix "$bench" run "$build/bin/kml_document_bench.exe" "$(winpath "$work/photos")" "$passes" | tr -d '\r')
read -r _ photos_n placemarks chars read_us build_us beyond_us serialise_us \
  read_cpu build_cpu beyond_cpu serialise_cpu <<<"$result"
printf '%-58s %s\n' "photos / placemarks / characters of text" "$photos_n / $placemarks / $chars"
printf '%-58s %12s %12s\n' "median per photo, microseconds" "wall clock" "thread CPU"
printf '%-58s %12.2f %12.2f\n' "engine read (Open + ReadPosition)" "$read_us" "$read_cpu"
printf '%-58s %12.2f %12.2f\n' "BuildKmlDocument + SerializeDocument" "$build_us" "$build_cpu"
printf '%-58s %12.2f %12.2f\n' "  of which SerializeDocument" "$serialise_us" "$serialise_cpu"
printf '%-58s %12.2f %12.2f\n' "beyond the engine's read" "$beyond_us" "$beyond_cpu"
verdict() { awk -v b="$1" 'BEGIN { print (b < 100 ? "met" : "MISSED") }'; }
echo "target < 100 us per photo beyond the read: wall clock $(verdict "$beyond_us"), thread CPU $(verdict "$beyond_cpu")"
echo "(load average while running: $(cut -d' ' -f1-3 /proc/loadavg))"
