#!/usr/bin/env python3
"""A photo that takes the position of the nearest track point gets an
altitude from the track even when that very point has none, as ExifTool
gives it: the elevation of the next point with one, looking into the track
(before the first point: forwards; after the last: backwards; across a long
gap: on the side where one lies within 30 minutes of the nearest point).

  check_nearest_altitude.py <geotag_driver.exe> <wine-bench.sh> <photos folder>

Three copies of one photo, each with its own DateTimeOriginal (UTC), and one
hand-made track around them:
  before.jpg   300 s before the first point, which has no elevation; the
               second, 600 s later, is at 50 m;
  gap.jpg      300 s after a point without elevation that ends a segment
               (the next point is 5,000 s later, at 999 m, out of reach);
               the point before it, 600 s earlier, is at 10 m;
  after.jpg    300 s after the last point, which has no elevation; the one
               600 s before it is at 200 m.
ExifTool must write 50, 10 and 200 m (this pins down how it is used), and
the product must write the same.
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testlib"))
import exiftool_readback as rb  # noqa: E402
from check_geotag_exiftool import digest, own, readback  # noqa: E402

SOURCE = "canon_powershot-s40.jpg"
# name -> (DateTimeOriginal, taken as UTC; the altitude expected)
PHOTOS = {
    "before.jpg": ("2003:12:14 08:55:00", 50.0),
    "gap.jpg": ("2003:12:14 10:15:00", 10.0),
    "after.jpg": ("2003:12:14 13:25:00", 200.0),
}
TRACK = """<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="geotag oracle" xmlns="http://www.topografix.com/GPX/1/1">
<trk><trkseg>
 <trkpt lat="46.1" lon="7.1"><time>2003-12-14T09:00:00Z</time></trkpt>
 <trkpt lat="46.2" lon="7.2"><ele>50</ele><time>2003-12-14T09:10:00Z</time></trkpt>
</trkseg><trkseg>
 <trkpt lat="46.3" lon="7.3"><ele>10</ele><time>2003-12-14T10:00:00Z</time></trkpt>
 <trkpt lat="46.4" lon="7.4"><time>2003-12-14T10:10:00Z</time></trkpt>
</trkseg><trkseg>
 <trkpt lat="46.5" lon="7.5"><ele>999</ele><time>2003-12-14T11:33:20Z</time></trkpt>
</trkseg><trkseg>
 <trkpt lat="46.6" lon="7.6"><ele>200</ele><time>2003-12-14T13:00:00Z</time></trkpt>
 <trkpt lat="46.7" lon="7.7"><time>2003-12-14T13:10:00Z</time></trkpt>
 <trkpt lat="46.8" lon="7.8"><time>2003-12-14T13:20:00Z</time></trkpt>
</trkseg></trk>
</gpx>
"""


def main():
    driver, bench, photos = sys.argv[1:4]
    checks = rb.Checks()
    work = tempfile.mkdtemp(prefix="vz-geotag-altitude-")
    os.chmod(work, 0o755)
    try:
        ours, theirs = os.path.join(work, "ours"), os.path.join(work, "exiftool")
        os.mkdir(ours)
        os.mkdir(theirs)
        for name, (when, _) in PHOTOS.items():
            path = os.path.join(ours, name)
            shutil.copyfile(os.path.join(photos, SOURCE), path)
            os.chmod(path, 0o644)
            subprocess.run(["exiftool", "-q", "-overwrite_original", "-ExifIFD:DateTimeOriginal=" + when,
                            "-ExifIFD:OffsetTimeOriginal=+00:00", path], check=True)
            shutil.copyfile(path, os.path.join(theirs, name))
        before = {n: digest(os.path.join(ours, n)) for n in PHOTOS}
        track = os.path.join(work, "track.gpx")
        with open(track, "w") as f:
            f.write(TRACK)
        own(work)

        for name, (when, _) in PHOTOS.items():
            subprocess.run(["exiftool", "-q", "-q", "-overwrite_original", "-geotag", track,
                            "-Geotime=" + when + "+00:00", os.path.join(theirs, name)], check=True)
        with rb.BenchPrefix(bench, "geotag_nearest_altitude_tests") as prefix:
            result = prefix.run(driver, ["tag", rb.windows_path(track), "0", "0"] +
                                [rb.windows_path(os.path.join(ours, n)) for n in PHOTOS])
        checks.check(result.returncode == 0, "the driver failed: %s %s" % (result.stdout, result.stderr))
        print(result.stdout.strip())

        et = readback([os.path.join(theirs, n) for n in PHOTOS])
        pr = readback([os.path.join(ours, n) for n in PHOTOS])
        for name, (_, altitude) in PHOTOS.items():
            e, p = et.get(name), pr.get(name)
            checks.check(e is not None and e[2] == altitude, "%s: ExifTool wrote %r, not altitude %g" %
                         (name, e, altitude))
            checks.check(p is not None and p[2] is not None and abs(p[2] - altitude) <= 0.1,
                         "%s: the product wrote altitude %r, ExifTool %g" % (name, p and p[2], altitude))
            checks.check(p is not None and e is not None and abs(p[0] - e[0]) < 1e-5 and abs(p[1] - e[1]) < 1e-5,
                         "%s: the product wrote %r, ExifTool %r" % (name, p, e))
        checks.check(all(digest(os.path.join(ours, n)) != before[n] for n in PHOTOS),
                     "the product left a photo as it was")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
