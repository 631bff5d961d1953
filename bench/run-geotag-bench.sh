#!/usr/bin/env bash
# "Geotag from GPS track" (medians, not a test): 1,000 photos, each with its
# own DateTimeOriginal, geotagged from a GPX track of 100,000 points, per
# photo, in one process each:
#   ours      read the track + GeotagPlan Load + Match + Write, timed inside
#             the Windows program (the 32-bit or 64-bit build, under Wine);
#   ExifTool  exiftool -geotag track.gpx '-Geotime<${DateTimeOriginal}+00:00'
#             <folder>, timed from its start to its end;
#   floor     the same photos replaced bare (read, new file, write, flush,
#             rename, flush) on as many threads as the command writes with:
#             what the crash-safe write alone costs under this Wine;
# all on fresh copies of the same photos in the same run. Target: ours at
# least 30x faster than ExifTool. Then matching alone, as each change in the dialog does
# it: 300 of the photos against a track of 1,000,000 points without any
# elevation. Target: under 100 ms. And ours once more in a folder that also
# holds VZ_GEOTAG_CROWD (default 5,000) other files, beside the floor of
# any writer there: a bare new file made and deleted in each folder.
# Builds geotag_track_bench in ${VZ_BUILD_ROOT:-build}/win32 (or win64, see
# bench/bench-build.sh), works in a temporary folder. Environment:
# VZ_BENCH_ROUNDS (timed rounds of ours, default 5), VZ_EXIFTOOL_ROUNDS
# (default 3), VZ_PHOTOS (the sample photos), VZ_GEOTAG_BENCH_WINE (folder
# for the Wine prefix), VZ_BENCH_BASELINE (another checkout, an earlier
# version say: its geotag_track_bench is built and run on the same photos in
# the same prefix, in the empty and in the crowded folder, for a "before"
# line).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
rounds=${VZ_BENCH_ROUNDS:-5}
et_rounds=${VZ_EXIFTOOL_ROUNDS:-3}

. "$top/bench/bench-build.sh"
bench_build geotag_track_bench
bench_baseline geotag_track_bench

bench_workspace geotag "${VZ_GEOTAG_BENCH_WINE:-}"

