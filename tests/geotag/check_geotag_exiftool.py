#!/usr/bin/env python3
""""Geotag from GPS track" on copies of real photos, judged by ExifTool, and
the GPX reader judged by gpxpy.

  check_geotag_exiftool.py <geotag_driver.exe> <wine-bench.sh> <photos folder> <raw folder>

Environment: VZ_BENCH_ROOT, VZ_WINE_ARCH (the Wine test bench), VZ_MADE_PHOTOS.

The photos are copied into a temporary folder and some copies are changed
first with ExifTool, so that the set holds every way a photo tells its time:
DateTimeOriginal, DateTimeDigitized alone, DateTime alone, none at all, an
offset of its own or none (the offset tag of that time, others of other
times beside it), several photos minutes apart. For
each of several settings (the user's offset to UTC, the clock correction)
the script writes tracks around the photos' moments, each GPX file in
another dialect: versions 1.0 and 1.1, several tracks and segments, routes,
files of waypoints alone, files without any elevation,
points without time or elevation, repeated times, fractions of seconds,
offsets to UTC, files out of time order, the 180th meridian. Around each
photo the points are placed so that it falls between two points close
enough to join, on a joining distance of exactly 30 minutes, on a point,
across a longer gap near one end or in its middle, too far from both, or
before or after the whole track within or beyond 30 minutes.

For every track and setting:
  (a) geotag_driver (this build, under Wine) geotags one set of copies with
      GeotagPlan Load, Match and Write;
  (b) ExifTool geotags another set from the same track, with the time of
      each photo given as Geotime (DateTimeOriginal, else DateTimeDigitized,
      else DateTime, with the offset tag of that time, else the user's offset) and
      the clock correction as Geosync;
  (c) ExifTool reads both sets back (-n): the same photos must be tagged,
      with the same latitude and longitude, an altitude exactly where
      ExifTool wrote one and then the same, and the same set of GPS tags
      with the same values: what ExifTool writes (the fix's GPSDateStamp and
      GPSTimeStamp), removes (an earlier altitude, when the track has no
      elevation there) and keeps (the image direction, the direction of
      travel of photos that already carry GPS tags); every photo the
      product did not tag is byte for byte as it was. Some tracks have no
      elevation at all. The moment each photo was matched at is the one the
      rules above give.
And for every track, gpxpy must read the same timed points as the driver's
"points" command.

Camera raw files (copies of the raw samples): the driver geotags one set,
whose positions go into XMP sidecars; ExifTool geotags another set as its
documentation shows for raw files (-tagsfromfile @ "-xmp:geotime<..."
-srcfile %d%f.xmp), creating their sidecars from the same track. ExifTool
reads both sidecars: the same positions (within 1e-7 degrees and 1 cm),
the same fix time (to the second: the product ignores the fraction), no
warning; every raw file is byte for byte as it was. The track moves slowly
around each raw file's moment, so that the fraction of a second that
ExifTool's SubSecDateTimeOriginal adds moves nothing measurably.

How close the positions must be: ExifTool stores the seconds of a
coordinate as a fraction good to 1e-8 of their value (1e-10 degrees); the
product stores hundredths of a second, that is to within 0.005 seconds or
1.39e-6 degrees. So the position the product computed must be within 1e-6
degrees of what ExifTool wrote; what the product wrote must be exactly its
computed position in hundredths of a second; and the two writings, read
back, are within the product's half hundredth of a second of each other.
"""
import datetime
import hashlib
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testlib"))
import exiftool_readback as rb  # noqa: E402

import gpxpy  # noqa: E402

# ExifTool refuses to write this one (entries of field type 0).
LEFT_OUT = {"sony_dsc-hx5v_gps.jpg"}
# HEIF photos made from sample photos (tests/exif/make_heif_samples.sh):
# without a position (one with Apple's maker notes), and with one and an
# altitude; their times moved (by hours:minutes:seconds) away from those of
# their JPEG photos and of each other, so that no two photos' groups of
# track points meet.
HEIF_SAMPLES = {"unlocated.heic": "+=1:37:0", "stripped.heic": "+=2:43:0", "placed.heic": "-=3:11:0"}

# Changes made to copies before anything is geotagged: offsets of their own,
# a photo whose DateTimeDigitized is its first time, one without any time.
OWN_OFFSETS = {
    "canon_digital-ixus.jpg": "+05:30",
    "nikon_d3100_gps.jpg": "-07:00",
    "olympus_pen-e-p3.jpg": "+09:45",
    "sony_slt-a58.jpg": "-03:30",
    "casio_ex-s1.jpg": "+14:00",
    "konicaminolta_dimage-z3.jpg": "-12:00",
}
WITHOUT_ORIGINAL = ["fujifilm_finepix-e500.jpg"]           # DateTimeDigitized then counts
# Offsets of all three times: only the one of the time used counts (for the
# first, OffsetTimeDigitized; the second has DateTimeOriginal and no
# OffsetTimeOriginal, so the user's offset).
OTHER_OFFSETS = {
    "fujifilm_finepix-e500.jpg": ["-ExifIFD:OffsetTimeOriginal=+08:00", "-ExifIFD:OffsetTimeDigitized=-04:00",
                                  "-ExifIFD:OffsetTime=+11:00"],
    "pentax_ist-d.jpg": ["-ExifIFD:OffsetTimeDigitized=-04:00", "-ExifIFD:OffsetTime=+11:00"],
}
WITHOUT_ANY_TIME = ["ricoh_rdc-5300.jpg"]                  # has no DateTime either
# Photos minutes apart: copies of one photo with other DateTimeOriginal
# values (name, minutes after the photo's own time, own offset or None).
BURST_SOURCE = "canon_powershot-s40.jpg"
BURST = [("burst-1.jpg", 4, None), ("burst-2.jpg", 11, "+01:00"), ("burst-3.jpg", 19, None),
         ("burst-4.jpg", 23, None), ("burst-5.jpg", 38, "+00:00"), ("burst-6.jpg", 75, None)]
# Copies that carry GPS tags of their own before geotagging, besides the
# sample photos that come with them: a position with an altitude above or
# below sea level, the image's direction, the direction of travel, an older
# fix's date and time.
PRIOR_GPS = {
    "nikon_coolpix-p1.jpg": ["-GPSLatitude=12.5", "-GPSLatitudeRef=S", "-GPSLongitude=33.25", "-GPSLongitudeRef=W",
                             "-GPSAltitude=812.5", "-GPSAltitudeRef=0", "-GPSImgDirection=123.5",
                             "-GPSImgDirectionRef=M", "-GPSTrack=45", "-GPSTrackRef=T"],
    "pentax_ist-d.jpg": ["-GPSLatitude=1", "-GPSLatitudeRef=N", "-GPSLongitude=2", "-GPSLongitudeRef=E",
                         "-GPSAltitude=12", "-GPSAltitudeRef=1", "-GPSImgDirection=270", "-GPSImgDirectionRef=T",
                         "-GPSDateStamp=2001:01:01", "-GPSTimeStamp=01:02:03"],
}
# Tags compared with a tolerance (positions and altitudes), and the version,
# of which only the presence is compared: a new GPS directory gets 2.2.0.0
# from the product, as from its other commands, and 2.3.0.0 from ExifTool.
NEAR_TAGS = {"GPSLatitude", "GPSLongitude", "GPSAltitude", "GPSVersionID"}
# Tracks without any <ele>: (setting index, style).
WITHOUT_ELEVATION = {(1, "B"), (3, "B"), (2, "A")}
# Files of waypoints alone, as some loggers write them: (setting index, style).
WAYPOINTS_ONLY = {(1, "C"), (3, "A")}
# The settings: the user's offset in minutes, the clock correction in seconds.
SETTINGS = [(0, 0), (120, -45), (-300, 3617), (345, -7200)]
# A read-only copy and a file that is no photo join the product's set.
READ_ONLY_SOURCE = "canon_eos-rebel-t3i.jpg"
READ_ONLY_NAME = "read-only.jpg"
NOT_A_PHOTO = "notes.jpg"

