#!/usr/bin/env python3
"""Real photos through the photo engine, checked by ExifTool.

On copies of every sample photo, the Windows program photo_tool (under Wine)
reads the position, stores one and removes it. ExifTool, a reader nobody here
wrote, then checks: the position read agrees with ExifTool's; the stored
position reads back; every tag outside the GPS group (and outside the maker
notes) keeps its value; the thumbnail and every byte after the Exif segment
are unchanged; a removed position is gone; writing twice gives the same file.
The maker notes, too, read the same: every MakerNotes tag keeps its value
(tags that are themselves offsets compare by the bytes they name, every copy
of them), and no ExifTool warning appears that the original did not have.

ExifTool's own write of a position into a copy is the measure of "the same":
a value or warning that its write changes too is listed, not failed. A photo
the engine refuses to write must be left byte for byte as it was, and is
failed unless ExifTool's write changed something too. The report counts, per
folder, the photos written clean, refused, and damaged (any failure).

usage: check_real_photos.py TOOL.exe WINE-BENCH PHOTOS WORK REPORT [PHOTOS...]
"""
import json
import math
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testlib"))
import exiftool_readback as readback  # noqa: E402

TOOL, BENCH, PHOTOS, WORK, REPORT = sys.argv[1:6]
FOLDERS = [PHOTOS] + sys.argv[6:]

# Positions stored: degrees, degrees, metres, degrees. They cover both
# hemispheres, sixty-second roundings, the poles' neighbourhood, altitudes
# below sea level and headings that round up.
POSITIONS = [
    (48.8582, 2.2945, 35.5, 90.0),
    (-33.8568, -151.2153, -12.345, 359.7),
    (10.9999999, -0.0001, 0.0, 0.4),
    (89.99999, 179.99999, 8848.86, 180.5),
]

# Tags that hold offsets into the Exif data: their values change with the
# layout by nature.
OFFSET_TAGS = {"ExifOffset", "GPSInfo", "InteropOffset", "ThumbnailOffset", "StripOffsets"}

# MakerNotes tags that are positions in the file: compared by the bytes they
# name (ExifTool -b of the tag given), not by their numbers.
MAKER_OFFSET_TAGS = {"PreviewImageStart": "PreviewImage", "ThumbnailOffset": "ThumbnailImage",
                     "ThumbnailImageStart": "ThumbnailImage", "JpgFromRawStart": "JpgFromRaw"}

# Maker values whose offsets, already in the original, point past the end of
# the MakerNote (the camera's own count or base is off): the bytes they name
# are not the note's, so no move of the note can keep them. They are left as
# found and listed in the report instead of failing.
BEYOND_NOTE = {
    "konicaminolta_dimage-z3.jpg": {"MakerNotes:Minolta:FlashExposureComp"},
    "nikon_coolpix-p6000_gps.jpg": {"MakerNotes:Nikon:NEFBitDepth"},
}

# The tags that removing a position takes away.
REMOVED_TAGS = {"GPSVersionID", "GPSLatitudeRef", "GPSLatitude", "GPSLongitudeRef", "GPSLongitude",
                "GPSAltitudeRef", "GPSAltitude", "GPSTrackRef", "GPSTrack", "GPSImgDirectionRef",
                "GPSImgDirection"}

failures = []
beyond_note = []
refused = set()
changed_by_exiftool = []
trailers = []
damaged = set()


def fail(name, message):
    failures.append(f"{name}: {message}")
    damaged.add(name)


def windows_path(path):
    return readback.windows_path(os.path.abspath(path))


def exiftool_json(paths):
    out = subprocess.run(["exiftool", "-j", "-n", "-a", "-G0:1"] + paths,
                         check=False, capture_output=True).stdout
    return {os.path.basename(d["SourceFile"]): d for d in json.loads(out or b"[]")}


def exiftool_binary(path, tag, every_copy=False):
    """The bytes of a binary tag; with every_copy, of each tag of that name,
    one after the other."""
    every = ["-a"] if every_copy else []
    return subprocess.run(["exiftool", "-b"] + every + ["-" + tag, path], capture_output=True).stdout


