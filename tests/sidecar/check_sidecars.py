#!/usr/bin/env python3
"""XMP sidecars through the sidecar editor, checked by ExifTool.

The sidecars: the hand-written ones of tests/sidecar/samples (in the forms
of Lightroom, Capture One, digiKam and RawTherapee), the real darktable
sidecar of the raw samples' folder, the sidecars ExifTool writes for each raw
sample (`exiftool -o x.xmp raw`), and one ExifTool writes from tags given on
its command line. On copies, the Windows program sidecar_tool (under Wine)
reads each one's position, stores a position, stores it once more into the
result, and removes the position. ExifTool, a reader nobody here wrote, then
checks: the position read agrees with its own; it reads the stored position
within 1e-7 degrees and 1 cm (the heading to a hundredth of a degree, the
time to the second); every other XMP property it reads is unchanged (a JSON
comparison), in the stored and in the removed sidecar; none of the eight
position properties is left after the removal; storing twice gives the same
bytes; sidecars created by the tool read with the position alone; and no
warning appears that the original did not give.

On disk, through the photo tool (WriteRawSidecarPosition, the crash-safe
write): a copy of each raw sample gets a new sidecar, and a copy of the DNG
named for the darktable sidecar gets that sidecar updated; ExifTool reads
both without a warning, the position within 1e-7 degrees and 1 cm, the
darktable sidecar's other properties unchanged, and every raw file's bytes
are unchanged.

Bad sidecars (a DTD, an entity bomb, over 4 MiB, 100 levels deep, a wrong
namespace, cut off, UTF-16) are refused with their reason and left byte for
byte as they were.

usage: check_sidecars.py TOOL.exe WINE-BENCH WORK SAMPLES RAW PHOTO_TOOL.exe
"""
import hashlib
import json
import os
import shutil
import subprocess
import sys

TOOL, BENCH, WORK, SAMPLES, RAW, PHOTO_TOOL = sys.argv[1:7]

# Positions stored: latitude, longitude (degrees), altitude (metres),
# heading (degrees), the time of the fix (UTC); None where the command has
# none.
POSITIONS = [
    (48.8582, 2.2945, 35.5, 90.0, None),
    (-33.8568, -151.2153, -12.345, None, "2024-05-01T12:30:05"),
    (10.9999999, -0.0001, None, 359.996, None),
    (89.99999, 179.99999, 8848.86, 180.5, "2023-12-31T23:59:59"),
]

# The eight properties stored and removed, as ExifTool names them.
POSITION_TAGS = ["XMP-exif:GPSVersionID", "XMP-exif:GPSLatitude", "XMP-exif:GPSLongitude", "XMP-exif:GPSAltitudeRef",
                 "XMP-exif:GPSAltitude", "XMP-exif:GPSImgDirectionRef", "XMP-exif:GPSImgDirection",
                 "XMP-exif:GPSDateTime"]

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAILED: " + message)
    return condition


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def exiftool_json(paths):
    """file name -> every XMP tag (and ExifTool's warnings), numbers unformatted."""
    out = subprocess.run(["exiftool", "-j", "-n", "-G1", "-a", "-struct", "-XMP:all", "-ExifTool:Warning",
                          "-ExifTool:Error"] + paths, capture_output=True, text=True).stdout
    return {os.path.basename(d["SourceFile"]): d for d in json.loads(out or "[]")}


def others(tags):
    return {k: v for k, v in tags.items() if k not in POSITION_TAGS and k not in ("SourceFile",)}


def warnings(tags):
    return {tags[k] for k in ("ExifTool:Warning", "ExifTool:Error") if k in tags}


def dms_time(iso):
    return iso.replace("-", ":").replace("T", " ") + "Z"