GAP = 1800.0                      # the 30 minutes of both programs
PRODUCT_QUANTUM = 0.005 / 3600    # half a hundredth of a second, in degrees
ANGLE_TOLERANCE = 1e-6
ALTITUDE_TOLERANCE = 0.1
EXIF_TIME = re.compile(r"^(\d{4}):(\d{2}):(\d{2}) (\d{2}):(\d{2}):(\d{2})$")
EXIF_OFFSET = re.compile(r"^([+-])(\d{2}):(\d{2})$")
EPOCH = datetime.datetime(1970, 1, 1)
OUTCOMES_LOCATED = ("interpolated", "nearest")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def exiftool(args, check=True):
    return subprocess.run(["exiftool"] + args, capture_output=True, text=True, check=check)


def own(path):
    """The user Wine runs as owns the folder (when we are root)."""
    if os.getuid() == 0:
        subprocess.run(["chown", "-R", "nobody:nogroup", path], check=True)


# Photos -------------------------------------------------------------------

def prepare_photos(photos, folder):
    """Copies of the photos in folder, changed as above. Their names."""
    names = sorted(n for n in os.listdir(photos) if n.lower().endswith(".jpg") and n not in LEFT_OUT)
    for name in names:
        shutil.copyfile(os.path.join(photos, name), os.path.join(folder, name))
    for name, shift in HEIF_SAMPLES.items():
        shutil.copyfile(os.path.join(os.environ["VZ_MADE_PHOTOS"], name), os.path.join(folder, name))
        exiftool(["-q", "-overwrite_original", "-AllDates" + shift, os.path.join(folder, name)])
    names += list(HEIF_SAMPLES)
    for name, minutes, _ in BURST:
        shutil.copyfile(os.path.join(photos, BURST_SOURCE), os.path.join(folder, name))
    path = lambda n: os.path.join(folder, n)  # noqa: E731
    for name, offset in OWN_OFFSETS.items():
        exiftool(["-q", "-overwrite_original", "-ExifIFD:OffsetTimeOriginal=" + offset, path(name)])
    for name, tags in PRIOR_GPS.items():
        exiftool(["-q", "-overwrite_original"] + tags + [path(name)])
    for name in WITHOUT_ORIGINAL:
        exiftool(["-q", "-overwrite_original", "-ExifIFD:DateTimeOriginal=", path(name)])
    for name, tags in OTHER_OFFSETS.items():
        exiftool(["-q", "-overwrite_original"] + tags + [path(name)])
    for name in WITHOUT_ANY_TIME:
        exiftool(["-q", "-overwrite_original", "-ExifIFD:DateTimeOriginal=", "-ExifIFD:CreateDate=",
                  "-IFD0:ModifyDate=", path(name)])
    base = read_times([path(BURST_SOURCE)])[BURST_SOURCE][0]
    for name, minutes, offset in BURST:
        when = (base + datetime.timedelta(minutes=minutes)).strftime("%Y:%m:%d %H:%M:%S")
        args = ["-q", "-overwrite_original", "-ExifIFD:DateTimeOriginal=" + when]
        if offset:
            args.append("-ExifIFD:OffsetTimeOriginal=" + offset)
        exiftool(args + [path(name)])
    return names + [b[0] for b in BURST]


def read_times(paths):
    """file name -> (camera wall time or None, own offset in minutes or None),
    from the Exif tags as ExifTool reads them: DateTimeOriginal, else
    DateTimeDigitized, else DateTime, each with its own offset tag, as
    ExifTool's SubSecDateTimeOriginal, SubSecCreateDate and SubSecModifyDate
    pair them."""
    pairs = (("ExifIFD:DateTimeOriginal", "ExifIFD:OffsetTimeOriginal"), ("ExifIFD:CreateDate",
             "ExifIFD:OffsetTimeDigitized"), ("IFD0:ModifyDate", "ExifIFD:OffsetTime"))
    out = exiftool(["-j", "-G1", "-a"] + ["-" + tag for pair in pairs for tag in pair] + list(paths)).stdout
    times = {}
    for record in json.loads(out):
        wall, offset_tag = None, None
        for tag, offset_tag in pairs:
            match = EXIF_TIME.match(str(record.get(tag, "")))
            if match:
                wall = datetime.datetime(*(int(g) for g in match.groups()))
                break
        offset = None
        match = EXIF_OFFSET.match(str(record.get(offset_tag, "")))
        if match:
            offset = (int(match.group(2)) * 60 + int(match.group(3))) * (-1 if match.group(1) == "-" else 1)
        times[os.path.basename(record["SourceFile"])] = (wall, offset)
    return times


def geotime(wall, offset_minutes):
    """ExifTool's Geotime: the camera's time with its offset to UTC."""
    sign = "-" if offset_minutes < 0 else "+"
    return "%s%s%02d:%02d" % (wall.strftime("%Y:%m:%d %H:%M:%S"), sign, abs(offset_minutes) // 60,
                              abs(offset_minutes) % 60)


def utc_seconds(wall, offset_minutes, correction):
    return int((wall - EPOCH).total_seconds()) - offset_minutes * 60 + correction


# Tracks -------------------------------------------------------------------

class Point:
    """A track point: its time in microseconds since 1970 (UTC), position,
    elevation (None: no <ele>); timed=False writes it without <time>."""

    def __init__(self, us, lat, lon, ele, timed=True):
        self.us, self.lat, self.lon, self.ele, self.timed = us, lat, lon, ele, timed
        self.time_text = None  # set when written
        self.lat_text = self.lon_text = self.ele_text = None


def wrap(lon):
    while lon > 180:
        lon -= 360
    while lon < -180:
        lon += 360
    return lon


