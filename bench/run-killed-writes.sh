#!/usr/bin/env bash
# Photos whose writer is killed (SIGKILL) at random moments of the write, more
# trials and a larger photo than the test suite's exif_killed_writes: for a
# growing, a shrinking, an inserted and a same-size Exif segment, a HEIF
# photo's Exif item that moves and a raw file's 3 MB XMP sidecar that gets a
# position (its raw file checked unchanged), how many photos (sidecars) were
# afterwards the old one,
# the new one, missing, damaged or had files left beside them (and the share
# of kills that left nothing: the target is at least 95%), and how many the
# next write in their folder left as the old or new photo alone. Any damaged
# or missing photo is a failure, and so is a share of clean kills under 95%.
# Environment: VZ_KILL_TRIALS (trials of each kind, default 100),
# VZ_KILL_MEGAPIXELS (size of the photo, default 24: about 20 MB),
# VZ_KILL_SEED (a seed to repeat a run), VZ_KILL_BENCH_WINE (folder for the
# Wine prefix).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

. "$top/bench/bench-build.sh"
bench_build exif_photo_tool
bench_workspace kill "${VZ_KILL_BENCH_WINE:-}"

"$bench" template
"$bench" prefix-up "$prefix"
WINEPREFIX=$prefix /usr/bin/python3 "$top/tests/exif/check_killed_writes.py" "$build/bin/exif_photo_tool.exe" \
  "$bench" "$work/kill" "${VZ_KILL_TRIALS:-100}" "${VZ_KILL_MEGAPIXELS:-24}"
