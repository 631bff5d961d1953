#!/usr/bin/env python3
"""The raw reader against ExifTool, on copies of real raw files: capture
time (DateTimeOriginal, SubSecTimeOriginal, OffsetTimeOriginal of the Exif
IFD), the camera's position, the frame size (ExifTool's ImageSize); each
copy is also read under the extension of another container, where it must
be no photo; the copies stay byte for byte as they were.

usage: check_raw_files.py RAW_TOOL.exe WINE-BENCH RAW-FOLDER
"""
import hashlib
import json
import os
import shutil
import subprocess
import sys
import tempfile

TOOL, BENCH, RAW = sys.argv[1:4]
EXTENSIONS = {"dng", "cr2", "nef", "nrw", "arw", "sr2", "srf", "pef", "orf", "rw2", "srw", "erf", "3fr",
              "iiq", "mos", "mef", "dcr", "kdc", "cr3", "raf", "mrw"}
# The extension under which a file of each container is no photo.
WRONG = {"cr3": "nef", "raf": "mrw", "mrw": "raf"}


# What ExifTool writes into the tagged copies: both hemispheres' other
# halves, an altitude below sea level, a sub-second time and an offset.
TAGGED = ["-GPSLatitude=-33.8568123", "-GPSLatitudeRef=S", "-GPSLongitude=-151.2153456", "-GPSLongitudeRef=W",
          "-GPSAltitude=12.5", "-GPSAltitudeRef=1", "-SubSecTimeOriginal=042", "-OffsetTimeOriginal=+05:30"]


def base_name(name):
    return name.rsplit(".", 1)[0]


def extension(name):
    return name.rsplit(".", 1)[1].lower()


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def exif_tag(info, name):
    """The tag of the Exif IFD, else any group's."""
    for key, value in info.items():
        if key.endswith(":" + name) and "ExifIFD" in key:
            return value
    for key, value in info.items():
        if key.split(":")[-1] == name:
            return value
    return None


def main():
    names = sorted(n for n in os.listdir(RAW) if "." in n and extension(n) in EXTENSIONS)
    if not names:
        print("no raw files in " + RAW, file=sys.stderr)
        return 1
    folder = tempfile.mkdtemp(prefix="vz-raw-")
    os.chmod(folder, 0o755)
    try:
        copies, wrong = [], []
        for name in names:
            path = os.path.join(folder, name)
            shutil.copy(os.path.join(RAW, name), path)
            os.chmod(path, 0o644)
            copies.append(path)
            # The same file with a position, a sub-second time and an offset
            # that ExifTool wrote into it, where it can write the format.
            tagged = os.path.join(folder, base_name(name) + "-gps." + name.rsplit(".", 1)[1])
            shutil.copy(path, tagged)
            write = subprocess.run(["exiftool", "-q", "-m", "-overwrite_original", "-n"] + TAGGED + [tagged],
                                   capture_output=True, text=True)
            if write.returncode == 0:
                os.chmod(tagged, 0o644)
                copies.append(tagged)
            else:
                print(f"{name}: ExifTool cannot write it ({write.stderr.strip()}); no tagged copy")
                os.remove(tagged)
            other = os.path.join(folder, base_name(name) + "-renamed." + WRONG.get(extension(name), "cr3"))
            shutil.copy(path, other)
            os.chmod(other, 0o644)
            wrong.append(other)
        before = {p: digest(p) for p in copies + wrong}
        run = subprocess.run(["bash", BENCH, "run", TOOL] + [windows_path(p) for p in copies + wrong],
                             capture_output=True, text=True)
        lines = [l for l in run.stdout.splitlines() if l.startswith("{")]
        if run.returncode != 0 or len(lines) != len(copies) + len(wrong):
            print(f"raw_tool failed ({run.returncode}): {run.stdout}{run.stderr}", file=sys.stderr)
            return 1
        ours = [json.loads(l) for l in lines]
        theirs = json.loads(subprocess.run(["exiftool", "-j", "-n", "-a", "-G0:1", "-DateTimeOriginal",
                                            "-SubSecTimeOriginal", "-OffsetTimeOriginal", "-GPSLatitude",
                                            "-GPSLongitude", "-GPSAltitude", "-ImageSize"] + copies,
                                           capture_output=True, check=True).stdout)
        failures = 0
        for path, mine, info in zip(copies, ours, theirs):
            name = os.path.basename(path)
            size = str(info.get("Composite:ImageSize", "")).replace("x", " ").split()
            expected = {
                "photo": True,
                "time": exif_tag(info, "DateTimeOriginal") or "",
                "subsec": str(exif_tag(info, "SubSecTimeOriginal") or ""),
                "offset": exif_tag(info, "OffsetTimeOriginal") or "",
                "position": "Composite:GPSLatitude" in info,
                "width": int(size[0]) if size else 0,
                "height": int(size[1]) if size else 0,
            }
            problems = [f"{k}: ours {mine[k]!r}, ExifTool {v!r}" for k, v in expected.items() if mine[k] != v]
            if expected["position"]:
                # ExifTool's composite tags carry the sign of the reference.
                for ours_key, tag, limit in (("lat", "GPSLatitude", 1e-7), ("lon", "GPSLongitude", 1e-7),
                                             ("alt", "GPSAltitude", 0.01)):
                    value = info.get("Composite:" + tag)
                    if value is None or abs(mine[ours_key] - float(value)) > limit:
                        problems.append(f"{tag}: ours {mine[ours_key]}, ExifTool {value}")
            print(f"{name}: {mine['format']} {mine['time']} {mine['width']}x{mine['height']} "
                  f"preview {mine['preview']}" + ("" if not problems else " -- " + "; ".join(problems)))
            failures += bool(problems)
        for path, mine in zip(wrong, ours[len(copies):]):
            if mine["photo"]:
                print(f"{os.path.basename(path)}: read as a photo under the wrong extension")
                failures += 1
        for path, value in before.items():
            if digest(path) != value:
                print(f"{os.path.basename(path)}: changed by reading it")
                failures += 1
        print(f"{len(copies)} raw files, {len(wrong)} under wrong extensions, {failures} failures")
        return 1 if failures else 0
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