class TrackMaker:
    """The points around the photos' moments for one track."""

    def __init__(self, rnd, style, elevations=True):
        self.rnd, self.style, self.elevations = rnd, style, elevations
        self.groups = []      # lists of points that belong together (a segment)
        self.decoys = []      # points that later ones of the same time replace
        self.scenarios = {}   # name -> scenario

    def place(self, t):
        """A place near which a photo's points lie: (latitude, longitude,
        None), or at the 180th meridian (latitude, longitude, t), where the
        longitude of a point follows its time, eastwards."""
        rnd = self.rnd
        kind = rnd.random()
        if kind < 0.12:
            return rnd.uniform(-60, 60), 180.0 - rnd.uniform(0, 0.03), t
        if kind < 0.22:
            return rnd.uniform(-0.01, 0.01), rnd.uniform(-0.01, 0.01), None   # equator, prime meridian
        return rnd.uniform(-75, 75), rnd.uniform(-179.9, 179.9), None

    def point(self, us, centre, with_ele=True):
        """A point near a place. Across the 180th meridian the points go
        eastwards only, 0.03 degrees in 30 minutes: ExifTool 12.57 moves a
        westward crossing by 720 degrees instead of 360 (its "$v0 < $v1 ?
        $v0 += 360 : $v1 += 360" adds to $v0 twice); check_westward_crossing
        covers that direction."""
        rnd = self.rnd
        lat = max(-89.9, min(89.9, centre[0] + rnd.uniform(-0.03, 0.03)))
        if centre[2] is None:
            lon = wrap(centre[1] + rnd.uniform(-0.03, 0.03))
        else:
            lon = wrap(centre[1] + (us / 1e6 - centre[2]) * 0.03 / GAP)
        ele = None
        if with_ele and self.elevations:
            ele = round(rnd.uniform(-60, 3200), rnd.choice((0, 1, 2, 3)))
        return Point(us, lat, lon, ele)

    def seconds(self, low, high, exact=False):
        """A duration in microseconds: whole or half seconds when exact,
        else with milliseconds (or microseconds in the finest dialect)."""
        if exact:
            return int(self.rnd.randint(int(low * 2), int(high * 2)) * 500000)
        step = 1 if self.style == "C" else 1000
        return self.rnd.randrange(int(low * 1e6) // step, int(high * 1e6) // step + 1) * step

    def add_group(self, points):
        self.groups.append(points)

    def around(self, name, t, scenario):
        """Points around a photo matched at t seconds (UTC)."""
        self.scenarios[name] = scenario
        us = t * 1000000
        centre = self.place(t)
        sec = self.seconds
        p = self.point
        g = []
        if scenario == "interpolate":
            a = sec(1, GAP - 1)
            b = sec(1, GAP - a / 1e6)
            g = [p(us - a, centre), p(us + b, centre)]
        elif scenario == "interpolate-30-minutes":
            a = sec(1, GAP - 1, exact=True)
            g = [p(us - a, centre), p(us - a + int(GAP * 1e6), centre)]
        elif scenario == "on-a-point":
            g = [p(us - sec(60, 900), centre), p(us, centre), p(us + sec(60, 900), centre)]
        elif scenario == "elevation-from-further":
            # The points around have no elevation; the ones before and after do.
            a, b = sec(1, 900), sec(1, 800)
            g = [p(us - a - sec(1, 1700), centre), p(us - a, centre, False), p(us + b, centre, False),
                 p(us + b + sec(1, 1700), centre)]
        elif scenario == "elevation-on-one-side":
            # Nothing before the earlier point has an elevation: ExifTool
            # writes no altitude, and there is none to compare.
            a = sec(1, GAP - 1)
            g = [p(us - a, centre, False), p(us + sec(1, GAP - a / 1e6), centre)]
        elif scenario == "nearer-earlier":
            d0 = sec(1, GAP - 1)
            g = [p(us - d0, centre), p(us + d0 + sec(GAP - d0 / 1e6 + 1, 4000), centre)]
        elif scenario == "nearest-without-elevation":
            # The nearer end of a long gap has no elevation; the point before
            # it, within 30 minutes of it, has one.
            d0 = sec(1, GAP - 1)
            g = [p(us - d0 - sec(1, 1700), centre), p(us - d0, centre, False),
                 p(us + d0 + sec(GAP - d0 / 1e6 + 1, 4000), centre)]
        elif scenario == "nearer-later":
            d1 = sec(1, GAP - 1)
            g = [p(us - d1 - sec(GAP - d1 / 1e6 + 1, 4000), centre), p(us + d1, centre)]
        elif scenario == "nearest-at-30-minutes":
            far = sec(GAP + 1, 5000, exact=True)
            g = [p(us - int(GAP * 1e6), centre), p(us + far, centre)]
            if self.rnd.random() < 0.5:
                g = [p(us - far, centre), p(us + int(GAP * 1e6), centre)]
        elif scenario == "midway":
            d = sec(GAP / 2 + 1, GAP, exact=True)
            g = [p(us - d, centre), p(us + d, centre)]
        elif scenario == "too-far":
            g = [p(us - sec(GAP + 0.5, 6000, exact=True), centre), p(us + sec(GAP + 0.5, 6000, exact=True), centre)]
        elif scenario == "just-too-far":
            g = [p(us - int((GAP + 0.5) * 1e6), centre), p(us + sec(GAP + 1, 6000), centre)]
        elif scenario == "before-near":
            first = us + sec(1, GAP, exact=True)
            g = [p(first, centre), p(first + sec(1, 1200), centre)]
        elif scenario == "before-at-30-minutes":
            first = us + int(GAP * 1e6)
            g = [p(first, centre), p(first + sec(1, 1200), centre)]
        elif scenario == "before-near-without-elevation":
            first = us + sec(1, GAP, exact=True)
            g = [p(first, centre, False), p(first + sec(1, 1200), centre)]
        elif scenario == "before-too-far":
            first = us + sec(GAP + 0.5, 4000, exact=True)
            g = [p(first, centre), p(first + sec(1, 1200), centre)]
        elif scenario == "after-near":
            last = us - sec(1, GAP, exact=True)
            g = [p(last - sec(1, 1200), centre), p(last, centre)]
        elif scenario == "after-near-without-elevation":
            last = us - sec(1, GAP, exact=True)
            g = [p(last - sec(1, 1200), centre), p(last, centre, False)]
        elif scenario == "after-too-far":
            last = us - sec(GAP + 0.5, 4000, exact=True)
            g = [p(last - sec(1, 1200), centre), p(last, centre)]
        elif scenario == "no-points":
            return
        # Company: a point without time in the middle, and for some a point of
        # the same time as one of them that comes earlier in the file.
        if len(g) >= 2:
            middle = self.point(g[0].us, (centre[0] / 2 + 10, centre[1] / 2 + 10, None))
            middle.timed = False
            g.insert(1, middle)
        if self.rnd.random() < 0.4:
            real = self.rnd.choice([q for q in g if q.timed])
            self.decoys.append(Point(real.us, -real.lat / 2, wrap(real.lon + 90), 1.0 if self.elevations else None))
        self.add_group(g)


SCENARIOS = ["interpolate", "interpolate-30-minutes", "on-a-point", "elevation-from-further",
             "elevation-on-one-side", "nearer-earlier", "nearest-without-elevation",
             "nearer-later", "nearest-at-30-minutes", "midway", "too-far", "just-too-far", "no-points"]
FIRST_SCENARIOS = ["before-near", "before-near-without-elevation", "before-at-30-minutes", "before-too-far"]
LAST_SCENARIOS = ["after-near", "after-near-without-elevation", "after-too-far"]


def plan_track(rnd, style, moments, elevations=True):
    """A TrackMaker around the photos (name -> UTC seconds, photos with a
    time). The earliest and the latest photo lie before and after the track."""
    maker = TrackMaker(rnd, style, elevations)
    order = sorted(moments, key=lambda n: (moments[n], n))
    burst_names = {b[0] for b in BURST} | {BURST_SOURCE}
    burst = [n for n in order if n in burst_names]
    for index, name in enumerate(order):
        if name in burst:
            continue
        if index == 0:
            scenario = rnd.choice(FIRST_SCENARIOS)
        elif index == len(order) - 1:
            scenario = rnd.choice(LAST_SCENARIOS)
        else:
            scenario = rnd.choice(SCENARIOS)
        maker.around(name, moments[name], scenario)
    # The photos minutes apart share one stretch of points, most of them
    # close enough to join, with one long gap.
    start = min(moments[n] for n in burst) - rnd.randint(60, 900)
    end = max(moments[n] for n in burst) + rnd.randint(60, 900)
    centre = maker.place(start)
    stretch = []
    us = start * 1000000
    long_gap_at = rnd.randint(start + 600, end - 600) * 1000000
    while us <= end * 1000000:
        gap_here = us <= long_gap_at < us + 1000 * 1000000
        stretch.append(maker.point(us, centre, with_ele=rnd.random() < 0.8))
        us += maker.seconds(GAP + 1, 3000) if gap_here else maker.seconds(20, 1000)
    maker.add_group(stretch)
    for name in burst:
        maker.scenarios[name] = "stretch"
    # Nothing else may lie before the first or after the last photo.
    times = [q.us for g in maker.groups for q in g if q.timed]
    first, last = order[0], order[-1]
    assert maker.scenarios[first].startswith("before") and min(times) > moments[first] * 1000000
    assert maker.scenarios[last].startswith("after") and max(times) < moments[last] * 1000000
    return maker


def time_text(rnd, style, us):
    """The GPX time of a moment, in one of the forms GPX files use."""
    whole, micro = divmod(us, 1000000)
    if style == "A":
        zone = 0
        forms = ["Z"]
    elif style == "B":
        zone = rnd.choice((0, 120, -330, 345, -600, 60))
        forms = ["colon", "plain", "Z" if zone == 0 else "colon", "none" if zone == 0 else "colon"]
    else:
        zone = rnd.choice((0, 0, 120, -180))
        forms = ["Z", "colon", "none" if zone == 0 else "Z"]
    form = rnd.choice(forms)
    if form in ("Z", "none"):
        zone = 0
    wall = EPOCH + datetime.timedelta(seconds=whole + zone * 60)
    text = wall.strftime("%Y-%m-%dT%H:%M:%S")
    if micro or rnd.random() < 0.1:
        digits = "%06d" % micro
        if style != "C" or micro % 1000 == 0:
            digits = digits[:3]
        text += "." + digits.rstrip("0") if micro else ".000"
    if form == "Z":
        text += "Z"
    elif form in ("colon", "plain"):
        sign = "-" if zone < 0 else "+"
        sep = ":" if form == "colon" else ""
        text += "%s%02d%s%02d" % (sign, abs(zone) // 60, sep, abs(zone) % 60)
    return text


def point_xml(rnd, style, tag, q, indent):
    q.lat_text = "%.*f" % (rnd.randint(5, 9), q.lat)
    q.lon_text = "%.*f" % (rnd.randint(5, 9), q.lon)
    children = []
    if q.ele is not None:
        q.ele_text = "%g" % q.ele if style != "A" else "%.3f" % q.ele
        children.append("<ele>%s</ele>" % q.ele_text)
    if q.timed:
        q.time_text = time_text(rnd, style, q.us)
        children.append("<time>%s</time>" % q.time_text)
    if style == "C" and rnd.random() < 0.2:
        children.append("<extensions><h:hr>%d</h:hr></extensions>" % rnd.randint(60, 180))
    if style == "B" and rnd.random() < 0.2:
        children.append("<sat>%d</sat>" % rnd.randint(3, 12))
    quote = "'" if rnd.random() < 0.2 else '"'
    return "%s<%s lat=%s%s%s lon=%s%s%s>%s</%s>" % (indent, tag, quote, q.lat_text, quote, quote, q.lon_text, quote,
                                                    "".join(children), tag)


def write_gpx(maker, path, rnd, waypoints=False):
    """Writes the track in the maker's dialect: A is GPX 1.1 in time order,
    one track of many segments; B is GPX 1.0, several tracks and segments in
    no order; C is GPX 1.1 with the repeated points first in a track of
    their own and part of the points as routes after the tracks. With
    waypoints, every point is a <wpt> of a GPX 1.1 file, the repeated first."""
    style = maker.style
    groups = list(maker.groups)
    lines = ['<?xml version="1.0" encoding="UTF-8"?>']
    if waypoints:
        lines.append('<gpx version="1.1" creator="geotag oracle" xmlns="http://www.topografix.com/GPX/1/1" '
                     'xmlns:h="urn:example:heart">')
        for q in maker.decoys + sorted((q for g in groups for q in g), key=lambda q: q.us):
            lines.append(point_xml(rnd, style, "wpt", q, " "))
        lines.append("</gpx>")
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines) + "\n")
        return
    if style == "B":
        lines.append('<gpx version="1.0" creator="geotag oracle" xmlns="http://www.topografix.com/GPX/1/0">')
        lines.append("<time>2001-01-01T00:00:00Z</time>")
        rnd.shuffle(groups)
    else:
        extra = ' xmlns:h="urn:example:heart"' if style == "C" else ""
        lines.append('<gpx version="1.1" creator="geotag oracle" xmlns="http://www.topografix.com/GPX/1/1"%s>' % extra)
        lines.append("<metadata><name>oracle</name><time>2001-01-01T00:00:00Z</time></metadata>")
        groups.sort(key=lambda g: min(q.us for q in g if q.timed))
    routes = []
    if style == "C":
        routes = [g for g in groups if rnd.random() < 0.3]
        groups = [g for g in groups if all(g is not r for r in routes)]
        decoys = maker.decoys
        if decoys:
            lines.append("<trk><name>first</name><trkseg>")
            lines += [point_xml(rnd, style, "trkpt", q, " ") for q in decoys]
            lines.append("</trkseg></trk>")
    elif maker.decoys:
        # The repeated points go first, in a segment of their own.
        groups.insert(0, maker.decoys)
    if style == "A":
        lines.append("<trk><name>day</name>")
        for g in groups:
            lines.append(" <trkseg>")
            lines += [point_xml(rnd, style, "trkpt", q, "  ") for q in g]
            lines.append(" </trkseg>")
        lines.append("</trk>")
    else:
        i = 0
        while i < len(groups):
            lines.append("<trk><name>part %d</name>" % i)
            for g in groups[i:i + rnd.randint(1, 3)]:
                lines.append(" <trkseg>")
                lines += [point_xml(rnd, style, "trkpt", q, "  ") for q in g]
                lines.append(" </trkseg>")
                i += 1
            lines.append("</trk>")
    for r in routes:
        lines.append("<rte><name>route</name>")
        lines += [point_xml(rnd, style, "rtept", q, " ") for q in r]
        lines.append("</rte>")
    lines.append("</gpx>")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


