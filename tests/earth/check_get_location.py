#!/usr/bin/env python3
""""Get location from Google Earth" on copies of real photos, read back by
ExifTool: Cancel leaves every file byte for byte; OK writes the view of the
Google Earth stand-in into every writable photo (a heading of -90 degrees
arrives as 270) and leaves the read-only one byte for byte.

  check_get_location.py <get_location_tool.exe> <wine-bench.sh> <photos folder>

Environment: VZ_BENCH_ROOT, VZ_WINE_ARCH (the Wine test bench).
"""
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile

# Both byte orders, with and without a position, with JFIF, IPTC and XMP
# segments around the Exif segment.
WRITABLE = [
    "canon_powershot-s40.jpg", "apple_iphone-4s_gps.jpg", "kodak_cx7530_gps-s.jpg", "sony_slt-a58.jpg",
    "google_pixel_gps.jpg", "samsung_sm-g930f_gps.jpg", "canon_eos-600d_lightroom_gps-w.jpg",
    "fujifilm_finepix40i.jpg",
]
READ_ONLY = "nikon_d3100_gps.jpg"

# Sydney, 58.25 m, camera turned to the west.
VIEW = (-33.856784, 151.215297, 58.25, -90.0)

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message)


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def run_tool(tool, bench, prefix, answer, photos):
    env = dict(os.environ, WINEPREFIX=prefix)
    args = [bench, "run", tool] + ["%r" % v for v in VIEW] + [answer] + [windows_path(p) for p in photos]
    result = subprocess.run(args, env=env, capture_output=True, text=True, timeout=240)
    check(result.returncode == 0, "get_location_tool failed: %s %s" % (result.stdout, result.stderr))
    return result.stdout.strip()


def exiftool_positions(paths):
    """name -> (latitude, longitude, altitude, direction, error) as ExifTool reads them."""
    out = subprocess.run(
        ["exiftool", "-n", "-q", "-f", "-p",
         "$FileName|$GPSLatitude|$GPSLongitude|$GPSAltitude|$GPSAltitudeRef|$GPSImgDirection|$Error"] + paths,
        check=True, capture_output=True, text=True).stdout
    positions = {}
    for line in out.splitlines():
        name, lat, lon, alt, alt_ref, direction, error = line.split("|")
        positions[name] = (lat, lon, alt, alt_ref, direction, error)
    return positions


def main():
    tool, bench, photos = sys.argv[1:4]
    root = os.environ["VZ_BENCH_ROOT"]
    prefix = os.path.join(root, "prefix-get_location_exiftool_tests")
    work = tempfile.mkdtemp(prefix="vz-get-location-")
    try:
        os.chmod(work, 0o755)
        names = WRITABLE + [READ_ONLY]
        paths = [os.path.join(work, n) for n in names]
        for name in names:
            shutil.copy(os.path.join(photos, name), work)
            os.chmod(os.path.join(work, name), 0o644)  # the originals are read-only
        if os.getuid() == 0:
            subprocess.run(["chown", "-R", "nobody:nogroup", work], check=True)
        os.chmod(os.path.join(work, READ_ONLY), 0o444)
        originals = {p: digest(p) for p in paths}

        subprocess.run([bench, "prefix-up", prefix], check=True)
        try:
            out = run_tool(tool, bench, prefix, "cancel", paths)
            check(out == "result 80004005 boxes 1 answered 2 stand-in stopped 1", "Cancel: %s" % out)
            for p in paths:
                check(digest(p) == originals[p], "Cancel changed %s" % os.path.basename(p))

            out = run_tool(tool, bench, prefix, "ok", paths)
            check(out == "result 00000000 boxes 1 answered 1 stand-in stopped 1", "OK: %s" % out)
        finally:
            subprocess.run([bench, "prefix-down", prefix])

        ro = os.path.join(work, READ_ONLY)
        check(digest(ro) == originals[ro], "the read-only photo was changed")
        positions = exiftool_positions(paths)
        lat, lon, alt, heading = VIEW
        for name in WRITABLE:
            got = positions.get(name)
            check(got is not None, "ExifTool did not list %s" % name)
            if got is None:
                continue
            g_lat, g_lon, g_alt, g_ref, g_dir, g_error = got
            check(g_error == "-", "%s: ExifTool reports %s" % (name, g_error))
            try:
                # Seconds are stored in hundredths, the altitude in centimetres,
                # the heading in whole degrees.
                check(abs(float(g_lat) - lat) <= 3e-6, "%s: latitude %s" % (name, g_lat))
                check(abs(float(g_lon) - lon) <= 3e-6, "%s: longitude %s" % (name, g_lon))
                check(abs(float(g_alt) - alt) <= 0.006, "%s: altitude %s" % (name, g_alt))
                check(g_ref == "0", "%s: altitude reference %s" % (name, g_ref))
                check(float(g_dir) == 270.0, "%s: direction %s" % (name, g_dir))
            except ValueError:
                check(False, "%s: ExifTool read %s" % (name, "|".join(got)))
        print("ExifTool read the position back from %d photos" % len(WRITABLE))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d checks failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
