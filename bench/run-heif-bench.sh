#!/usr/bin/env bash
# The photo engine on HEIF photos (medians, not tests), side by side in one
# run:
#   (a) Open + ReadPosition over 1,000 HEIF photos with Exif (three in five
#       with a position), per photo, from a warm cache, against the floor:
#       the bare system calls that open each file, read the bytes of its
#       Exif item in one call and close it (target: within 1.2 times it);
#   (b) storing a position into each HEIF sample and writing it back (a new
#       photo beside the old one, flushed and renamed over it), per photo,
#       against ExifTool (one -stay_open process, -overwrite_original) on
#       fresh copies of the same photos (target: at least 5 times faster).
# The HEIF samples are made from the sample photos (tests/exif/make_heif_samples.sh).
# Environment: VZ_BENCH_ROUNDS (default 7), VZ_PHOTOS, VZ_EXIF_BENCH_WINE.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${VZ_BENCH_ROUNDS:-7}
photos=${VZ_PHOTOS:-$top/../shared/photos}
bench=$top/tests/wine/wine-bench.sh

bash "$top/tools/install-deps.sh"
. "$top/bench/bench-build.sh"
bench_build exif_store_bench exif_read_bench heif_floor_bench

work=$(mktemp -d /tmp/vz-heif-bench.XXXXXX)
chmod 755 "$work"
export VZ_BENCH_ROOT=${VZ_EXIF_BENCH_WINE:-/tmp/vz-exif-bench-wine}
prefix=$VZ_BENCH_ROOT/prefix-heif-bench
cleanup() {
  "$bench" prefix-down "$prefix" || true
  rm -rf "$work"
}
trap cleanup EXIT
own() { if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$@"; fi; }
winpath() { echo "Z:${1//\//\\}"; }
run_windows() { WINEPREFIX=$prefix "$bench" run "$@"; }

"$bench" template
"$bench" prefix-up "$prefix"
bash "$top/tests/exif/make_heif_samples.sh" "$photos" "$work/samples" >&2
rm "$work/samples"/noexif.heic "$work/samples"/*.jpg  # (a) reads photos with Exif

echo "== (a) Open + ReadPosition over 1,000 HEIF photos, and the floor" >&2
mkdir -p "$work/a"
python3 - "$work/samples" "$work/a" <<'PY' >"$work/a-listing.txt"
import os, re, shutil, subprocess, sys
samples, folder = sys.argv[1:3]
names = sorted(os.listdir(samples))
extent = {}
for name in names:  # the Exif item's extent, as heif-info reads the tables
    dump = subprocess.run(["heif-info", "-d", os.path.join(samples, name)], capture_output=True, text=True).stdout
    exif = re.search(r"item_ID: (\d+)\n\| \| item_protection_index: \d+\n\| \| item_type: Exif", dump).group(1)
    entry = re.search(r"item ID: %s\n.*?base_offset: (\d+)\n\|   extents: (\d+),(\d+)" % exif, dump, re.S)
    extent[name] = (int(entry.group(1)) + int(entry.group(2)), int(entry.group(3)))
for i in range(1000):
    name = names[i % len(names)]
    copy = os.path.join(folder, "%04d-%s" % (i, name))
    shutil.copy(os.path.join(samples, name), copy)
    print("Z:%s\t%d\t%d" % (copy.replace("/", "\\"), *extent[name]))
PY
own "$work"
run_windows "$build/bin/heif_floor_bench.exe" "$(winpath "$work/a-listing.txt")" 3 | tr -d '\r' >"$work/floor.txt"
run_windows "$build/bin/exif_read_bench.exe" "$(winpath "$work/a")" 3 '*.heic' | tr -d '\r' | grep '^read ' >"$work/read.txt"
rm -rf "$work/a"

echo "== (b) store + write, $rounds rounds of fresh copies" >&2
mkdir -p "$work/ours" "$work/exiftool"
own "$work"
run_windows "$build/bin/exif_store_bench.exe" "$(winpath "$work/samples")" "$(winpath "$work/ours")" \
  "$rounds" '*.heic' | tr -d '\r' >"$work/ours.txt"
python3 "$top/bench/exif_exiftool_peer.py" "$work/samples" "$work/exiftool" "$rounds" .heic >"$work/exiftool.txt"

python3 - "$work" "$rounds" "$bench_arch_name" <<'PY'
import statistics, sys
work, rounds, arch = sys.argv[1], int(sys.argv[2]), sys.argv[3]
floor = open(f"{work}/floor.txt").read().split()
read = open(f"{work}/read.txt").read().split()
ours = {l.split()[1]: l.split() for l in open(f"{work}/ours.txt")}
et = {l.split()[1]: l.split() for l in open(f"{work}/exiftool.txt")}
print(f"HEIF photos, the {arch} build under Wine, medians in milliseconds")
ratio = float(read[2]) / float(floor[2])
print(f"(a) Open + ReadPosition, {read[1]} photos ({read[4]} with a position): {float(read[2]) / 1000:.3f}"
      f"; floor (open, read the Exif, close) {float(floor[2]) / 1000:.3f}; {ratio:.2f}x the floor"
      f"  within 1.2x: {'met' if ratio <= 1.2 else 'MISSED'}")
ratios = []
for name in sorted(ours):
    o, e = float(ours[name][2]), float(et[name][2])
    ok = int(ours[name][3]) == rounds and int(et[name][3]) == rounds
    ratios += [e / o] if ok else []
    print(f"(b) {name:16} ours {o / 1000:7.2f} (written {ours[name][3]}/{rounds})  ExifTool {e / 1000:7.2f}"
          f" (written {et[name][3]}/{rounds})  {e / o:5.1f}x")
r = statistics.median(ratios)
print(f"(b) store + write, median ratio ExifTool/ours {r:.1f}x  at least 5x: {'met' if r >= 5 else 'MISSED'}")
PY