# The driver and ExifTool ----------------------------------------------------

def parse_driver_points(stdout):
    points = []
    count = None
    for line in stdout.splitlines():
        fields = line.split()
        if fields and fields[0] == "point":
            ele = None if fields[4] == "none" else float(fields[4])
            points.append((float(fields[1]), float(fields[2]), float(fields[3]), ele))
        elif fields and fields[0] == "points":
            count = int(fields[1])
    return points, count


def parse_driver_tag(stdout):
    photos, write = {}, None
    for line in stdout.splitlines():
        fields = line.split()
        if fields and fields[0] == "photo":
            num = lambda s: None if s == "-" else float(s)  # noqa: E731
            photos[int(fields[1])] = {"outcome": fields[2], "readOnly": fields[3] == "1", "utc": num(fields[4]),
                                      "lat": num(fields[5]), "lon": num(fields[6]), "alt": num(fields[7])}
        elif fields and fields[0] == "write":
            write = (int(fields[1], 16), int(fields[2]), int(fields[3]))
    return photos, write


def gpxpy_points(path):
    """The timed points of wpt, trk/trkseg and rte as gpxpy reads them, in
    file order (the routes follow the tracks in these files), sorted by time with
    the last of each time kept: (seconds, latitude, longitude, elevation)."""
    with open(path, encoding="utf-8") as f:
        gpx = gpxpy.parse(f)
    found = list(gpx.waypoints)  # written first, when there are any
    for track in gpx.tracks:
        for segment in track.segments:
            found += segment.points
    for route in gpx.routes:
        found += route.points
    timed = []
    for p in found:
        if p.time is None:
            continue
        delta = p.time - datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)
        micro = (delta.days * 86400 + delta.seconds) * 1000000 + delta.microseconds
        timed.append((micro, p.latitude, p.longitude, p.elevation))
    timed.sort(key=lambda x: x[0])  # stable: file order among equal times
    kept = []
    for x in timed:
        if kept and kept[-1][0] == x[0]:
            kept[-1] = x
        else:
            kept.append(x)
    return kept


