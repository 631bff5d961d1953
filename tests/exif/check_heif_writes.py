#!/usr/bin/env python3
"""HEIF photos written by the photo engine, checked by peers nobody here wrote.

For every written HEIF file beside its original: ExifTool reads the position
that was written; every other tag ExifTool reads (-a -G1) keeps its value
(the GPS group and the tags that are themselves layout: offsets, media data
boxes, file dates); heif-info lists the same items (only the Exif size may
change); heif-convert decodes the primary image and every thumbnail to the
same pixels (a thumbnail is decoded from a copy whose pitm names it).

With the photo tool and the Wine bench, the files are written under Wine
first: copies of the originals, each read (the position ExifTool reads, or
none), given the position and written twice (the second write the same).

usage: check_heif_writes.py ORIGINALS WRITTEN LATITUDE LONGITUDE ALTITUDE [TOOL.exe WINE-BENCH]
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

ORIGINALS, WRITTEN = sys.argv[1:3]
POSITION = [float(v) for v in sys.argv[3:6]]
TOOL, BENCH = (sys.argv[6:8] + [None, None])[:2]
LAYOUT_TAGS = {"System:Directory", "System:FileSize", "System:FileModifyDate", "System:FileAccessDate",
               "System:FileInodeChangeDate", "System:FilePermissions", "QuickTime:MediaDataSize",
               "QuickTime:MediaDataOffset", "IFD1:ThumbnailOffset", "File:ExifByteOrder"}
failures = []


def exiftool(path, *options):
    out = subprocess.run(["exiftool", "-j", "-a", "-G1", *options, path], capture_output=True, check=True, text=True)
    return json.loads(out.stdout)[0]


def kept_tags(path):
    tags = exiftool(path)
    return sorted((k, json.dumps(v)) for k, v in tags.items()
                  if k.split(":")[0] not in ("GPS", "Composite", "SourceFile") and k not in LAYOUT_TAGS)


def items(path):
    info = subprocess.run(["heif-info", path], capture_output=True, check=True, text=True).stdout
    return re.sub(r"Exif: \d+ bytes", "Exif", info)


def thumbnail_ids(path):
    dump = subprocess.run(["heif-info", "-d", path], capture_output=True, check=True, text=True).stdout
    return re.findall(r"reference with type 'thmb' from ID: (\d+)", dump)


def with_primary(path, item, folder):
    """A copy whose pitm (version 0) names item."""
    data = bytearray(open(path, "rb").read())
    at = data.index(b"pitm")
    data[at + 8:at + 10] = int(item).to_bytes(2, "big")
    copy = os.path.join(folder, "primary-%s.heic" % item)
    open(copy, "wb").write(data)
    return copy


def pixels(path, folder):
    png = os.path.join(folder, "decoded.png")
    subprocess.run(["heif-convert", "--quiet", path, png], capture_output=True, check=True)
    with Image.open(png) as image:
        return image.size, image.tobytes()


def check(name):
    old, new = os.path.join(ORIGINALS, name), os.path.join(WRITTEN, name)
    tags = exiftool(new, "-n")
    read = [tags.get("Composite:GPSLatitude"), tags.get("Composite:GPSLongitude"), tags.get("GPS:GPSAltitude")]
    if any(r is None or abs(r - w) > 1e-6 for r, w in zip(read, POSITION)):
        failures.append("%s: ExifTool reads %s, written %s" % (name, read, POSITION))
    before, after = dict(kept_tags(old)), dict(kept_tags(new))
    for tag in sorted(set(before) | set(after)):
        if before.get(tag) != after.get(tag):
            failures.append("%s: %s was %s, is %s" % (name, tag, before.get(tag), after.get(tag)))
    # A photo without Exif lists the Exif item that was added.
    expected = items(old) if "Exif" in items(old) else items(old).replace("metadata:\n  none", "metadata:\n  Exif")
    if items(new) != expected:
        failures.append("%s: heif-info lists other items" % name)
    with tempfile.TemporaryDirectory() as folder:
        ids = thumbnail_ids(old)
        if ids != thumbnail_ids(new):
            failures.append("%s: other thumbnails" % name)
        for item in [None] + ids:
            a = pixels(old if item is None else with_primary(old, item, folder), folder)
            b = pixels(new if item is None else with_primary(new, item, folder), folder)
            if a != b:
                failures.append("%s: %s decodes to other pixels" % (name, "thumbnail " + item if item else "primary"))
    return len(ids)


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_under_wine(names):
    """Reads and stores through the photo tool under Wine, on copies."""
    shutil.rmtree(WRITTEN, ignore_errors=True)
    os.makedirs(WRITTEN)
    commands = []
    for name in names:
        shutil.copy(os.path.join(ORIGINALS, name), WRITTEN)
        path = winpath(os.path.join(WRITTEN, name))
        commands += ["read\t" + path, "store\t%s\t%r\t%r\t%r\t0" % (path, *POSITION)]
    listing = os.path.join(WRITTEN, "commands.txt")
    open(listing, "w").write("\n".join(commands) + "\n")
    if os.getuid() == 0:  # as root the bench runs Wine as nobody
        subprocess.run(["chown", "-R", "nobody:nogroup", WRITTEN], check=True)
    subprocess.run(["bash", BENCH, "run", TOOL, winpath(listing), winpath(listing + ".jsonl")], check=True)
    results = [json.loads(line) for line in open(listing + ".jsonl")]
    for name, read, store in zip(names, results[0::2], results[1::2]):
        tags = exiftool(os.path.join(ORIGINALS, name), "-n")
        expected = tags.get("Composite:GPSLatitude")
        if not read["heif"] or (expected is None) != (read["hr"] != 0) or \
                (expected is not None and abs(read["lat"] - expected) > 1e-6):
            failures.append("%s: the engine reads %s, ExifTool %s" % (name, read, expected))
        if store["write"] != 0 or store["write2"] != 0 or not store["same"]:
            failures.append("%s: writing gives %s" % (name, store))
    os.remove(listing)
    os.remove(listing + ".jsonl")


def main():
    if TOOL:
        write_under_wine(sorted(n for n in os.listdir(ORIGINALS) if n.endswith(".heic")))
    names = sorted(n for n in os.listdir(WRITTEN) if n.endswith(".heic"))
    thumbnails = sum(check(n) for n in names)
    print("%d HEIF files, %d thumbnails checked" % (len(names), thumbnails))
    for f in failures:
        print("FAIL", f)
    return 1 if failures or not names or not thumbnails else 0


if __name__ == "__main__":
    sys.exit(main())
