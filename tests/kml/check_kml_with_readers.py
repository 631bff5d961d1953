#!/usr/bin/env python3
"""The KML file of "Show location in Google Earth", read by readers nobody
here wrote: GDAL's ogrinfo reads the placemarks, ExifTool reads the photos'
positions, and the two must agree.

  check_kml_with_readers.py <kml_export_tool.exe> <wine-bench.sh> <photos folder>

Environment: VZ_BENCH_ROOT, VZ_WINE_ARCH (the Wine test bench).
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testlib"))
from exiftool_readback import windows_path  # noqa: E402

# Sample photos with a GPS position as ExifTool reads it, and two without.
# (hmd_nokia-8.3-5g_gps.jpg stores its coordinates as SRATIONAL, which the
# product does not take as a position.)
LOCATED = [
    "apple_iphone-4s_gps.jpg", "apple_iphone-6_gps-w.jpg", "canon_eos-600d_lightroom_gps-w.jpg",
    "dji-hasselblad_l1d-20c_gps.jpg", "fujifilm_finepix-s1pro_gps-w.jpg", "google-lge_nexus-4_gps-w.jpg",
    "google_pixel_gps.jpg", "kodak_cx7530_gps-s.jpg", "nikon_coolpix-p6000_gps.jpg", "nikon_d3100_gps.jpg",
    "samsung_gt-i9000_gps-zero.jpg", "samsung_sm-g930f_gps.jpg", "sony_dsc-hx5v_gps.jpg",
]
UNLOCATED = ["canon_powershot-s40.jpg", "canon_powershot-sx60hs_gpsversiononly.jpg"]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message)


def exiftool_positions(folder, names):
    """name -> (latitude, longitude, altitude or 0) as ExifTool reads them."""
    out = subprocess.run(
        ["exiftool", "-n", "-q", "-f", "-p", "$FileName|$GPSLatitude|$GPSLongitude|$GPSAltitude"]
        + [os.path.join(folder, n) for n in names],
        check=True, capture_output=True, text=True).stdout
    positions = {}
    for line in out.splitlines():
        name, lat, lon, alt = line.split("|")
        if lat == "-" or lon == "-":
            continue
        positions[name] = (float(lat), float(lon), float(alt) if alt != "-" else 0.0)
    return positions


def ogr_placemarks(kml):
    """[(name, longitude, latitude, altitude)] as GDAL's ogrinfo reads them."""
    out = subprocess.run(["ogrinfo", "-ro", "-al", "-q", kml], check=True, capture_output=True,
                         text=True).stdout
    placemarks = []
    name = None
    for line in out.splitlines():
        m = re.match(r"\s*Name \(String\) = (.*)$", line)
        if m:
            name = m.group(1)
            continue
        m = re.match(r"\s*POINT Z \(([-0-9.e]+) ([-0-9.e]+) ([-0-9.e]+)\)", line)
        if m:
            placemarks.append((name, float(m.group(1)), float(m.group(2)), float(m.group(3))))
            name = None
    return placemarks, out


def export(tool, bench, prefix, kml, photos):
    env = dict(os.environ, WINEPREFIX=prefix)
    result = subprocess.run([bench, "run", tool, windows_path(kml)] + [windows_path(p) for p in photos],
                            env=env, capture_output=True, text=True)
    check(result.returncode == 0, "kml_export_tool failed: %s %s" % (result.stdout, result.stderr))


def compare(kml, expected):
    with open(kml, "rb") as f:
        head = f.read(6)
    check(head == b"\xFF\xFE\x3C\x00\x3F\x00", "%s starts with %s" % (kml, head.hex()))
    placemarks, listing = ogr_placemarks(kml)
    check(len(placemarks) == len(expected),
          "ogrinfo found %d placemarks, ExifTool %d located photos\n%s" % (len(placemarks), len(expected), listing))
    by_name = {name: (lon, lat, alt) for name, lon, lat, alt in placemarks}
    for photo, (lat, lon, alt) in expected.items():
        got = by_name.get("Image - " + photo)
        check(got is not None, "no placemark named 'Image - %s'" % photo)
        if got is None:
            continue
        # Six decimals in the file; the altitude rounded to whole metres.
        check(abs(got[0] - lon) <= 5.1e-7, "%s: longitude %r, ExifTool %r" % (photo, got[0], lon))
        check(abs(got[1] - lat) <= 5.1e-7, "%s: latitude %r, ExifTool %r" % (photo, got[1], lat))
        check(abs(got[2] - alt) <= 0.5 + 1e-9, "%s: altitude %r, ExifTool %r" % (photo, got[2], alt))
    return placemarks


def main():
    tool, bench, photos = sys.argv[1:4]
    root = os.environ["VZ_BENCH_ROOT"]
    prefix = os.path.join(root, "prefix-kml_reader_tests")
    work = tempfile.mkdtemp(prefix="vz-kml-readers-")
    try:
        os.chmod(work, 0o755)
        names = LOCATED + UNLOCATED
        for name in names:
            shutil.copy(os.path.join(photos, name), work)
        if os.getuid() == 0:
            subprocess.run(["chown", "-R", "nobody:nogroup", work], check=True)
        positions = exiftool_positions(work, names)
        check(sorted(positions) == sorted(LOCATED),
              "ExifTool finds positions in %s" % sorted(positions))

        subprocess.run([bench, "prefix-up", prefix], check=True)
        try:
            # All photos: a folder of placemarks.
            many = os.path.join(work, "many.kml")
            export(tool, bench, prefix, many, [os.path.join(work, n) for n in names])
            placemarks = compare(many, positions)
            print("ogrinfo read %d placemarks from %d photos" % (len(placemarks), len(names)))
            # One photo: its placemark right below the root.
            one = os.path.join(work, "one.kml")
            export(tool, bench, prefix, one, [os.path.join(work, LOCATED[0])])
            compare(one, {LOCATED[0]: positions[LOCATED[0]]})
        finally:
            subprocess.run([bench, "prefix-down", prefix])
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