def readback(paths):
    """file name -> (latitude, longitude, altitude or None) as ExifTool reads
    the GPS tags (-n), or None without a position."""
    out = exiftool(["-j", "-n", "-G1", "-GPS:GPSLatitude", "-GPS:GPSLatitudeRef", "-GPS:GPSLongitude",
                    "-GPS:GPSLongitudeRef", "-GPS:GPSAltitude", "-GPS:GPSAltitudeRef"] + list(paths)).stdout
    result = {}
    for r in json.loads(out):
        name = os.path.basename(r["SourceFile"])
        if "GPS:GPSLatitude" not in r or "GPS:GPSLongitude" not in r:
            result[name] = None
            continue
        lat = float(r["GPS:GPSLatitude"]) * (-1 if r.get("GPS:GPSLatitudeRef") == "S" else 1)
        lon = float(r["GPS:GPSLongitude"]) * (-1 if r.get("GPS:GPSLongitudeRef") == "W" else 1)
        alt = None
        if "GPS:GPSAltitude" in r:
            alt = float(r["GPS:GPSAltitude"]) * (-1 if int(r.get("GPS:GPSAltitudeRef", 0)) == 1 else 1)
        result[name] = (lat, lon, alt)
    return result


def gps_tags(paths):
    """file name -> {tag: value} of every GPS tag as ExifTool reads it (-n)."""
    out = exiftool(["-j", "-n", "-G1", "-GPS:all"] + list(paths)).stdout
    return {os.path.basename(r["SourceFile"]): {k[4:]: v for k, v in r.items() if k.startswith("GPS:")}
            for r in json.loads(out)}


def check_gps_tags(checks, label, name, ours, theirs, before, cov):
    """The product wrote, removed and kept the same GPS tags as ExifTool,
    with the same values (those of NEAR_TAGS are compared elsewhere)."""
    only_ours, only_theirs = sorted(set(ours) - set(theirs)), sorted(set(theirs) - set(ours))
    checks.check(not only_ours and not only_theirs, "%s: %s: GPS tags only the product has %r, only ExifTool has %r"
                 % (label, name, only_ours, only_theirs))
    for tag in sorted(set(ours) & set(theirs) - NEAR_TAGS):
        checks.check(ours[tag] == theirs[tag], "%s: %s: %s is %r, ExifTool's %r" % (label, name, tag, ours[tag],
                                                                                   theirs[tag]))
    cov.add("GPS tag sets compared")
    for tag in before:
        if tag not in theirs:
            cov.add("earlier %s removed" % tag)
        elif tag not in NEAR_TAGS and before[tag] == theirs[tag]:
            cov.add("earlier %s kept" % tag)


def in_hundredths(degrees):
    """A coordinate as the product stores it (degrees, minutes, hundredths of
    seconds), read back as ExifTool reads it."""
    d = abs(degrees)
    deg = int(d)
    m = (d - deg) * 60.0
    minutes = int(m)
    sec100 = int((m - minutes) * 6000.0 + 0.5)
    value = deg + (minutes + sec100 / 100 / 60) / 60
    return -value if degrees < 0 else value


def exiftool_geotag(folder, track, photos, correction):
    """Geotags each photo (name -> Geotime) in one ExifTool process."""
    args = []
    for name, when in photos.items():
        if correction:
            args.append("-geosync=%+d" % correction)
        args += ["-overwrite_original", "-geotag", track, "-Geotime=" + when, os.path.join(folder, name),
                 "-execute"]
    argfile = os.path.join(os.path.dirname(folder), "exiftool-args.txt")
    with open(argfile, "w") as f:
        f.write("\n".join(args) + "\n")
    return exiftool(["-@", argfile], check=False)


# The checks ----------------------------------------------------------------

class Coverage:
    def __init__(self):
        self.counts = {}

    def add(self, key):
        self.counts[key] = self.counts.get(key, 0) + 1

    def get(self, key):
        return self.counts.get(key, 0)


def check_reader(checks, prefix, driver, track, cov):
    result = prefix.run(driver, ["points", rb.windows_path(track)])
    if not checks.check(result.returncode == 0 and result.stdout.startswith("track 00000000"),
                        "%s: points: %s %s" % (track, result.stdout[:200], result.stderr[:200])):
        return
    ours, count = parse_driver_points(result.stdout)
    theirs = gpxpy_points(track)
    checks.check(count == len(ours), "%s: %s points printed, %s counted" % (track, len(ours), count))
    if not checks.check(len(ours) == len(theirs),
                        "%s: the driver read %d timed points, gpxpy %d" % (track, len(ours), len(theirs))):
        return
    cov.counts["points compared with gpxpy"] = cov.get("points compared with gpxpy") + len(ours)
    for o, t in zip(ours, theirs):
        same = (abs(o[0] - t[0] / 1e6) <= 1e-6 and o[1] == t[1] and o[2] == t[2] and
                (o[3] is None) == (t[3] is None) and (o[3] is None or o[3] == t[3]))
        if not checks.check(same, "%s: point %r, gpxpy %r" % (os.path.basename(track), o, t)):
            return