def exif_segment(data):
    """(offset, size) of the last valid Exif APP1 segment before the frame
    header, (2, 0) when none: an independent walk over the markers."""
    found = (2, 0)
    pos = 2
    while pos + 4 <= len(data):
        i = pos
        while i + 1 < len(data) and not (data[i] == 0xFF and data[i + 1] != 0xFF):
            i += 1
        if i + 4 > len(data):
            break
        code = data[i + 1]
        length = data[i + 2] << 8 | data[i + 3]
        if code in (0xC0, 0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF, 0xDA):
            break
        if code == 0xE1 and data[i + 4:i + 10] == b"Exif\0\0":
            found = (i, length + 2)
        pos = i + 2 + length
    return found


def signed_position(tags):
    """ExifTool's latitude and longitude (signed), or None."""
    try:
        lat = float(tags["EXIF:GPS:GPSLatitude"])
        lon = float(tags["EXIF:GPS:GPSLongitude"])
        lat_ref = str(tags["EXIF:GPS:GPSLatitudeRef"])
        lon_ref = str(tags["EXIF:GPS:GPSLongitudeRef"])
    except (KeyError, ValueError):
        return None
    return (-lat if lat_ref.startswith("S") else lat, -lon if lon_ref.startswith("W") else lon)


def outside_gps(tags):
    kept = {}
    for key, value in tags.items():
        parts = key.split(":")
        if parts[0] in ("SourceFile", "File", "ExifTool", "Composite", "MakerNotes"):
            continue
        if key.startswith("EXIF:GPS:") or parts[-1] in OFFSET_TAGS:
            continue
        kept[key] = value
    return kept


def maker_notes(tags):
    return {k: v for k, v in tags.items() if k.startswith("MakerNotes:")}


def warnings(tags):
    return {str(v) for k, v in tags.items() if k.split(":")[-1] == "Warning"}


def exiftool_changes(old, theirs):
    """The keys whose value ExifTool's own write of a position changed,
    outside the GPS group and the offsets."""
    if not theirs:
        return set()
    keys = set(old) | set(theirs)
    return {k for k in keys if k.split(":")[0] not in ("SourceFile", "File", "Composite")
            and not k.startswith("EXIF:GPS:") and k.split(":")[-1] not in OFFSET_TAGS | set(MAKER_OFFSET_TAGS)
            and old.get(k) != theirs.get(k)}


def check_maker_notes(name, old_path, new_path, notes_old, notes_new, theirs_changed):
    """Fails every MakerNotes tag that lost its value; offset tags by the
    bytes they name. Returns the number of tags that read the same."""
    same = 0
    for key, value in notes_old.items():
        tag = key.split(":")[-1]
        if key in theirs_changed and notes_new.get(key) != value:
            changed_by_exiftool.append(f"{name}: {key}")
            continue
        if tag in MAKER_OFFSET_TAGS and key in notes_new:
            block = MAKER_OFFSET_TAGS[tag]
            # Every copy: a note may name the same picture twice (Casio's
            # second kind: as the value of one tag and by the offset in
            # another), and ExifTool alone gives the first it finds.
            if (exiftool_binary(old_path, "MakerNotes:" + block, every_copy=True)
                    == exiftool_binary(new_path, "MakerNotes:" + block, every_copy=True)):
                same += 1
            elif key in BEYOND_NOTE.get(name, ()):
                beyond_note.append(f"{name}: the {block} named by {key} changed")
            else:
                fail(name, f"{key}: the {block} it names changed")
        elif notes_new.get(key) == value:
            same += 1
        elif key in BEYOND_NOTE.get(name, ()):
            beyond_note.append(f"{name}: {key} {value!r} -> {notes_new.get(key)!r}")
        else:
            fail(name, f"{key}: {value!r} became {notes_new.get(key)!r}")
    return same


def thumbnail_bytes(path, tags):
    """The IFD1 thumbnail as ExifTool locates it (its strip offsets are
    positions in the file)."""
    if "EXIF:IFD1:StripOffsets" in tags:
        data = open(path, "rb").read()
        offsets = [int(x) for x in str(tags["EXIF:IFD1:StripOffsets"]).split()]
        counts = [int(x) for x in str(tags["EXIF:IFD1:StripByteCounts"]).split()]
        return b"".join(data[o:o + c] for o, c in zip(offsets, counts))
    return exiftool_binary(path, "ThumbnailImage")


