#!/usr/bin/env bash
# Makes the HEIF samples of the engine's tests from JPEG photos: heif-enc
# copies a JPEG's Exif (maker notes included) and XMP into the HEIF file;
# ExifTool then adds or removes GPS tags.
#   make_heif_samples.sh OUT          from located.jpg, unlocated.jpg,
#                                     thumbnail.jpg and noexif.jpg in OUT
#                                     (tests/testlib/make_sample_photos.sh)
#   make_heif_samples.sh PHOTOS OUT   from four of the real camera photos
#                                     in PHOTOS (maker notes, a phone's GPS)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ $# -eq 2 ]; then
  photos=$1 out=$2
  rm -rf "$out" && mkdir -p "$out"
  cp "$photos/apple_iphone-4s_gps.jpg" "$out/located.jpg"
  cp "$photos/canon_digital-ixus.jpg" "$out/unlocated.jpg"
  cp "$photos/nikon_d3100_gps.jpg" "$out/thumbnail.jpg"
  cp "$photos/olympus_d320l_noexif.jpg" "$out/noexif.jpg"
else
  out=$1
fi
cd "$out"
for name in located unlocated noexif; do heif-enc -q 30 "$name.jpg" -o "$name.heic" >/dev/null; done
heif-enc -q 30 -t 96 thumbnail.jpg -o thumbnail.heic >/dev/null
exiftool -q -o placed.heic -GPSLatitude=45.5 -GPSLatitudeRef=N -GPSLongitude=73.25 -GPSLongitudeRef=W \
  -GPSAltitude=12.5 -GPSAltitudeRef=0 unlocated.heic
exiftool -q -o stripped.heic -gps:all= located.heic
# No tool here writes an Exif item into idat, as some cameras do.
python3 "$here/exif_into_idat.py" placed.heic idat.heic
# Nor an image sequence's movie box, nor a motion photo's video at the end.
python3 "$here/heif_with_movie.py" sequence noexif.heic sequence.heic
python3 "$here/heif_with_movie.py" motion located.heic motion.heic