def check_run(checks, label, names, base, times, setting, ours_dir, theirs_dir, driver_out, et_read, pr_read,
              cov, worst, tags):
    offset, correction = setting
    photos, write = driver_out
    order = names + [READ_ONLY_NAME, NOT_A_PHOTO]
    checks.check(len(photos) == len(order), "%s: the driver listed %d photos of %d" % (label, len(photos), len(order)))
    written_expected = 0
    for index, name in enumerate(order):
        got = photos.get(index)
        if not checks.check(got is not None, "%s: %s not listed" % (label, name)):
            continue
        ours_path = os.path.join(ours_dir, name)
        changed = digest(ours_path) != base[name]
        if name == NOT_A_PHOTO:
            checks.check(got["outcome"] == "not-a-photo" and not changed, "%s: %s: %r" % (label, name, got))
            continue
        wall, own_offset = times[READ_ONLY_SOURCE if name == READ_ONLY_NAME else name]
        if wall is None:
            cov.add("photos without a time")
            checks.check(got["outcome"] == "no-time" and got["utc"] is None and not changed,
                         "%s: %s has no time: %r, changed %s" % (label, name, got, changed))
            continue
        cov.add("offset of its own" if own_offset is not None else "the user's offset")
        utc = utc_seconds(wall, own_offset if own_offset is not None else offset, correction)
        checks.check(got["utc"] == utc, "%s: %s matched at %r, not %r" % (label, name, got["utc"], utc))
        cov.add(got["outcome"])
        located = got["outcome"] in OUTCOMES_LOCATED
        if name == READ_ONLY_NAME:
            checks.check(got["readOnly"] and not changed, "%s: the read-only photo: %r, changed %s" %
                         (label, got, changed))
            twin = READ_ONLY_SOURCE
        else:
            checks.check(not got["readOnly"], "%s: %s taken as read-only" % (label, name))
            twin = name
            written_expected += 1 if located else 0
            checks.check(changed == located, "%s: %s %s but %s" % (label, name, got["outcome"],
                                                                     "changed" if changed else "unchanged"))
        theirs_changed = digest(os.path.join(theirs_dir, twin)) != base[twin]
        if not checks.check(located == theirs_changed, "%s: %s: the product %s, ExifTool %s" %
                            (label, name, got["outcome"], "tagged it" if theirs_changed else "did not tag it")):
            continue
        if not located:
            continue
        theirs = et_read.get(twin)
        if not checks.check(theirs is not None, "%s: ExifTool wrote no position into %s" % (label, twin)):
            continue
        if abs(got["lon"]) > 179.9:
            cov.add("located at the 180th meridian")
        # The computed position against what ExifTool wrote.
        for axis, i in (("lat", 0), ("lon", 1)):
            diff = abs(got[axis] - theirs[i])
            if axis == "lon":
                diff = min(diff, 360 - diff)
            worst["computed"] = max(worst["computed"], diff)
            checks.check(diff <= ANGLE_TOLERANCE, "%s: %s: %s computed %.12f, ExifTool wrote %.12f" %
                         (label, name, axis, got[axis], theirs[i]))
        if theirs[2] is not None:
            cov.add("altitudes compared")
            checks.check(got["alt"] is not None and abs(got["alt"] - theirs[2]) <= 0.001,
                         "%s: %s: altitude computed %r, ExifTool wrote %.6f" % (label, name, got["alt"], theirs[2]))
        else:
            cov.add("no altitude from ExifTool")
            checks.check(got["alt"] is None, "%s: %s: altitude %r where ExifTool has none" % (label, name, got["alt"]))
        if name == READ_ONLY_NAME:
            continue
        if name in HEIF_SAMPLES:
            cov.add("HEIF photos written")
        # What the product wrote, read back.
        check_gps_tags(checks, label, name, tags["ours"].get(name, {}), tags["exiftool"].get(name, {}),
                       tags["before"].get(name, {}), cov)
        ours = pr_read.get(name)
        if not checks.check(ours is not None, "%s: no position read back from %s" % (label, name)):
            continue
        for axis, i in (("lat", 0), ("lon", 1)):
            stored = in_hundredths(got[axis])
            checks.check(abs(ours[i] - stored) <= 1e-9, "%s: %s: %s %.12f stored as %.12f, not %.12f" %
                         (label, name, axis, got[axis], ours[i], stored))
            diff = abs(ours[i] - theirs[i])
            if axis == "lon":
                diff = min(diff, 360 - diff)
            worst["written"] = max(worst["written"], diff)
            if diff > ANGLE_TOLERANCE:
                cov.add("written coordinates more than 1e-6 deg apart")
            cov.add("written coordinates compared")
            checks.check(diff <= PRODUCT_QUANTUM + 1e-9, "%s: %s: %s written %.12f, ExifTool %.12f" %
                         (label, name, axis, ours[i], theirs[i]))
        if theirs[2] is not None:
            checks.check(ours[2] is not None and abs(ours[2] - theirs[2]) <= ALTITUDE_TOLERANCE,
                         "%s: %s: altitude written %r, ExifTool %r" % (label, name, ours[2], theirs[2]))
    if write is not None:
        checks.check(write[1] == written_expected and write[2] == (1 if photos.get(len(names), {}).get("outcome")
                                                                   in OUTCOMES_LOCATED else 0),
                     "%s: written %d, read-only %d; expected %d written" % (label, write[1], write[2],
                                                                            written_expected))
    else:
        checks.check(False, "%s: no write line" % label)


WESTWARD_TRACK = """<?xml version="1.0" encoding="UTF-8"?>
<gpx version="1.1" creator="geotag oracle" xmlns="http://www.topografix.com/GPX/1/1">
<trk><trkseg>
 <trkpt lat="49.8" lon="-179.99"><ele>10</ele><time>2003-12-14T04:00:00Z</time></trkpt>
 <trkpt lat="49.9" lon="179.99"><ele>20</ele><time>2003-12-14T04:10:00Z</time></trkpt>
</trkseg></trk>
</gpx>
"""


def check_westward_crossing(checks, prefix, driver, photos, work):
    """Westwards across the 180th meridian, judged by the arithmetic here
    (ExifTool 12.57 is 720 degrees off there): between -179.99 and 179.99,
    600 s apart, a fifth of the way is -179.994 and four fifths 179.994."""
    os.makedirs(work)
    cases = {"west-1.jpg": ("04:02:00", 0.2), "west-2.jpg": ("04:08:00", 0.8)}
    for name, (when, _) in cases.items():
        path = os.path.join(work, name)
        shutil.copyfile(os.path.join(photos, BURST_SOURCE), path)
        os.chmod(path, 0o644)
        exiftool(["-q", "-overwrite_original", "-ExifIFD:DateTimeOriginal=2003:12:14 " + when,
                  "-ExifIFD:OffsetTimeOriginal=+00:00", path])
    track = os.path.join(work, "westward.gpx")
    with open(track, "w") as f:
        f.write(WESTWARD_TRACK)
    own(work)
    result = prefix.run(driver, ["tag", rb.windows_path(track), "0", "0"] +
                        [rb.windows_path(os.path.join(work, n)) for n in cases])
    photos_out, _ = parse_driver_tag(result.stdout)
    written = readback([os.path.join(work, n) for n in cases])
    for index, (name, (_, f)) in enumerate(cases.items()):
        lon = 179.99 * f + (-179.99 + 360) * (1 - f)
        lon = lon - 360 if lon >= 180 else lon
        lat = 49.9 * f + 49.8 * (1 - f)
        got = photos_out.get(index, {})
        ok = (got.get("outcome") == "interpolated" and abs(got["lon"] - lon) <= 1e-9 and
              abs(got["lat"] - lat) <= 1e-9 and abs(got["alt"] - (20 * f + 10 * (1 - f))) <= 1e-9)
        checks.check(ok, "westward across the 180th meridian, %s: %r, not %.9f %.9f" % (name, got, lat, lon))
        back = written.get(name)
        checks.check(back is not None and abs(back[1] - in_hundredths(lon)) <= 1e-9,
                     "westward across the 180th meridian, %s: wrote %r, not %.9f" % (name, back, lon))


