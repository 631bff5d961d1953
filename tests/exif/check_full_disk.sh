#!/usr/bin/env bash
# A photo on a full disk: when its Exif segment must grow and there is no
# room, WriteToFile fails and leaves the file byte for byte as it was.
# Needs a small file system of its own (a tmpfs, mounted as root); skipped
# (77) where it cannot be had.
#
# usage: check_full_disk.sh PHOTO_TOOL.exe WINE-BENCH WORK
set -euo pipefail
tool=$1 bench=$2 work=$3

rm -rf "$work"
mkdir -p "$work/disk"
chmod 777 "$work" "$work/disk"
if [ "$(id -u)" -ne 0 ] || ! mount -t tmpfs -o size=64k,mode=0777 tmpfs "$work/disk" 2>/dev/null; then
  echo "no small file system can be mounted here"
  exit 77
fi
trap 'umount "$work/disk" 2>/dev/null || true' EXIT

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

# A JPEG without Exif that fills whole pages: the new segment needs one more.
python3 - "$work/disk/photo.jpg" <<'PY'
import sys
body = bytes([0xFF, 0xD8, 0xFF, 0xE0, 0, 16]) + b"JFIF\0\1\2\0\0\1\0\1\0\0"
frame = bytes([0xFF, 0xC0, 0, 11, 8, 0, 8, 0, 8, 1, 1, 0x11, 0])
scan = bytes([0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 0x3F, 0])
data = body + frame + scan
data += bytes((i * 37) % 255 for i in range(8192 - len(data) - 2)) + bytes([0xFF, 0xD9])
open(sys.argv[1], "wb").write(data)
PY
chmod 666 "$work/disk/photo.jpg"
cp "$work/disk/photo.jpg" "$work/before.jpg"
# Fill the rest of the disk.
dd if=/dev/zero of="$work/disk/filler" bs=4096 2>/dev/null || true

printf 'store\t%s\t48.8582\t2.2945\t35.5\t90\n' "$(winpath "$work/disk/photo.jpg")" > "$work/commands.txt"
chmod 666 "$work/commands.txt"
bash "$bench" run "$tool" "$(winpath "$work/commands.txt")" "$(winpath "$work/full.jsonl")"
cat "$work/full.jsonl"
grep -q '"write":-2147467259' "$work/full.jsonl" || { echo "FAIL: the write on a full disk did not fail"; exit 1; }
cmp "$work/before.jpg" "$work/disk/photo.jpg" || { echo "FAIL: the photo changed"; exit 1; }

# With room again the same write succeeds (the check above can fail).
rm -f "$work/disk/filler"
bash "$bench" run "$tool" "$(winpath "$work/commands.txt")" "$(winpath "$work/room.jsonl")"
cat "$work/room.jsonl"
grep -q '"write":0,' "$work/room.jsonl" || { echo "FAIL: the write with room failed"; exit 1; }
echo "full disk: file unchanged; with room: written"
