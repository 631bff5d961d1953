#!/usr/bin/python3
"""The peer of benchmark (a) with ExifTool: one ExifTool process (-stay_open)
stores the same position into each photo of a folder and writes it back,
with the same rounds of fresh copies as the photo engine's benchmark; each
photo's command is timed from sending it to ExifTool's answer.
    exif_exiftool_peer.py <originals folder> <work folder> <rounds> [<file suffix, .jpg>]
Prints one line per photo: "exiftool <name> <median microseconds> <rounds written>".
With VZ_EXIFTOOL_BATCH set, ExifTool as a user runs it instead: one
"exiftool -overwrite_original ... <folder>" per round over that round's fresh
copies, timed from its start to its end (ExifTool's start included); prints
"exiftool-batch <photos> <median microseconds per photo> <photos written in
the last round>".
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

ARGS = ["-overwrite_original", "-n",
        "-GPSVersionID=2 2 0 0",
        "-GPSLatitudeRef=N", "-GPSLatitude=48.8582",
        "-GPSLongitudeRef=E", "-GPSLongitude=2.2945",
        "-GPSAltitudeRef=0", "-GPSAltitude=35.2",
        "-GPSTrack=57", "-GPSImgDirection=57"]


def batch(originals, work, rounds, names):
    per_photo = []
    written = 0
    for _ in range(rounds):
        for name in names:
            copy = os.path.join(work, name)
            shutil.copyfile(os.path.join(originals, name), copy)
            os.chmod(copy, 0o644)
        start = time.perf_counter()
        answer = subprocess.run(["exiftool"] + ARGS + [work], stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, text=True).stdout
        per_photo.append((time.perf_counter() - start) * 1e6 / len(names))
        written = next((int(line.split()[0]) for line in answer.splitlines()
                        if line.strip().endswith("image files updated")), 0)
    print("exiftool-batch %d %.1f %d" % (len(names), statistics.median(per_photo), written))


def main():
    originals, work, rounds = sys.argv[1], sys.argv[2], int(sys.argv[3])
    suffix = sys.argv[4] if len(sys.argv) > 4 else ".jpg"
    names = sorted(n for n in os.listdir(originals) if n.endswith(suffix))
    if os.environ.get("VZ_EXIFTOOL_BATCH"):
        batch(originals, work, rounds, names)
        return
    tool = subprocess.Popen(["exiftool", "-stay_open", "True", "-@", "-"],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.DEVNULL, text=True)

    def run(arguments):
        tool.stdin.write("\n".join(arguments) + "\n-execute\n")
        tool.stdin.flush()
        answer = []
        while True:
            line = tool.stdout.readline()
            if not line or line.startswith("{ready"):
                return "".join(answer)
            answer.append(line)

    run(["-ver"])  # ExifTool has loaded its modules
    times = {n: [] for n in names}
    written = {n: 0 for n in names}
    for _ in range(rounds):
        for name in names:
            copy = os.path.join(work, name)
            shutil.copyfile(os.path.join(originals, name), copy)
            os.chmod(copy, 0o644)
            start = time.perf_counter()
            answer = run(ARGS + [copy])
            times[name].append((time.perf_counter() - start) * 1e6)
            if "1 image files updated" in answer:
                written[name] += 1
    run(["-stay_open", "False"])
    tool.wait()
    for name in names:
        print("exiftool %s %.1f %d" % (name, statistics.median(times[name]), written[name]))


if __name__ == "__main__":
    main()