def expected_dms(value):
    """The degrees a reader finds after the engine stored value: whole
    degrees, whole minutes and hundredths of seconds rounded half up."""
    a = abs(value)
    deg = math.trunc(a)
    m = (a - deg) * 60
    minutes = math.trunc(m)
    sec100 = math.trunc((m - minutes) * 6000 + 0.5)
    return deg + minutes / 60 + sec100 / 360000


def main():
    source = {}  # name -> the folder it comes from
    for folder in FOLDERS:
        for n in sorted(os.listdir(folder)):
            if n.lower().endswith(".jpg"):
                if n in source:
                    print(f"{n} is in {source[n]} and in {folder}", file=sys.stderr)
                    return 1
                source[n] = folder
    names = sorted(source)
    shutil.rmtree(WORK, ignore_errors=True)
    folders = {k: os.path.join(WORK, k) for k in ("original", "stored", "again", "removed", "exiftool")}
    for folder in folders.values():
        os.makedirs(folder)
        os.chmod(folder, 0o777)
    os.chmod(WORK, 0o777)
    for name in names:
        for key in ("original", "stored", "removed", "exiftool"):
            target = os.path.join(folders[key], name)
            shutil.copyfile(os.path.join(source[name], name), target)
            os.chmod(target, 0o666)
    # ExifTool's own write of a position, the measure of what may change.
    subprocess.run(["exiftool", "-q", "-q", "-m", "-overwrite_original", "-GPSLatitude=48.8582",
                    "-GPSLatitudeRef=N", "-GPSLongitude=2.2945", "-GPSLongitudeRef=E", folders["exiftool"]],
                   check=False, capture_output=True)

    commands = []
    for i, name in enumerate(names):
        lat, lon, alt, heading = POSITIONS[i % len(POSITIONS)]
        commands.append(f"read\t{windows_path(os.path.join(folders['original'], name))}")
        stored = windows_path(os.path.join(folders["stored"], name))
        again = windows_path(os.path.join(folders["again"], name))
        commands.append(f"store\t{stored}\t{lat!r}\t{lon!r}\t{alt!r}\t{heading!r}")
        # The stored photo, opened anew and given the same position, must
        # come out byte for byte the same.
        commands.append(f"copy\t{stored}\t{again}")
        commands.append(f"store\t{again}\t{lat!r}\t{lon!r}\t{alt!r}\t{heading!r}")
        commands.append(f"remove\t{windows_path(os.path.join(folders['removed'], name))}")
    command_file = os.path.join(WORK, "commands.txt")
    result_file = os.path.join(WORK, "results.jsonl")
    with open(command_file, "w", encoding="utf-8") as f:
        f.write("\n".join(commands) + "\n")
    run = subprocess.run(["bash", BENCH, "run", TOOL, windows_path(command_file), windows_path(result_file)])
    if run.returncode != 0 or not os.path.exists(result_file):
        print("photo_tool did not run", file=sys.stderr)
        return 1
    results = [json.loads(line) for line in open(result_file)]
    if len(results) != len(commands):
        print(f"photo_tool answered {len(results)} of {len(commands)} commands", file=sys.stderr)
        return 1

    before = exiftool_json([os.path.join(source[n], n) for n in names])
    theirs_all = exiftool_json([os.path.join(folders["exiftool"], n) for n in names])
    after = exiftool_json([os.path.join(folders["stored"], n) for n in names])
    removed = exiftool_json([os.path.join(folders["removed"], n) for n in names])
    rows = []
    for i, name in enumerate(names):
        read, store, _, store_again, remove = results[5 * i:5 * i + 5]
        lat, lon, alt, heading = POSITIONS[i % len(POSITIONS)]
        old = before.get(name, {})
        new = after.get(name, {})
        gone = removed.get(name, {})
        theirs_changed = exiftool_changes(old, theirs_all.get(name))
        original = open(os.path.join(source[name], name), "rb").read()
        stored_bytes = open(os.path.join(folders["stored"], name), "rb").read()

        # Reading: agrees with ExifTool to 1e-7 degrees.
        theirs = signed_position(old)
        if theirs is None:
            if read["hr"] >= 0:
                fail(name, "a position read where ExifTool finds none")
        elif read["hr"] < 0:
            fail(name, f"no position read, ExifTool reads {theirs}")
        else:
            if abs(read["lat"] - theirs[0]) > 1e-7 or abs(read["lon"] - theirs[1]) > 1e-7:
                fail(name, f"read {read['lat']}, {read['lon']}; ExifTool {theirs}")
            if "EXIF:GPS:GPSAltitude" in old:
                alt_theirs = float(old["EXIF:GPS:GPSAltitude"]) * (-1 if old.get("EXIF:GPS:GPSAltitudeRef") == 1 else 1)
                if abs(read["alt"] - alt_theirs) > 1e-6:
                    fail(name, f"altitude {read['alt']}, ExifTool {alt_theirs}")
        if read["jpeg"] != 1:
            fail(name, "not taken for a JPEG file")
        if (read["width"], read["height"]) != (old.get("File:ImageWidth"), old.get("File:ImageHeight")):
            fail(name, f"frame {read['width']}x{read['height']}, ExifTool {old.get('File:ImageWidth')}x{old.get('File:ImageHeight')}")

        # Storing: the position reads back, to the hundredth of a second.
        if store["store"] != 0 or store["write"] != 0:
            # A refusal: said (a failure code), and the file as it was. It
            # passes only where ExifTool's write changed something too.
            if store["store"] != 0 or store["write"] >= 0 or not theirs_changed:
                fail(name, f"store {store['store']:#x}, write {store['write'] & 0xffffffff:#x}")
            if stored_bytes != original:
                fail(name, "a failed write changed the file")
            refused.add(name)
            continue
        mine = signed_position(new)
        want = (math.copysign(expected_dms(lat), lat), math.copysign(expected_dms(lon), lon))
        if mine is None or abs(mine[0] - want[0]) > 1e-9 or abs(mine[1] - want[1]) > 1e-9:
            fail(name, f"stored position reads {mine}, want {want}")
        elif abs(mine[0] - lat) > 0.005 / 3600 + 1e-12 or abs(mine[1] - lon) > 0.005 / 3600 + 1e-12:
            fail(name, f"stored position {mine} is more than 1/200 s from {lat}, {lon}")
        alt_read = float(new.get("EXIF:GPS:GPSAltitude", "nan")) * (-1 if new.get("EXIF:GPS:GPSAltitudeRef") == 1 else 1)
        if abs(alt_read - math.copysign(math.trunc(abs(alt) * 100) / 100, alt)) > 1e-9:
            fail(name, f"stored altitude reads {alt_read}")
        if new.get("EXIF:GPS:GPSImgDirection") != math.floor(heading + 0.5) or "EXIF:GPS:GPSImgDirectionRef" in new:
            fail(name, f"stored heading reads {new.get('EXIF:GPS:GPSImgDirection')}")
        if new.get("EXIF:GPS:GPSVersionID") != "2 2 0 0":
            fail(name, f"GPSVersionID {new.get('EXIF:GPS:GPSVersionID')}")

        # Everything else ExifTool read stays as it was.
        kept_old, kept_new = outside_gps(old), outside_gps(new)
        dropped = []
        for key, value in kept_old.items():
            if key in theirs_changed and kept_new.get(key) != value:
                changed_by_exiftool.append(f"{name}: {key}")
            elif key not in kept_new:
                if value == "":
                    dropped.append(key.split(":")[-1])  # an entry of count 0
                else:
                    fail(name, f"{key} lost")
            elif kept_new[key] != value:
                fail(name, f"{key}: {value!r} became {kept_new[key]!r}")
        for key in kept_new.keys() - kept_old.keys() - theirs_changed:
            fail(name, f"{key} appeared: {kept_new[key]!r}")

        # The bytes after the Exif segment, and before it, stay.
        o0, s0 = exif_segment(original)
        o1, s1 = exif_segment(stored_bytes)
        if o0 != o1 or original[:o0] != stored_bytes[:o1] or original[o0 + s0:] != stored_bytes[o1 + s1:]:
            fail(name, "bytes outside the Exif segment changed")
        thumb_old = thumbnail_bytes(os.path.join(source[name], name), old)
        thumb_new = thumbnail_bytes(os.path.join(folders["stored"], name), new)
        if thumb_old != thumb_new:
            fail(name, f"thumbnail changed ({len(thumb_old)} -> {len(thumb_new)} bytes)")

        # Writing the same block twice, and the same position again into
        # the written photo, give the same file.
        again_bytes = open(os.path.join(folders["again"], name), "rb").read()
        if store["same"] != 1 or store["write2"] != 0:
            fail(name, "writing the block twice gave another file")
        if store_again["write"] != 0 or again_bytes != stored_bytes:
            fail(name, "storing the same position again gave another file")

        # Removing: no position left, nothing else lost.
        if remove["write"] < 0:
            fail(name, f"remove write {remove['write'] & 0xffffffff:#x}")
        # (A position kept in another segment, such as a drone's XMP, is not
        # the engine's to remove.)
        left = [k for k in gone if k.startswith("EXIF:GPS:") and k.split(":")[-1] in REMOVED_TAGS]
        if left:
            fail(name, f"position tags left after removing the position: {left}")
        for key, value in outside_gps(old).items():
            if key not in outside_gps(gone) and value != "":
                fail(name, f"{key} lost by removing the position")

        notes_old, notes_new = maker_notes(old), maker_notes(new)
        same_notes = check_maker_notes(name, os.path.join(source[name], name), os.path.join(folders["stored"], name),
                                       notes_old, notes_new, theirs_changed)
        for warning in warnings(new) - warnings(old) - warnings(theirs_all.get(name, {})):
            # A trailer after the image (AFCP, say) counts its offsets from
            # the file's start; the engine leaves every byte after the Exif
            # segment as it was, so ExifTool finds them off by exactly the
            # bytes the segment grew, and says it adjusted them.
            adjusted = re.match(r"\[minor\] Adjusted (\S+) offsets by (-?\d+)$", warning)
            if adjusted and int(adjusted.group(2)) == s1 - s0:
                trailers.append(f"{name}: {warning}")
            else:
                fail(name, f"new ExifTool warning: {warning}")
        warning_after = new.get("ExifTool:Warning", "")
        rows.append((name, str(old.get("EXIF:IFD0:Make", "-")).strip(), "yes" if theirs else "no",
                     f"{s0} -> {s1}", len(notes_old), len(notes_new), same_notes,
                     ", ".join(dropped) or "-", warning_after or "-"))

    lines = ["| Photo | Make | Position | Exif segment bytes | MakerNotes tags before | after | same value | dropped (count 0) | ExifTool warning after |",
             "|---|---|---|---|---|---|---|---|---|"]
    lines += ["| " + " | ".join(str(c) for c in row) + " |" for row in rows]
    makers = {}
    for row in rows:
        entry = makers.setdefault(row[1], [0, 0, 0])
        if row[4]:
            entry[0] += 1
            entry[1] += 1 if row[5] else 0
            entry[2] += 1 if row[6] == row[4] else 0
    lines += ["", "| Make | photos with MakerNotes | still read after | all values the same |", "|---|---|---|---|"]
    lines += [f"| {m} | {v[0]} | {v[1]} | {v[2]} |" for m, v in sorted(makers.items()) if v[0]]
    lines += ["", "Maker values that point past their MakerNote in the original (left as found):"]
    lines += [f"- {b}" for b in beyond_note] or ["- none"]
    lines += ["", "Trailers counting from the file's start, found off by the segment's growth:"]
    lines += [f"- {t}" for t in trailers] or ["- none"]
    lines += ["", "Values that ExifTool's own write of a position changes too:"]
    lines += [f"- {c}" for c in changed_by_exiftool] or ["- none"]
    lines += ["", "| Folder | photos | clean | refused | damaged |", "|---|---|---|---|---|"]
    for folder in FOLDERS:
        mine = [n for n in names if source[n] == folder]
        bad = sum(1 for n in mine if n in damaged)
        refusals = sum(1 for n in mine if n in refused and n not in damaged)
        lines.append(f"| {folder} | {len(mine)} | {len(mine) - bad - refusals} | {refusals} | {bad} |")
    lines += ["", f"{len(names)} photos, {len(failures)} failures"] + failures
    report = "\n".join(lines) + "\n"
    with open(REPORT, "w") as f:
        f.write(report)
    print(report)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