def check_failures(checks, prefix, driver, work):
    """The driver's exit code is the HRESULT of reading the track (Wine
    passes on its low byte)."""
    os.makedirs(work)
    empty = os.path.join(work, "empty.gpx")
    with open(empty, "w") as f:
        f.write('<?xml version="1.0"?>\n<gpx version="1.1" xmlns="http://www.topografix.com/GPX/1/1"><trk><trkseg>'
                '<trkpt lat="1" lon="2"><ele>3</ele></trkpt></trkseg></trk></gpx>\n')
    broken = os.path.join(work, "broken.gpx")
    with open(broken, "w") as f:
        f.write("<gpx><trk><trkseg><trkpt lat='1' lon='2'><time>2001-01-01T00:00:00Z</time></trkseg></gpx>\n")
    own(work)
    for track, hr in ((os.path.join(work, "missing.gpx"), 0x80070002), (empty, 0x80040202), (broken, 0x80040201)):
        for args in (["points", rb.windows_path(track)], ["tag", rb.windows_path(track), "0", "0"]):
            result = prefix.run(driver, args)
            checks.check(result.stdout.startswith("track %08x" % hr) and result.returncode == hr & 0xFF,
                         "%s %s: %r, exit code %d" % (args[0], os.path.basename(track), result.stdout[:80],
                                                      result.returncode))


RAW_ANGLE_TOLERANCE = 1e-7
RAW_ALTITUDE_TOLERANCE = 0.01


def raw_sidecar_readback(paths):
    """path -> (latitude, longitude, altitude or None, fix time or None,
    warning or None) as ExifTool reads the sidecars (-n)."""
    out = exiftool(["-j", "-n", "-G1", "-XMP-exif:GPSLatitude", "-XMP-exif:GPSLongitude", "-XMP-exif:GPSAltitude",
                    "-XMP-exif:GPSAltitudeRef", "-XMP-exif:GPSDateTime", "-Warning"] + list(paths),
                   check=False).stdout
    result = {}
    for r in json.loads(out or "[]"):
        if "XMP-exif:GPSLatitude" not in r or "XMP-exif:GPSLongitude" not in r:
            continue
        alt = r.get("XMP-exif:GPSAltitude")
        if alt is not None and int(r.get("XMP-exif:GPSAltitudeRef", 0)) == 1:
            alt = -float(alt)
        when = str(r.get("XMP-exif:GPSDateTime", ""))[:19] or None
        result[r["SourceFile"]] = (float(r["XMP-exif:GPSLatitude"]),
                                                     float(r["XMP-exif:GPSLongitude"]), alt, when,
                                                     r.get("ExifTool:Warning"))
    return result


def check_raw_sidecars(checks, prefix, driver, raw_dir, work, cov):
    """The raw samples geotagged by the driver and by ExifTool into sidecars."""
    os.makedirs(work)
    names = sorted(n for n in os.listdir(raw_dir) if not n.lower().endswith((".md", ".xmp")))
    # Each raw file in a folder of its own: CanonRaw.cr2 and CanonRaw.cr3
    # would share ExifTool's CanonRaw.xmp (the product gives them one each).
    ours_dir, theirs_dir = os.path.join(work, "ours"), os.path.join(work, "exiftool")
    place = lambda folder, n: os.path.join(folder, n.replace(".", "-"), n)  # noqa: E731
    for folder in (ours_dir, theirs_dir):
        for n in names:
            os.makedirs(os.path.dirname(place(folder, n)))
            shutil.copyfile(os.path.join(raw_dir, n), place(folder, n))
            os.chmod(place(folder, n), 0o644)
    hashes = {n: digest(place(ours_dir, n)) for n in names}
    out = exiftool(["-j", "-DateTimeOriginal", "-OffsetTimeOriginal"] +
                   [os.path.join(raw_dir, n) for n in names]).stdout
    # Two points 20 minutes apart around each moment, 0.00002 degrees and
    # half a metre apart; each raw file at a place of its own.
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<gpx version="1.1" creator="geotag oracle" xmlns="http://www.topografix.com/GPX/1/1"><trk><trkseg>']
    points = []
    for i, record in enumerate(json.loads(out)):
        match = EXIF_TIME.match(str(record.get("DateTimeOriginal", "")))
        if not checks.check(match is not None, "raw %s: no DateTimeOriginal" % record["SourceFile"]):
            continue
        wall = datetime.datetime(*(int(g) for g in match.groups()))
        offset = EXIF_OFFSET.match(str(record.get("OffsetTimeOriginal", "")))
        minutes = 0 if not offset else (int(offset.group(2)) * 60 + int(offset.group(3))) * (
            -1 if offset.group(1) == "-" else 1)
        moment = wall - datetime.timedelta(minutes=minutes)
        for k, (lat, lon, ele) in enumerate(((-40.0 + 9 * i, 100.0 - 7 * i, 100.0),
                                             (-40.0 + 9 * i + 0.00002, 100.0 - 7 * i + 0.00001, 100.5))):
            points.append((moment + datetime.timedelta(minutes=-10 + 20 * k), lat, lon, ele))
    for when, lat, lon, ele in sorted(points):
        lines.append(' <trkpt lat="%.5f" lon="%.5f"><ele>%.1f</ele><time>%s</time></trkpt>' %
                     (lat, lon, ele, when.strftime("%Y-%m-%dT%H:%M:%SZ")))
    lines.append("</trkseg></trk></gpx>")
    track = os.path.join(work, "raw.gpx")
    with open(track, "w") as f:
        f.write("\n".join(lines) + "\n")
    own(work)
    result = prefix.run(driver, ["tag", rb.windows_path(track), "0", "0"] +
                        [rb.windows_path(place(ours_dir, n)) for n in names])
    photos_out, write = parse_driver_tag(result.stdout)
    checks.check(result.returncode == 0 and write is not None and write[1] == len(names),
                 "raw files: the driver wrote %r of %d: %s" % (write, len(names), result.stdout[-300:]))
    et = subprocess.run(["exiftool", "-geotag", track, "-tagsfromfile", "@", "-xmp:geotime<DateTimeOriginal",
                         "-xmp:geotime<SubSecDateTimeOriginal", "-srcfile", "%d%f.xmp", "-r", theirs_dir],
                        capture_output=True, text=True, env=dict(os.environ, TZ="UTC"))
    checks.check(et.returncode == 0, "raw files: ExifTool's geotagging failed: %s" % et.stderr[-300:])
    sidecar = lambda folder, n: os.path.splitext(place(folder, n))[0] + ".xmp"  # noqa: E731
    ours = raw_sidecar_readback([sidecar(ours_dir, n) for n in names])
    theirs = raw_sidecar_readback([sidecar(theirs_dir, n) for n in names])
    for index, name in enumerate(names):
        checks.check(digest(place(ours_dir, name)) == hashes[name], "raw %s: the raw file changed" % name)
        checks.check(photos_out.get(index, {}).get("outcome") == "interpolated",
                     "raw %s: %r" % (name, photos_out.get(index)))
        o, t = ours.get(sidecar(ours_dir, name)), theirs.get(sidecar(theirs_dir, name))
        if not checks.check(o is not None and t is not None, "raw %s: sidecars ours %r, ExifTool's %r" %
                            (name, o, t)):
            continue
        checks.check(abs(o[0] - t[0]) <= RAW_ANGLE_TOLERANCE and abs(o[1] - t[1]) <= RAW_ANGLE_TOLERANCE,
                     "raw %s: position %r, ExifTool's %r" % (name, o[:2], t[:2]))
        checks.check(o[2] is not None and t[2] is not None and abs(o[2] - t[2]) <= RAW_ALTITUDE_TOLERANCE,
                     "raw %s: altitude %r, ExifTool's %r" % (name, o[2], t[2]))
        checks.check(o[3] is not None and o[3] == t[3], "raw %s: fix time %r, ExifTool's %r" % (name, o[3], t[3]))
        checks.check(o[4] is None, "raw %s: ExifTool warns of our sidecar: %s" % (name, o[4]))
        cov.add("raw files geotagged into sidecars")


