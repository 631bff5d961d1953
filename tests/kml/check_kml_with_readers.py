#!/usr/bin/env python3
"""The KML file of "Show location in Google Earth", read by readers nobody
here wrote: GDAL's ogrinfo reads the placemarks, ExifTool reads the photos'
positions, and the two must agree. Raw files among them are placed where
ExifTool reads their sidecars' positions; the one whose raw file embeds a
JPEG preview has it beside the KML file, the very bytes ExifTool extracts as
PreviewImage, and its balloon shows it; the raw files stay byte for byte.

  check_kml_with_readers.py <kml_export_tool.exe> <wine-bench.sh> <photos folder> <raw folder>

Environment: VZ_BENCH_ROOT, VZ_WINE_ARCH (the Wine test bench).
"""
import hashlib
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
# Raw samples given sidecars by ExifTool (latitude, longitude, altitude), and
# one without; only the RAF file embeds a JPEG preview.
RAW_SIDECARS = {"DNG.dng": (-12.5, 33.25, 100), "FujiFilm.raf": (45.5, -73.25, 12), "Nikon.nef": (1.5, 2.5, 0)}
RAW_UNLOCATED = ["CanonRaw.cr2"]
RAW_WITH_PREVIEW = "FujiFilm.raf"

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


def add_raw_files(raw, work):
    """Copies of the raw samples, with sidecars written by ExifTool; their
    names and the sidecars' positions as ExifTool reads them."""
    names = list(RAW_SIDECARS) + RAW_UNLOCATED
    for name in names:
        shutil.copy(os.path.join(raw, name), work)
        os.chmod(os.path.join(work, name), 0o644)
    for name, (lat, lon, alt) in RAW_SIDECARS.items():
        subprocess.run(["exiftool", "-q", "-o", os.path.splitext(name)[0] + ".xmp", "-XMP-exif:GPSLatitude=%r" % lat,
                        "-XMP-exif:GPSLongitude=%r" % lon, "-XMP-exif:GPSAltitude=%r" % alt,
                        "-XMP-exif:GPSAltitudeRef=0", name], cwd=work, check=True)
    sidecars = exiftool_positions(work, [os.path.splitext(n)[0] + ".xmp" for n in RAW_SIDECARS])
    return names, {n: sidecars.get(os.path.splitext(n)[0] + ".xmp") for n in RAW_SIDECARS}


def check_previews(work, kml, names, digests):
    """The raw file with a JPEG preview has it beside the KML file, named by
    its place in the selection, shown in its balloon; the others have none;
    no raw file changed."""
    with open(kml, "rb") as f:
        text = f.read().decode("utf-16")
    base = os.path.splitext(kml)[0]
    for index, name in enumerate(names):
        if name not in digests:
            continue
        with open(os.path.join(work, name), "rb") as f:
            check(hashlib.sha256(f.read()).hexdigest() == digests[name], "the raw file %s changed" % name)
        preview = "%s-%d.jpg" % (base, index)
        if name != RAW_WITH_PREVIEW:
            check(not os.path.exists(preview), "%s: a preview %s" % (name, preview))
            continue
        jpeg = subprocess.run(["exiftool", "-b", "-PreviewImage", os.path.join(work, name)], capture_output=True,
                              check=True).stdout
        with open(preview, "rb") as f:
            check(len(jpeg) > 1000 and f.read() == jpeg, "%s: the preview beside the KML file is not the raw "
                  "file's PreviewImage" % name)
        check("src=&quot;%s&quot;" % windows_path(preview) in text, "%s: the balloon does not show %s" %
              (name, windows_path(preview)))


def main():
    tool, bench, photos, raw = sys.argv[1:5]
    root = os.environ["VZ_BENCH_ROOT"]
    prefix = os.path.join(root, "prefix-kml_reader_tests")
    work = tempfile.mkdtemp(prefix="vz-kml-readers-")
    try:
        os.chmod(work, 0o755)
        names = LOCATED + UNLOCATED
        for name in names:
            shutil.copy(os.path.join(photos, name), work)
        raw_names, raw_positions = add_raw_files(raw, work)
        digests = {}
        for name in raw_names:
            with open(os.path.join(work, name), "rb") as f:
                digests[name] = hashlib.sha256(f.read()).hexdigest()
        if os.getuid() == 0:
            subprocess.run(["chown", "-R", "nobody:nogroup", work], check=True)
        positions = exiftool_positions(work, names)
        check(sorted(positions) == sorted(LOCATED),
              "ExifTool finds positions in %s" % sorted(positions))

        subprocess.run([bench, "prefix-up", prefix], check=True)
        try:
            # All photos: a folder of placemarks.
            many = os.path.join(work, "many.kml")
            export(tool, bench, prefix, many, [os.path.join(work, n) for n in names + raw_names])
            placemarks = compare(many, dict(positions, **raw_positions))
            check_previews(work, many, names + raw_names, digests)
            print("ogrinfo read %d placemarks from %d photos and raw files" % (len(placemarks),
                                                                              len(names + raw_names)))
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
