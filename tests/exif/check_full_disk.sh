#!/usr/bin/env bash
# Where no new file can be made beside a photo, WriteToFile fails and leaves
# the photo byte for byte as it was, with nothing beside it:
# - a folder that takes no new file, although the photo itself may be
#   written (the photo is not rewritten in place instead);
# - a full disk, when the new photo does not fit (a tmpfs, mounted as root;
#   this part is skipped (77) where none can be mounted).
#
# usage: check_full_disk.sh PHOTO_TOOL.exe WINE-BENCH WORK
set -euo pipefail
tool=$1 bench=$2 work=$3

rm -rf "$work"
mkdir -p "$work/disk" "$work/closed"
chmod 777 "$work" "$work/disk"

winpath() { echo "Z:$(echo "$1" | tr / '\\')"; }

# A JPEG without Exif that fills whole pages: the new segment needs one more.
python3 - "$work/before.jpg" <<'PY'
import sys
body = bytes([0xFF, 0xD8, 0xFF, 0xE0, 0, 16]) + b"JFIF\0\1\2\0\0\1\0\1\0\0"
frame = bytes([0xFF, 0xC0, 0, 11, 8, 0, 8, 0, 8, 1, 1, 0x11, 0])
scan = bytes([0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 0x3F, 0])
data = body + frame + scan
data += bytes((i * 37) % 255 for i in range(8192 - len(data) - 2)) + bytes([0xFF, 0xD9])
open(sys.argv[1], "wb").write(data)
PY

# write PHOTO RESULTS: stores a position into the photo (then stores it again).
write() {
  printf 'store\t%s\t48.8582\t2.2945\t35.5\t90\n' "$(winpath "$1")" > "$work/commands.txt"
  chmod 666 "$work/commands.txt"
  bash "$bench" run "$tool" "$(winpath "$work/commands.txt")" "$(winpath "$2")"
  cat "$2"
}
unchanged_alone() {  # FOLDER: the photo as it was, and nothing beside it
  cmp "$work/before.jpg" "$1/photo.jpg" || { echo "FAIL: the photo changed"; exit 1; }
  [ "$(ls -A "$1")" = photo.jpg ] || { echo "FAIL: left beside the photo: $(ls -A "$1")"; exit 1; }
}

# A writable photo in a folder that takes no new file.
cp "$work/before.jpg" "$work/closed/photo.jpg"
chmod 666 "$work/closed/photo.jpg"
chmod 555 "$work/closed"
write "$work/closed/photo.jpg" "$work/closed.jsonl"
chmod 777 "$work/closed"
grep -q '"write":-2147467259' "$work/closed.jsonl" || { echo "FAIL: the write in a closed folder did not fail"; exit 1; }
unchanged_alone "$work/closed"
echo "folder that takes no new file: photo unchanged"

if [ "$(id -u)" -ne 0 ] || ! mount -t tmpfs -o size=64k,mode=0777 tmpfs "$work/disk" 2>/dev/null; then
  echo "no small file system can be mounted here"
  exit 77
fi
trap 'umount "$work/disk" 2>/dev/null || true' EXIT

cp "$work/before.jpg" "$work/disk/photo.jpg"
chmod 666 "$work/disk/photo.jpg"
# Fill the rest of the disk: the new photo has no room beside the old one.
dd if=/dev/zero of="$work/disk/filler" bs=4096 2>/dev/null || true
write "$work/disk/photo.jpg" "$work/full.jsonl"
grep -q '"write":-2147467259' "$work/full.jsonl" || { echo "FAIL: the write on a full disk did not fail"; exit 1; }
rm -f "$work/disk/filler"
unchanged_alone "$work/disk"

# With room again the same write succeeds (the check above can fail).
write "$work/disk/photo.jpg" "$work/room.jsonl"
grep -q '"write":0,' "$work/room.jsonl" || { echo "FAIL: the write with room failed"; exit 1; }
echo "full disk: file unchanged; with room: written"