def main():
    driver, bench, photos, raw = sys.argv[1:5]
    checks = rb.Checks()
    work = tempfile.mkdtemp(prefix="vz-geotag-oracle-")
    os.chmod(work, 0o755)
    cov = Coverage()
    worst = {"computed": 0.0, "written": 0.0}
    try:
        base_dir = os.path.join(work, "base")
        os.mkdir(base_dir)
        names = prepare_photos(photos, base_dir)
        shutil.copyfile(os.path.join(base_dir, READ_ONLY_SOURCE), os.path.join(base_dir, READ_ONLY_NAME))
        with open(os.path.join(base_dir, NOT_A_PHOTO), "w") as f:
            f.write("not a photo\n")
        for n in os.listdir(base_dir):
            os.chmod(os.path.join(base_dir, n), 0o644)
        base = {n: digest(os.path.join(base_dir, n)) for n in os.listdir(base_dir)}
        times = read_times([os.path.join(base_dir, n) for n in names])
        before = gps_tags([os.path.join(base_dir, n) for n in names])
        checks.check(sum(1 for n in names if times[n][0] is None) == 2, "photos without a time: %r" %
                     [n for n in names if times[n][0] is None])
        tracks = 0
        with rb.BenchPrefix(bench, "geotag_exiftool_tests") as prefix:
            check_failures(checks, prefix, driver, os.path.join(work, "failures"))
            check_westward_crossing(checks, prefix, driver, photos, os.path.join(work, "westward"))
            check_raw_sidecars(checks, prefix, driver, raw, os.path.join(work, "raw"), cov)
            for s_index, setting in enumerate(SETTINGS):
                offset, correction = setting
                moments, geotimes = {}, {}
                for n in names:
                    wall, own_offset = times[n]
                    if wall is None:
                        continue
                    zone = own_offset if own_offset is not None else offset
                    moments[n] = utc_seconds(wall, zone, correction)
                    geotimes[n] = geotime(wall, zone)
                for style in ("A", "B", "C"):
                    seed = 1000 * s_index + ord(style)
                    rnd = random.Random(seed)
                    label = "setting %+d min %+d s, track %s (seed %d)" % (offset, correction, style, seed)
                    run = os.path.join(work, "run-%d-%s" % (s_index, style))
                    ours_dir, theirs_dir = os.path.join(run, "ours"), os.path.join(run, "exiftool")
                    shutil.copytree(base_dir, ours_dir)
                    shutil.copytree(base_dir, theirs_dir)
                    track = os.path.join(run, "track.gpx")
                    elevations = (s_index, style) not in WITHOUT_ELEVATION
                    maker = plan_track(rnd, style, moments, elevations)
                    cov.add("tracks with elevation" if elevations else "tracks without elevation")
                    waypoints = (s_index, style) in WAYPOINTS_ONLY
                    write_gpx(maker, track, rnd, waypoints)
                    if waypoints:
                        cov.add("tracks of waypoints alone")
                    for scenario in maker.scenarios.values():
                        cov.add("scenario " + scenario)
                    own(run)
                    os.chmod(os.path.join(ours_dir, READ_ONLY_NAME), 0o444)
                    tracks += 1

                    check_reader(checks, prefix, driver, track, cov)
                    order = names + [READ_ONLY_NAME, NOT_A_PHOTO]
                    result = prefix.run(driver, ["tag", rb.windows_path(track), str(offset), str(correction)] +
                                        [rb.windows_path(os.path.join(ours_dir, n)) for n in order])
                    if not checks.check(result.returncode == 0, "%s: the driver failed: %s %s" %
                                        (label, result.stdout[-300:], result.stderr[-300:])):
                        continue
                    driver_out = parse_driver_tag(result.stdout)
                    exiftool_geotag(theirs_dir, track, geotimes, correction)
                    et_read = readback([os.path.join(theirs_dir, n) for n in names])
                    pr_read = readback([os.path.join(ours_dir, n) for n in names])
                    tags = {"before": before, "ours": gps_tags([os.path.join(ours_dir, n) for n in names]),
                            "exiftool": gps_tags([os.path.join(theirs_dir, n) for n in names])}
                    check_run(checks, label, names, base, times, setting, ours_dir, theirs_dir, driver_out, et_read,
                              pr_read, cov, worst, tags)
        print("%d photos (%d with a time), %d tracks, %d settings" %
              (len(names) + 2, sum(1 for n in names if times[n][0] is not None) + 1, tracks, len(SETTINGS)))
        for key in sorted(cov.counts):
            print("  %-40s %d" % (key, cov.counts[key]))
        print("largest difference: computed vs ExifTool %.3g deg, written vs ExifTool %.3g deg" %
              (worst["computed"], worst["written"]))
        # The tracks must have made every case happen, or the checks above
        # prove less than they claim.
        for key, least in (("interpolated", 40), ("nearest", 20), ("too-far", 20), ("altitudes compared", 30),
                           ("offset of its own", 12), ("no altitude from ExifTool", 1),
                           ("located at the 180th meridian", 5), ("points compared with gpxpy", 500),
                           ("scenario before-at-30-minutes", 1), ("scenario before-too-far", 1),
                           ("scenario after-near", 1), ("scenario after-too-far", 1),
                           ("scenario nearest-without-elevation", 1),
                           ("scenario before-near-without-elevation", 1),
                           ("scenario after-near-without-elevation", 1),
                           ("scenario interpolate-30-minutes", 1), ("scenario nearest-at-30-minutes", 1),
                           ("scenario midway", 1), ("scenario just-too-far", 1),
                           ("tracks without elevation", 3), ("tracks of waypoints alone", 2),
                           ("HEIF photos written", 6), ("raw files geotagged into sidecars", 8),
                           ("GPS tag sets compared", 150),
                           ("earlier GPSAltitude removed", 1), ("earlier GPSImgDirection kept", 2),
                           ("earlier GPSTrack kept", 1), ("earlier GPSImgDirectionRef kept", 2)):
            checks.check(cov.get(key) >= least, "coverage: %s only %d times (at least %d)" % (key, cov.get(key),
                                                                                               least))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return checks.exit_code()


if __name__ == "__main__":
    sys.exit(main())
