#!/usr/bin/env bash
# Storing a position into XMP sidecars (medians, not a test): 1,000 raw
# files, each with a sidecar (copies of the real darktable sidecar, of the
# hand-written ones of tests/sidecar/samples and of one ExifTool writes),
# side by side in one run:
#   ours      the whole WriteRawSidecarPosition for each raw file (the
#             folder's listing, the sidecar read and edited, a new file
#             flushed and renamed over it, flushed again), timed inside the
#             Windows program (the 32-bit or 64-bit build, under Wine), all
#             1,000 in one process; once more without the flushes;
#   ExifTool  one `exiftool -stay_open` process given the same position for
#             each sidecar (-overwrite_original), timed from its start to its
#             end;
# both on fresh copies. Target: ours at least 10x faster.
# Builds sidecar_store_bench (see bench/bench-build.sh), works in a temporary
# folder. Environment: VZ_SIDECAR_FILES (raw files with a sidecar in the one
# folder, default 1000), VZ_BENCH_ROUNDS (rounds of ours, default 5),
# VZ_EXIFTOOL_ROUNDS (default 3), VZ_SHARED_DIR (the folder holding raw/).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${VZ_BENCH_ROUNDS:-5}
et_rounds=${VZ_EXIFTOOL_ROUNDS:-3}
files=${VZ_SIDECAR_FILES:-1000}
shared=${VZ_SHARED_DIR:-$top/../shared}

. "$top/bench/bench-build.sh"
bench_build sidecar_store_bench
bench_workspace sidecar "${VZ_SIDECAR_BENCH_WINE:-}"

mkdir -p "$work/sources" "$work/originals" "$work/ours" "$work/exiftool"
cp "$top"/tests/sidecar/samples/*.xmp "$work/sources/"
if [ -f "$shared/raw/darktable-bench-3.8.xmp" ]; then cp "$shared/raw/darktable-bench-3.8.xmp" "$work/sources/"; fi
exiftool -q -q -o "$work/sources/exiftool.xmp" -XMP-xmp:Rating=3 -XMP-dc:Subject=a -XMP-exif:GPSLatitude=12.5 \
  -XMP-exif:GPSLongitude=3.25
sources=("$work"/sources/*.xmp)
printf 'II*\0\10\0\0\0' >"$work/raw.dng"  # only its name counts: the write never reads it
for i in $(seq 0 $((files - 1))); do
  cp "${sources[$((i % ${#sources[@]}))]}" "$(printf '%s/originals/sidecar%04d.xmp' "$work" "$i")"
  cp "$work/raw.dng" "$(printf '%s/originals/sidecar%04d.dng' "$work" "$i")"
done
chmod 644 "$work"/originals/*.xmp "$work"/originals/*.dng
bench_own "$work"

echo "== Wine prefix" >&2
"$bench" template
"$bench" prefix-up "$prefix"

echo "== ours: $rounds rounds" >&2
ours=$(WINEPREFIX=$prefix "$bench" run "$build/bin/sidecar_store_bench.exe" "$(winpath "$work/originals")" \
  "$(winpath "$work/ours")" "$rounds" | tr -d '\r')
read -r _ count ours_us stored <<<"$ours"
echo "== ours without the flushes: $rounds rounds" >&2
unflushed=$(VZ_BENCH_NO_FLUSH=1 WINEPREFIX=$prefix "$bench" run "$build/bin/sidecar_store_bench.exe" \
  "$(winpath "$work/originals")" "$(winpath "$work/ours")" "$rounds" | tr -d '\r')
read -r _ _ unflushed_us _ <<<"$unflushed"

echo "== ExifTool -stay_open: $et_rounds rounds" >&2
et_times=()
for r in $(seq 1 "$et_rounds"); do
  rm -f "$work"/exiftool/*.xmp
  cp "$work"/originals/*.xmp "$work/exiftool/"
  args=$work/exiftool-args.txt
  : >"$args"
  for f in "$work"/exiftool/*.xmp; do
    printf -- '-q\n-overwrite_original\n-XMP-exif:GPSLatitude=48.8582\n-XMP-exif:GPSLongitude=2.2945\n-XMP-exif:GPSAltitude=35.5\n-XMP-exif:GPSAltitudeRef=0\n-XMP-exif:GPSVersionID=2.3.0.0\n%s\n-execute\n' "$f" >>"$args"
  done
  # The argument file itself ends the process (-stay_open keeps reading it
  # until it says so).
  printf -- '-stay_open\nFalse\n' >>"$args"
  start=$(date +%s%N)
  exiftool -stay_open True -@ "$args" >/dev/null
  et_times+=($(( ($(date +%s%N) - start) / 1000 )))
done
et_us=$(printf '%s\n' "${et_times[@]}" | sort -n | sed -n "$(( (${#et_times[@]} + 1) / 2 ))p")

echo "sidecars: $count, stored by ours: $stored"
echo "measured: the $bench_arch_name build"
python3 - "$count" "$ours_us" "$unflushed_us" "$et_us" <<'PY'
import sys
count, ours, unflushed, et = int(sys.argv[1]), *map(float, sys.argv[2:5])
per = lambda us: us / max(count, 1) / 1000
print("ours:      %.3f ms a sidecar (median of the rounds), flushed twice" % per(ours))
print("ours:      %.3f ms a sidecar without the flushes" % per(unflushed))
print("ExifTool:  %.3f ms a sidecar (one -stay_open process, unflushed)" % per(et))
for what, us in (("flushed", ours), ("unflushed", unflushed)):
    r = et / us
    print("ratio %-9s %.1fx (target: 10x) %s" % (what + ":", r, "met" if r >= 10 else "NOT met"))
PY
