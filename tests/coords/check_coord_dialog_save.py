#!/usr/bin/env python3
""""Edit location manually" on copies of real photos, read back by ExifTool:
a position typed into the coordinates dialog as a user would (altitude
12.7, heading 400) and saved with "Save!" is what ExifTool reads from every
writable photo (12 m, 40 degrees); the read-only photo stays byte for byte. The raw
samples stay byte for byte too (one read-only, which keeps nothing from
its sidecar), and ExifTool reads the position from their sidecars (new
ones, and a darktable sidecar that is updated): 12 m, 40 degrees.

  check_coord_dialog_save.py <coord_dialog_save_tool.exe> <wine-bench.sh> <photos folder> <raw folder>

Environment: VZ_BENCH_ROOT, VZ_WINE_ARCH (the Wine test bench), VZ_MADE_PHOTOS.
"""
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testlib"))
import exiftool_readback as rb  # noqa: E402

# Both byte orders, with and without a position, with JFIF, IPTC and XMP
# segments around the Exif segment; HEIF photos with and without one.
WRITABLE = [
    "canon_digital-ixus.jpg", "canon_powershot-s40.jpg", "apple_iphone-4s_gps.jpg", "kodak_cx7530_gps-s.jpg",
    "sony_slt-a58.jpg", "google_pixel_gps.jpg", "samsung_sm-g930f_gps.jpg", "canon_eos-600d_lightroom_gps-w.jpg",
    "fujifilm_finepix40i.jpg", "placed.heic", "stripped.heic",
]
READ_ONLY = "nikon_d3100_gps.jpg"
READ_ONLY_RAW = "Nikon.nef"
# The darktable sidecar of the samples, as the sidecar of one raw file.
EXISTING_SIDECARS = {"Panasonic.rw2": "Panasonic.rw2.xmp"}

# What the user types: Sydney, an altitude with a fraction, a heading past
# the full circle.
TYPED = ("-33.856784", "151.215297", "12.7", "400")


def main():
    tool, bench, photos, raw = sys.argv[1:5]
    checks = rb.Checks()
    raws = rb.RAW_SAMPLES
    with rb.PhotoCopies(photos, WRITABLE + [r for r in raws if r != READ_ONLY_RAW], [READ_ONLY, READ_ONLY_RAW], raw,
                        {s: "darktable-bench-3.8.xmp" for s in EXISTING_SIDECARS.values()}) as copies:
        with rb.BenchPrefix(bench, "coord_dialog_exiftool_tests") as prefix:
            result = prefix.run(tool, list(TYPED) + copies.windows_paths())
        checks.check(result.returncode == 0,
                     "coord_dialog_save_tool failed: %s %s" % (result.stdout, result.stderr))
        out = result.stdout.strip()
        checks.check(out == "result 00000000 boxes 0", "Save!: %s" % out)

        checks.check(copies.unchanged(READ_ONLY), "the read-only photo was changed")
        positions = rb.exiftool_positions(copies.paths())
        for name in WRITABLE:
            # Whole metres and whole degrees: exactly 12 and 40.
            rb.check_position(checks, positions, name, -33.856784, 151.215297, 12.0, 40.0)
        rb.check_raw_sidecars(checks, copies, raws, -33.856784, 151.215297, 12.0, 40.0, EXISTING_SIDECARS)
        print("ExifTool read the typed position back from %d photos and %d sidecars" % (len(WRITABLE), len(raws)))
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
