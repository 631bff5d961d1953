#!/usr/bin/env python3
"""HEIF photos through the photo engine under Wine, judged by peers nobody
here wrote. On copies of the HEIF samples, the photo tool reads the position
(ExifTool's, or none) and stores one, twice (the second write the same).
Then ExifTool reads the position written, and every other tag it reads
(-a -G1) keeps its value (but the GPS group and the tags that are layout:
offsets, media data boxes, file dates); heif-info lists the same items; and
heif-convert decodes the primary image and every thumbnail to the same
pixels (a thumbnail from a copy whose pitm names it); an image sequence's
chunks and a motion photo's video box at the end keep their bytes.

usage: check_heif_writes.py ORIGINALS WORK LATITUDE LONGITUDE ALTITUDE TOOL.exe WINE-BENCH
"""
import json
import os
import re
import shutil
import subprocess
import sys

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from heif_with_movie import kept  # noqa: E402

ORIGINALS, WORK = sys.argv[1:3]
POSITION = [float(v) for v in sys.argv[3:6]]
TOOL, BENCH = sys.argv[6:8]
LAYOUT_TAGS = {"System:Directory", "System:FileSize", "System:FileModifyDate", "System:FileAccessDate",
               "System:FileInodeChangeDate", "System:FilePermissions", "QuickTime:MediaDataSize",
               "QuickTime:MediaDataOffset", "IFD1:ThumbnailOffset", "File:ExifByteOrder"}
EXIF_IN_IDAT = "idat.heic"
failures = []


def run(*command):
    return subprocess.run(command, capture_output=True, check=True, text=True).stdout


def exiftool(path, *options):
    if os.path.basename(path) == EXIF_IN_IDAT:
        # ExifTool 12.57 reads no Exif item in idat: it reads the Exif that
        # libheif carries over into a JPEG of the image instead.
        path = convert(path, os.path.join(WORK, "exif-view.jpg"))
    return json.loads(run("exiftool", "-j", "-a", "-G1", *options, path))[0]


def convert(path, out):
    run("heif-convert", "--quiet", path, out)
    return out


def kept_tags(path):
    return {k: v for k, v in exiftool(path).items()
            if k.split(":")[0] not in ("GPS", "Composite", "SourceFile") and k not in LAYOUT_TAGS}


def items(path):
    """heif-info's listing; the Exif size aside, and an added Exif item as the none before it."""
    return re.sub(r"metadata:\n  (none|Exif: \d+ bytes)", "metadata: Exif", run("heif-info", path))


def pixels(path, item=None):
    if item:  # a copy whose pitm (version 0) names the item
        data = bytearray(open(path, "rb").read())
        at = data.index(b"pitm")
        data[at + 8:at + 10] = int(item).to_bytes(2, "big")
        path = os.path.join(WORK, "primary.heic")
        open(path, "wb").write(data)
    with Image.open(convert(path, os.path.join(WORK, "decoded.png"))) as image:
        return image.size, image.tobytes()


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_under_wine(names):
    commands = []
    for name in names:
        shutil.copy(os.path.join(ORIGINALS, name), WORK)
        commands += ["read\t" + winpath(os.path.join(WORK, name)),
                     "store\t%s\t%r\t%r\t%r\t0" % (winpath(os.path.join(WORK, name)), *POSITION)]
    listing = os.path.join(WORK, "commands.txt")
    open(listing, "w").write("\n".join(commands) + "\n")
    if os.getuid() == 0:  # as root the bench runs Wine as nobody
        subprocess.run(["chown", "-R", "nobody:nogroup", WORK], check=True)
    subprocess.run(["bash", BENCH, "run", TOOL, winpath(listing), winpath(listing + ".jsonl")], check=True)
    results = [json.loads(line) for line in open(listing + ".jsonl")]
    for name, read, store in zip(names, results[0::2], results[1::2]):
        expected = exiftool(os.path.join(ORIGINALS, name), "-n").get("Composite:GPSLatitude")
        if not read["heif"] or (expected is None) != (read["hr"] != 0) or \
                (expected is not None and abs(read["lat"] - expected) > 1e-6):
            failures.append("%s: the engine reads %s, ExifTool %s" % (name, read, expected))
        if store["write"] != 0 or store["write2"] != 0 or not store["same"]:
            failures.append("%s: writing gives %s" % (name, store))


def check(name):
    old, new = os.path.join(ORIGINALS, name), os.path.join(WORK, name)
    tags = exiftool(new, "-n")
    read = [tags.get("Composite:GPSLatitude"), tags.get("Composite:GPSLongitude"), tags.get("GPS:GPSAltitude")]
    if any(r is None or abs(r - w) > 1e-6 for r, w in zip(read, POSITION)):
        failures.append("%s: ExifTool reads %s, written %s" % (name, read, POSITION))
    before, after = kept_tags(old), kept_tags(new)
    for tag in sorted(set(before) | set(after)):
        if before.get(tag) != after.get(tag):
            failures.append("%s: %s was %s, is %s" % (name, tag, before.get(tag), after.get(tag)))
    if kept(open(old, "rb").read()) != kept(open(new, "rb").read()):
        failures.append("%s: a chunk or the video box at the end lost its bytes" % name)
    if items(old) != items(new):
        failures.append("%s: heif-info lists other items" % name)
    thumbnails = re.findall(r"reference with type 'thmb' from ID: (\d+)", run("heif-info", "-d", old))
    for item in [None] + thumbnails:
        if pixels(old, item) != pixels(new, item):
            failures.append("%s: %s decodes to other pixels" % (name, "thumbnail " + item if item else "primary"))
    return len(thumbnails)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    names = sorted(n for n in os.listdir(ORIGINALS) if n.endswith(".heic"))
    write_under_wine(names)
    thumbnails = sum(check(n) for n in names)
    print("%d HEIF files, %d thumbnails checked" % (len(names), thumbnails))
    for f in failures:
        print("FAIL", f)
    samples = {EXIF_IN_IDAT, "sequence.heic", "motion.heic"}
    return 1 if failures or not samples <= set(names) or not thumbnails else 0


if __name__ == "__main__":
    sys.exit(main())