# Camera photos without a position or an offset of their own; all their
# dates become one marker first, which each copy then replaces by its time.
sources=(canon_powershot-s40.jpg canon_digital-ixus.jpg fujifilm_finepix40i.jpg sony_slt-a58.jpg)
marker="2020:02:02 02:02:02"
mkdir -p "$work/sources" "$work/originals" "$work/ours" "$work/exiftool"
for s in "${sources[@]}"; do cp "$photos/$s" "$work/sources/"; done
chmod 644 "$work/sources"/*.jpg
exiftool -q -overwrite_original "-AllDates=$marker" "$work/sources"
echo "== 1,000 photos and a track of 100,000 points" >&2
python3 - "$work" "$marker" "${sources[@]}" <<'PY'
import datetime
import math
import os
import sys

work, marker, sources = sys.argv[1], sys.argv[2].encode(), sys.argv[3:]
start = datetime.datetime(2021, 6, 1, 6, 0, 0)
points, step = 100000, 3          # a point every 3 s: 83 hours
with open(os.path.join(work, "track.gpx"), "w") as f:
    f.write('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<gpx version="1.1" creator="geotag bench" xmlns="http://www.topografix.com/GPX/1/1">\n'
            '<trk><name>bench</name><trkseg>\n')
    for i in range(points):
        t = start + datetime.timedelta(seconds=i * step)
        lat = 46.5 + 0.3 * math.sin(i / 5000.0)
        lon = 7.5 + 0.4 * math.cos(i / 7000.0)
        f.write('<trkpt lat="%.7f" lon="%.7f"><ele>%.1f</ele><time>%sZ</time></trkpt>\n'
                % (lat, lon, 800 + 500 * math.sin(i / 900.0), t.strftime("%Y-%m-%dT%H:%M:%S")))
    f.write("</trkseg></trk>\n</gpx>\n")
data = {s: open(os.path.join(work, "sources", s), "rb").read() for s in sources}
span = (points - 1) * step
for i in range(1000):
    source = sources[i % len(sources)]
    when = start + datetime.timedelta(seconds=10 + i * (span - 20) // 1000)
    copy = data[source].replace(marker, when.strftime("%Y:%m:%d %H:%M:%S").encode())
    with open(os.path.join(work, "originals", "photo%04d.jpg" % i), "wb") as f:
        f.write(copy)
PY
chmod 644 "$work/originals"/*.jpg
bench_own "$work"

echo "== Wine prefix" >&2
"$bench" template
"$bench" prefix-up "$prefix"

echo "== ours: one warm-up round and $rounds timed rounds" >&2
ours=$(WINEPREFIX=$prefix "$bench" run "$build/bin/geotag_track_bench.exe" "$(winpath "$work/track.gpx")" \
  "$(winpath "$work/originals")" "$(winpath "$work/ours")" "$rounds" | tr -d '\r')

# The same in a folder that also holds other files, as a camera's folder
# does: the write path must not grow with the folder.
crowd=${VZ_GEOTAG_CROWD:-5000}
mkdir -p "$work/crowded"
python3 -c 'import os, sys
for i in range(int(sys.argv[2])):
    open(os.path.join(sys.argv[1], "other%05d.dat" % i), "wb").write(b"x")' "$work/crowded" "$crowd"
bench_own "$work"
echo "== ours in a folder of $crowd other files: one warm-up round and $rounds timed rounds" >&2
crowded=$(WINEPREFIX=$prefix "$bench" run "$build/bin/geotag_track_bench.exe" "$(winpath "$work/track.gpx")" \
  "$(winpath "$work/originals")" "$(winpath "$work/crowded")" "$rounds" | tr -d '\r')

# The floor under both: a bare new file made (and deleted) in each folder.
echo "== a bare new file, 1,000 times, in each folder" >&2
create_empty=$(WINEPREFIX=$prefix "$bench" run "$build/bin/geotag_track_bench.exe" create \
  "$(winpath "$work/ours")" 1000 | tr -d '\r')
create_crowded=$(WINEPREFIX=$prefix "$bench" run "$build/bin/geotag_track_bench.exe" create \
  "$(winpath "$work/crowded")" 1000 | tr -d '\r')

# The floor of the writes: the same photos replaced bare, on as many
# threads as the command writes with.
echo "== the bare crash-safe replacement of the photos: one warm-up round and $rounds timed rounds" >&2
floor=$(WINEPREFIX=$prefix "$bench" run "$build/bin/geotag_track_bench.exe" floor \
  "$(winpath "$work/originals")" "$(winpath "$work/ours")" "$rounds" | tr -d '\r')
floor_crowded=$(WINEPREFIX=$prefix "$bench" run "$build/bin/geotag_track_bench.exe" floor \
  "$(winpath "$work/originals")" "$(winpath "$work/crowded")" "$rounds" | tr -d '\r')

before=
before_crowded=
if [ -n "$baseline" ]; then
  echo "== before ($baseline_name), empty and crowded folder: one warm-up round and $rounds timed rounds" >&2
  before=$(WINEPREFIX=$prefix "$bench" run "$baseline/geotag_track_bench.exe" "$(winpath "$work/track.gpx")" \
    "$(winpath "$work/originals")" "$(winpath "$work/ours")" "$rounds" | tr -d '\r')
  before_crowded=$(WINEPREFIX=$prefix "$bench" run "$baseline/geotag_track_bench.exe" "$(winpath "$work/track.gpx")" \
    "$(winpath "$work/originals")" "$(winpath "$work/crowded")" "$rounds" | tr -d '\r')
fi

echo "== matching alone: one warm-up round and $rounds timed rounds" >&2
matching=$(WINEPREFIX=$prefix "$bench" run "$build/bin/geotag_track_bench.exe" match \
  "$(winpath "$work/originals")" "$rounds" | tr -d '\r')

echo "== ExifTool: $et_rounds rounds" >&2
: >"$work/exiftool-times.txt"
cat "$work/track.gpx" "$work/originals"/*.jpg >/dev/null
for _ in $(seq 1 "$et_rounds"); do
  rm -f "$work/exiftool"/*.jpg
  cp "$work/originals"/*.jpg "$work/exiftool/"
  start=$(date +%s%N)
  exiftool -overwrite_original -geotag "$work/track.gpx" '-Geotime<${DateTimeOriginal}+00:00' \
    "$work/exiftool" >"$work/exiftool-out.txt" 2>&1 || true
  end=$(date +%s%N)
  updated=$(sed -n 's/^ *\([0-9]*\) image files updated.*/\1/p' "$work/exiftool-out.txt")
  echo "$(((end - start) / 1000)) ${updated:-0}" >>"$work/exiftool-times.txt"
done

python3 - "$ours" "$work/exiftool-times.txt" "$bench_arch_name" "$matching" "$crowded" "$crowd" \
  "$before" "$before_crowded" "$baseline_name" "$create_empty" "$create_crowded" "$floor" "$floor_crowded" <<'PY'
import statistics
import sys

