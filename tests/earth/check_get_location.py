#!/usr/bin/env python3
""""Get location from Google Earth" on copies of real photos, read back by
ExifTool: Cancel leaves every file byte for byte; OK writes the view of the
Google Earth stand-in into every writable photo (a heading of -90 degrees
arrives as 270) and leaves the read-only one byte for byte. The raw samples
stay byte for byte, and ExifTool reads the view from their new sidecars.

  check_get_location.py <get_location_tool.exe> <wine-bench.sh> <photos folder> <raw folder>

Environment: VZ_BENCH_ROOT, VZ_WINE_ARCH (the Wine test bench), VZ_MADE_PHOTOS.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testlib"))
import exiftool_readback as rb  # noqa: E402

# Both byte orders, with and without a position, with JFIF, IPTC and XMP
# segments around the Exif segment; HEIF photos with and without one.
WRITABLE = [
    "canon_powershot-s40.jpg", "apple_iphone-4s_gps.jpg", "kodak_cx7530_gps-s.jpg", "sony_slt-a58.jpg",
    "google_pixel_gps.jpg", "samsung_sm-g930f_gps.jpg", "canon_eos-600d_lightroom_gps-w.jpg",
    "fujifilm_finepix40i.jpg", "placed.heic", "stripped.heic",
]
READ_ONLY = "nikon_d3100_gps.jpg"

# Sydney, 58.25 m, camera turned to the west.
VIEW = (-33.856784, 151.215297, 58.25, -90.0)


def run_tool(checks, prefix, tool, answer, copies):
    result = prefix.run(tool, ["%r" % v for v in VIEW] + [answer] + copies.windows_paths())
    checks.check(result.returncode == 0, "get_location_tool failed: %s %s" % (result.stdout, result.stderr))
    return result.stdout.strip()


def main():
    tool, bench, photos, raw = sys.argv[1:5]
    checks = rb.Checks()
    with rb.PhotoCopies(photos, WRITABLE + rb.RAW_SAMPLES, [READ_ONLY], raw) as copies:
        with rb.BenchPrefix(bench, "get_location_exiftool_tests") as prefix:
            out = run_tool(checks, prefix, tool, "cancel", copies)
            checks.check(out == "result 80004005 boxes 1 answered 2 stand-in stopped 1", "Cancel: %s" % out)
            for name in copies.names:
                checks.check(copies.unchanged(name), "Cancel changed %s" % name)
            checks.check(not [n for n in os.listdir(copies.folder) if n.endswith(".xmp")], "Cancel made sidecars")

            out = run_tool(checks, prefix, tool, "ok", copies)
            checks.check(out == "result 00000000 boxes 1 answered 1 stand-in stopped 1", "OK: %s" % out)

        checks.check(copies.unchanged(READ_ONLY), "the read-only photo was changed")
        positions = rb.exiftool_positions(copies.paths())
        lat, lon, alt, _ = VIEW
        for name in WRITABLE:
            # The altitude is stored in centimetres, the heading in whole degrees.
            rb.check_position(checks, positions, name, lat, lon, alt, 270.0, altitude_tolerance=0.006)
        rb.check_raw_sidecars(checks, copies, rb.RAW_SAMPLES, lat, lon, alt, 270.0)
        print("ExifTool read the position back from %d photos and %d sidecars" % (len(WRITABLE),
                                                                                   len(rb.RAW_SAMPLES)))
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