def check_stored(label, tags, position, old):
    """The position as ExifTool reads it from a stored sidecar."""
    lat, lon, alt, heading, time = position
    try:
        check(abs(float(tags["XMP-exif:GPSLatitude"]) - max(min(lat, 90), -90)) <= 1e-7, f"{label}: latitude {tags.get('XMP-exif:GPSLatitude')}")
        check(abs(float(tags["XMP-exif:GPSLongitude"]) - lon) <= 1e-7, f"{label}: longitude {tags.get('XMP-exif:GPSLongitude')}")
        check(str(tags["XMP-exif:GPSVersionID"]) == "2.3.0.0", f"{label}: version {tags.get('XMP-exif:GPSVersionID')}")
        if alt is None:
            check("XMP-exif:GPSAltitude" not in tags and "XMP-exif:GPSAltitudeRef" not in tags, f"{label}: an altitude is left")
        else:
            signed = float(tags["XMP-exif:GPSAltitude"]) * (-1 if tags["XMP-exif:GPSAltitudeRef"] == 1 else 1)
            check(abs(signed - alt) < 0.01, f"{label}: altitude {signed}")
        if heading is None:
            for key in ("XMP-exif:GPSImgDirection", "XMP-exif:GPSImgDirectionRef"):
                check(tags.get(key) == old.get(key), f"{label}: {key} {tags.get(key)}, before {old.get(key)}")
        else:
            difference = (float(tags["XMP-exif:GPSImgDirection"]) - heading) % 360
            check(min(difference, 360 - difference) <= 0.005 + 1e-9, f"{label}: heading {tags.get('XMP-exif:GPSImgDirection')}")
            check(tags["XMP-exif:GPSImgDirectionRef"] == "T", f"{label}: heading reference")
        if time is None:
            check(tags.get("XMP-exif:GPSDateTime") == old.get("XMP-exif:GPSDateTime"), f"{label}: the time changed")
        else:
            check(tags.get("XMP-exif:GPSDateTime") == dms_time(time), f"{label}: time {tags.get('XMP-exif:GPSDateTime')}")
    except (KeyError, ValueError, TypeError) as e:
        check(False, f"{label}: ExifTool read {e!r} from {tags}")


def position_args(position):
    lat, lon, alt, heading, time = position
    return " ".join(["%r" % lat, "%r" % lon] + ["-" if v is None else str(v) for v in (alt, heading, time)])