fields = sys.argv[1].split()
arch = sys.argv[3]
matching = sys.argv[4].split()
photos, points, written = int(fields[1]), int(fields[2]), int(fields[3])
total, read, load, match, write = (float(x) for x in fields[4:9])
runs = [line.split() for line in open(sys.argv[2])]
et_total = statistics.median(float(r[0]) for r in runs)
et_updated = min(int(r[1]) for r in runs)
ours_ms = total / photos / 1000
et_ms = et_total / photos / 1000
ratio = et_ms / ours_ms
print("geotagging %d photos from a track of %d points, one process each, median per photo" % (photos, points))
print("%-52s %10.3f ms  (%d written)" % ("ours (Wine, %s build): whole command" % arch, ours_ms, written))
print("%-52s %10.3f ms  (%.0f ms for the track)" % ("  read the track", read / photos / 1000, read / 1000))
print("%-52s %10.3f ms" % ("  GeotagPlan Load", load / photos / 1000))
print("%-52s %10.3f ms" % ("  GeotagPlan Match", match / photos / 1000))
print("%-52s %10.3f ms" % ("  GeotagPlan Write", write / photos / 1000))
print("%-52s %10.3f ms  (%d updated; %.1f s a run)" % ("ExifTool -geotag, one process", et_ms, et_updated,
                                                          et_total / 1e6))
print("ExifTool / ours: %.1fx   target >= 30x faster: %s" % (ratio, "met" if ratio >= 30 else "MISSED"))
floor = sys.argv[12].split()
floor_ms = float(floor[3]) / photos / 1000
print("%-52s %10.3f ms  (%s replaced; ours' Write %.2fx)" % ("  the floor of Write: each photo replaced bare", floor_ms,
      floor[2], write / photos / 1000 / floor_ms))
print("%-52s %10.3f ms  (30x ExifTool leaves %.3f ms)" % ("  that floor and reading the track", floor_ms + read / photos / 1000,
      et_ms / 30))
crowded = sys.argv[5].split()
c_ms = float(crowded[4]) / photos / 1000
print("%-52s %10.3f ms  (%d written; %.2fx the empty folder; target within 1.2x: %s)"
      % ("ours in a folder of %s other files" % sys.argv[6], c_ms, int(crowded[3]), c_ms / ours_ms,
         "met" if c_ms <= 1.2 * ours_ms else "MISSED"))
create_empty = float(sys.argv[10].split()[2]) / 1000
create_crowded = float(sys.argv[11].split()[2]) / 1000
extra = create_crowded - create_empty
print("%-52s %10.3f ms  (in the empty folder %.3f ms: %.3f ms more, which Wine spends reading the folder for the new name)"
      % ("  a bare new file in the crowded folder (floor)", create_crowded, create_empty, extra))
floor_c_ms = float(sys.argv[13].split()[3]) / photos / 1000
print("%-52s %10.3f ms  (%.2fx the floor in the empty folder; ours less the floors' difference %.2fx the empty folder)"
      % ("  the floor of Write in the crowded folder", floor_c_ms, floor_c_ms / floor_ms,
         (c_ms - (floor_c_ms - floor_ms)) / ours_ms))
print("%-52s %10.3f ms  (%.2fx the empty folder)" % ("  ours in the crowded folder less that difference", c_ms - extra,
                                                   (c_ms - extra) / ours_ms))
if sys.argv[7]:
    before = sys.argv[7].split()
    b_ms = float(before[4]) / photos / 1000
    b_write = float(before[8]) / photos / 1000
    print("%-52s %10.3f ms  (%d written; Write %.3f ms; ours %.2fx; no slower: %s)"
          % ("before (%s), same photos and prefix" % sys.argv[9], b_ms, int(before[3]), b_write, ours_ms / b_ms,
             "met" if ours_ms <= b_ms else "MISSED"))
    before_crowded = sys.argv[8].split()
    bc_ms = float(before_crowded[4]) / photos / 1000
    print("%-52s %10.3f ms  (%d written; ours %.2fx)" % ("before, in the crowded folder", bc_ms,
                                                          int(before_crowded[3]), c_ms / bc_ms))
m_photos, m_points, m_located = int(matching[1]), int(matching[2]), int(matching[3])
m_ms, m_finish_ms = float(matching[4]) / 1000, float(matching[5]) / 1000
print("matching %d photos against %d points without elevations: %.2f ms (%d located; the track finished, sorted and indexed, in %.0f ms)"
      % (m_photos, m_points, m_ms, m_located, m_finish_ms))
print("matching: target < 100 ms: %s" % ("met" if m_ms < 100 else "MISSED"))
if int(floor[2]) != photos or int(sys.argv[13].split()[2]) != photos:
    print("THE FLOOR DID NOT REPLACE EVERY PHOTO: its figures do not compare like with like")
if written != photos or et_updated != photos:
    print("NOT ALL PHOTOS WERE GEOTAGGED: the figures do not compare like with like")
PY
echo "(load average while running: $(cut -d' ' -f1-3 /proc/loadavg))"
