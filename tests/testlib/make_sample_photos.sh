#!/usr/bin/env bash
# Makes the project's own sample photos with the tools the project installs
# (ImageMagick, ExifTool, heif-enc): the photos the suites take where any
# photo of a kind will do, and the demonstration's photos where no real
# camera photos lie beside the checkout. Nothing here is read from the real
# sample files.
#
#   make_sample_photos.sh OUT
#
#   located.jpg    205 x 102, big-endian Exif, all three Exif times and a
#                  position: 59.3325472 N 18.0649417 E, 29 m, heading 104.737
#   southern.jpg   little-endian Exif, south of the equator: -0.3713 36.0564167
#   unlocated.jpg  little-endian Exif with all three times
#                  (2003:07:14 10:20:30), no GPS directory
#   thumbnail.jpg  Exif with an IFD1 thumbnail, no position
#   noexif.jpg     no Exif segment at all
#   *.heic         HEIF photos made from these (make_heif_samples.sh OUT)
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out"
cd "$out"

exif() {  # file, the moment of its three Exif times, ExifTool assignments...
  local file=$1 time=$2; shift 2
  exiftool -q -overwrite_original -Make="Vantrelo Zerli" -Model="Sample made by the build" \
    -DateTimeOriginal="$time" -CreateDate="$time" -ModifyDate="$time" "$@" "$file"
}

convert -size 205x102 gradient:steelblue-khaki -quality 85 located.jpg
exif located.jpg "2012:03:17 08:45:10" -ExifByteOrder=MM -GPSVersionID=2.3.0.0 \
  -GPSLatitude=59.3325472 -GPSLatitudeRef=N -GPSLongitude=18.0649417 -GPSLongitudeRef=E \
  -GPSAltitude=29 -GPSAltitudeRef=0 -GPSImgDirection=104.737 -GPSImgDirectionRef=T

convert -size 160x120 gradient:olivedrab-wheat -quality 85 southern.jpg
exif southern.jpg "2007:11:02 16:05:41" -ExifByteOrder=II \
  -GPSLatitude=0.3713 -GPSLatitudeRef=S -GPSLongitude=36.0564167 -GPSLongitudeRef=E

convert -size 320x240 gradient:sienna-lightyellow -quality 85 unlocated.jpg
exif unlocated.jpg "2003:07:14 10:20:30" -ExifByteOrder=II

convert -size 640x480 gradient:darkslategray-lightcyan -quality 85 thumbnail.jpg
convert -size 160x120 gradient:darkslategray-lightcyan -quality 75 small.jpg
exif thumbnail.jpg "2009:04:25 13:12:08" -ExifByteOrder=II "-ThumbnailImage<=small.jpg"
rm small.jpg

convert -size 120x90 gradient:gray20-gray80 -quality 85 noexif.jpg

bash "$here/../exif/make_heif_samples.sh" "$out"