def bad_sidecars(folder, good):
    """name -> (text, expected result) of sidecars that must be refused."""
    text = open(good, "rb").read()
    start = text.index(b"<x:xmpmeta")
    deep = b"<x:xmpmeta xmlns:x='adobe:ns:meta/'>" + b"<x:a>" * 100 + b"</x:a>" * 100 + b"</x:xmpmeta>"
    bomb = (b'<?xml version="1.0"?>\n<!DOCTYPE x:xmpmeta [\n <!ENTITY a "aaaaaaaaaa">\n'
            b' <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">\n <!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">\n]>\n')
    return {
        "dtd.xmp": (text[:start] + b'<!DOCTYPE x:xmpmeta SYSTEM "http://example.invalid/x.dtd">\n' + text[start:], "80040b02"),
        "entities.xmp": (bomb + text[start:].replace(b'xmp:Rating="4"', b'xmp:Rating="&c;"'), "80040b02"),
        "huge.xmp": (text[:start] + b"<!--" + b" " * (4 * 1024 * 1024) + b"-->\n" + text[start:], "80040b04"),
        "deep.xmp": (deep, "80040b03"),
        "namespace.xmp": (text.replace(b'xmlns:x="adobe:ns:meta/"', b'xmlns:x="adobe:ns:meta"'), "80040b05"),
        "cut.xmp": (text[:len(text) * 2 // 3], "80040b01"),
        "utf16.xmp": (b"\xff\xfe" + text.decode("utf-8").encode("utf-16-le"), "80040b06"),
    }


def check_on_disk():
    """Sidecars of raw files written on disk by WriteRawSidecarPosition."""
    folder = os.path.join(WORK, "raw")
    os.makedirs(folder)
    raws = [n for n in sorted(os.listdir(RAW)) if n != "README.md" and not n.endswith(".xmp")]
    for name in raws:
        shutil.copyfile(os.path.join(RAW, name), os.path.join(folder, name))
    darktable = os.path.join(RAW, "darktable-bench-3.8.xmp")
    updated = []
    if os.path.exists(darktable) and "DNG.dng" in raws:
        shutil.copyfile(os.path.join(RAW, "DNG.dng"), os.path.join(folder, "darktable-bench-3.8.dng"))
        shutil.copyfile(darktable, os.path.join(folder, "darktable-bench-3.8.xmp"))
        updated = ["darktable-bench-3.8.dng"]
    for root, dirs, files in os.walk(folder):
        os.chmod(root, 0o777)
        for f in files:
            os.chmod(os.path.join(root, f), 0o666)
    targets = raws + updated
    raw_digests = {n: digest(os.path.join(folder, n)) for n in targets}
    commands = []
    for i, name in enumerate(targets):
        lat, lon, alt, _, _ = POSITIONS[i % len(POSITIONS)]
        commands.append("sidecar\t%s\t%r\t%r\t%r" % (windows_path(os.path.join(folder, name)), lat, lon,
                                                       0.0 if alt is None else alt))
    command_file = os.path.join(WORK, "disk-commands.txt")
    result_file = os.path.join(WORK, "disk-results.jsonl")
    with open(command_file, "w") as f:
        f.write("\n".join(commands) + "\n")
    subprocess.run(["bash", BENCH, "run", PHOTO_TOOL, windows_path(command_file), windows_path(result_file)])
    results = [json.loads(line) for line in open(result_file)] if os.path.exists(result_file) else []
    if not check(len(results) == len(commands), f"photo tool answered {len(results)} of {len(commands)}"):
        return
    # The naming rule: the base name, unless another raw file shares it
    # (CanonRaw.cr2 and CanonRaw.cr3): then the whole name.
    bases = [os.path.splitext(n)[0].lower() for n in targets]
    sidecars = [(n if bases.count(b) > 1 else os.path.splitext(n)[0]) + ".xmp" for n, b in zip(targets, bases)]
    read = exiftool_json([os.path.join(folder, n) for n in sidecars])
    old = exiftool_json([darktable]) if updated else {}
    for i, (name, sidecar) in enumerate(zip(targets, sidecars)):
        lat, lon, alt, _, _ = POSITIONS[i % len(POSITIONS)]
        check(results[i]["write"] == 0, f"{name}: sidecar written {results[i]['write']:#x}")
        check(digest(os.path.join(folder, name)) == raw_digests[name], f"{name}: the raw file changed")
        tags = read.get(sidecar, {})
        before = old.get("darktable-bench-3.8.xmp", {}) if name in updated else {}
        check_stored(f"{sidecar} on disk", tags, (lat, lon, 0.0 if alt is None else alt, None, None), before)
        check(not warnings(tags), f"{sidecar} on disk: ExifTool warns: {warnings(tags)}")
        if name in updated:
            check(others(tags) == others(before), f"{sidecar} on disk: other properties changed")
        else:
            extra = [k for k in others(tags) if k not in ("ExifTool:Warning", "ExifTool:Error")]
            check(not extra, f"{sidecar} on disk: more than the position: {extra}")
    print(f"on disk: {len(raws)} sidecars created, {len(updated)} updated, raw files unchanged")


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    folders = {k: os.path.join(WORK, k) for k in ("original", "stored", "again", "removed", "created", "bad")}
    for folder in folders.values():
        os.makedirs(folder)
    # The sidecars: hand-written, real, and ExifTool's.
    for name in sorted(os.listdir(SAMPLES)):
        shutil.copyfile(os.path.join(SAMPLES, name), os.path.join(folders["original"], name))
    for name in sorted(os.listdir(RAW)):
        path = os.path.join(RAW, name)
        if name.endswith(".xmp"):
            shutil.copyfile(path, os.path.join(folders["original"], name))
        elif name != "README.md":
            subprocess.run(["exiftool", "-q", "-q", "-o", os.path.join(folders["original"], "exiftool-" + name + ".xmp"),
                            path], check=False)
    subprocess.run(["exiftool", "-q", "-q", "-o", os.path.join(folders["original"], "exiftool-tags.xmp"),
                    "-XMP-xmp:Rating=3", "-XMP-dc:Subject=a", "-XMP-dc:Subject=b", "-XMP-exif:GPSLatitude=12.5",
                    "-XMP-exif:GPSLongitude=3.25", "-XMP-exif:GPSAltitude=15", "-XMP-exif:GPSMapDatum=WGS-84",
                    "-XMP-exif:GPSDateTime=2020:01:01 10:00:00Z", "-XMP-xmp:Label=Blue"], check=True)
    names = sorted(os.listdir(folders["original"]))
    bad = bad_sidecars(folders["bad"], os.path.join(SAMPLES, "lightroom-form.xmp"))
    for name, (text, _) in bad.items():
        with open(os.path.join(folders["bad"], name), "wb") as f:
            f.write(text)
    for root, dirs, files in os.walk(WORK):
        os.chmod(root, 0o777)
        for f in files:
            os.chmod(os.path.join(root, f), 0o666)
    bad_digests = {name: digest(os.path.join(folders["bad"], name)) for name in bad}

    def path(kind, name):
        return windows_path(os.path.join(folders[kind], name))

    commands = []
    for i, name in enumerate(names):
        position = position_args(POSITIONS[i % len(POSITIONS)])
        commands.append(f"read {path('original', name)}")
        commands.append(f"store {path('original', name)} {path('stored', name)} {position}")
        commands.append(f"store {path('stored', name)} {path('again', name)} {position}")
        commands.append(f"remove {path('original', name)} {path('removed', name)}")
    for i, position in enumerate(POSITIONS):
        commands.append(f"create {path('created', 'new%d.xmp' % i)} {position_args(position)}")
    for name in bad:
        commands.append(f"store {path('bad', name)} {path('bad', name)} {position_args(POSITIONS[0])}")
    command_file = os.path.join(WORK, "commands.txt")
    result_file = os.path.join(WORK, "results.txt")
    with open(command_file, "w") as f:
        f.write("\n".join(commands) + "\n")
    run = subprocess.run(["bash", BENCH, "run", TOOL, windows_path(command_file), windows_path(result_file)])
    if run.returncode != 0 or not os.path.exists(result_file):
        print("sidecar_tool did not run", file=sys.stderr)
        return 1
    results = open(result_file).read().splitlines()
    if len(results) != len(commands):
        print(f"sidecar_tool answered {len(results)} of {len(commands)} commands", file=sys.stderr)
        return 1

    before = exiftool_json([os.path.join(folders["original"], n) for n in names])
    stored = exiftool_json([os.path.join(folders["stored"], n) for n in names])
    removed = exiftool_json([os.path.join(folders["removed"], n) for n in names])
    for i, name in enumerate(names):
        read, store, again, remove = results[4 * i:4 * i + 4]
        position = POSITIONS[i % len(POSITIONS)]
        old, new, gone = before.get(name, {}), stored.get(name, {}), removed.get(name, {})

        # Reading agrees with ExifTool.
        if "XMP-exif:GPSLatitude" in old and "XMP-exif:GPSLongitude" in old:
            fields = read.split()
            if check(fields[0] == "00000000" and len(fields) == 5, f"{name}: read {read}"):
                check(abs(float(fields[1]) - float(old["XMP-exif:GPSLatitude"])) <= 1e-7 and
                      abs(float(fields[2]) - float(old["XMP-exif:GPSLongitude"])) <= 1e-7,
                      f"{name}: read {read}, ExifTool {old['XMP-exif:GPSLatitude']} {old['XMP-exif:GPSLongitude']}")
                if "XMP-exif:GPSAltitude" in old:
                    theirs = float(old["XMP-exif:GPSAltitude"]) * (-1 if old.get("XMP-exif:GPSAltitudeRef") == 1 else 1)
                    check(abs(float(fields[3]) - theirs) < 1e-6, f"{name}: altitude read {fields[3]}, ExifTool {theirs}")
        else:
            check(read == "00000001", f"{name}: read {read} where ExifTool reads no position")

        # Stored: the position reads; nothing else changed; no new warning.
        if check(store == "00000000" and again == "00000000", f"{name}: stored {store}, again {again}"):
            check_stored(name, new, position, old)
            check(others(new) == others(old),
                  f"{name}: stored, other properties changed: " +
                  str({k: (old.get(k), new.get(k)) for k in set(others(old)) | set(others(new)) if old.get(k) != new.get(k)}))
            check(warnings(new) <= warnings(old), f"{name}: stored, ExifTool warns: {warnings(new) - warnings(old)}")
            check(digest(os.path.join(folders["stored"], name)) == digest(os.path.join(folders["again"], name)),
                  f"{name}: storing twice changes the sidecar")
        # Removed: none of the eight left, nothing else changed.
        if check(remove == "00000000", f"{name}: removed {remove}"):
            left = [k for k in POSITION_TAGS if k in gone]
            check(not left, f"{name}: left after the removal: {left}")
            check(others(gone) == others(old), f"{name}: removed, other properties changed")
            check(warnings(gone) <= warnings(old), f"{name}: removed, ExifTool warns: {warnings(gone) - warnings(old)}")

    created = exiftool_json([os.path.join(folders["created"], "new%d.xmp" % i) for i in range(len(POSITIONS))])
    for i, position in enumerate(POSITIONS):
        name = "new%d.xmp" % i
        check(results[4 * len(names) + i] == "00000000", f"{name}: created {results[4 * len(names) + i]}")
        tags = created.get(name, {})
        check_stored(name, tags, position, {})
        check(not warnings(tags), f"{name}: ExifTool warns: {warnings(tags)}")
        extra = [k for k in others(tags) if k not in ("ExifTool:Warning", "ExifTool:Error")]
        check(not extra, f"{name}: more than the position: {extra}")

    for j, (name, (_, expected)) in enumerate(bad.items()):
        result = results[4 * len(names) + len(POSITIONS) + j]
        check(result.startswith(expected + " | it"), f"{name}: {result}, expected {expected} with a reason")
        check(digest(os.path.join(folders["bad"], name)) == bad_digests[name], f"{name}: changed")
        print(f"{name}: {result}")

    check_on_disk()
    print(f"{len(names)} sidecars stored, stored again and removed; {len(POSITIONS)} created; {len(bad)} bad ones refused")
    if failures:
        print(f"{len(failures)} checks failed")
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
