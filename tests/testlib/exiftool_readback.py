"""What the ExifTool read-back checks share: copies of real photos in a
temporary folder that the Wine user may write (some of them read-only), a
Windows program of ours run in a throwaway prefix of the Wine test bench, the
GPS position as ExifTool reads it, and the list of failed checks.

A check script imports it after putting this folder on sys.path:

    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "testlib"))
    import exiftool_readback as rb
"""
import hashlib
import os
import shutil
import subprocess
import tempfile


class Checks:
    """Failed checks, printed as they happen and counted at the end."""

    def __init__(self):
        self.failures = []

    def check(self, condition, message):
        if not condition:
            self.failures.append(message)
            print("FAILED: " + message)
        return condition

    def exit_code(self):
        if self.failures:
            print("%d checks failed" % len(self.failures))
            return 1
        print("all checks passed")
        return 0


def windows_path(path):
    return "Z:" + path.replace("/", "\\")


def digest(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


class PhotoCopies:
    """Copies of the named photos in a new temporary folder, owned by the user
    Wine runs as; the read-only ones without write bits. Removed on exit.
    A name ending in ".heic" is one of the HEIF photos made from the sample
    photos (VZ_MADE_PHOTOS, tests/exif/make_heif_samples.sh); a name of
    RAW_SAMPLES comes from the raw folder given; sidecars (name -> the
    sample whose copy it becomes) are copied beside them."""

    def __init__(self, photos, writable, read_only=(), raw=None, sidecars=None):
        self.writable = list(writable)
        self.read_only = list(read_only)
        self.names = self.writable + self.read_only
        self.folder = tempfile.mkdtemp(prefix="vz-readback-")
        os.chmod(self.folder, 0o755)
        for name in self.names:
            source = os.environ["VZ_MADE_PHOTOS"] if name.endswith(".heic") else raw if name in RAW_SAMPLES else photos
            shutil.copy(os.path.join(source, name), self.folder)
            os.chmod(self.path(name), 0o644)  # the originals are read-only
        for name, sample in (sidecars or {}).items():
            shutil.copyfile(os.path.join(raw, sample), self.path(name))
            os.chmod(self.path(name), 0o644)
        if os.getuid() == 0:
            subprocess.run(["chown", "-R", "nobody:nogroup", self.folder], check=True)
        for name in self.read_only:
            os.chmod(self.path(name), 0o444)
        self.originals = {name: digest(self.path(name)) for name in self.names}

    def path(self, name):
        return os.path.join(self.folder, name)

    def paths(self, names=None):
        return [self.path(n) for n in (self.names if names is None else names)]

    def windows_paths(self, names=None):
        return [windows_path(p) for p in self.paths(names)]

    def unchanged(self, name):
        return digest(self.path(name)) == self.originals[name]

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        shutil.rmtree(self.folder, ignore_errors=True)


class BenchPrefix:
    """A throwaway prefix of the Wine test bench (VZ_BENCH_ROOT, VZ_WINE_ARCH
    in the environment) for the time of a with block."""

    def __init__(self, bench, name):
        self.bench = bench
        self.prefix = os.path.join(os.environ["VZ_BENCH_ROOT"], "prefix-" + name)

    def __enter__(self):
        subprocess.run([self.bench, "prefix-up", self.prefix], check=True)
        return self

    def __exit__(self, *exc):
        subprocess.run([self.bench, "prefix-down", self.prefix])

    def run(self, program, args, timeout=240):
        """Runs a Windows program; its CompletedProcess (text output)."""
        env = dict(os.environ, WINEPREFIX=self.prefix)
        return subprocess.run([self.bench, "run", program] + list(args), env=env, capture_output=True, text=True,
                              timeout=timeout)


def exiftool_positions(paths):
    """file name -> (latitude, longitude, altitude, altitude reference,
    image direction, error) as ExifTool reads them, numbers unformatted ("-"
    for a missing tag)."""
    out = subprocess.run(
        ["exiftool", "-n", "-q", "-f", "-p",
         "$FileName|$GPSLatitude|$GPSLongitude|$GPSAltitude|$GPSAltitudeRef|$GPSImgDirection|$Error"] + list(paths),
        check=True, capture_output=True, text=True).stdout
    positions = {}
    for line in out.splitlines():
        name, lat, lon, alt, alt_ref, direction, error = line.split("|")
        positions[name] = (lat, lon, alt, alt_ref, direction, error)
    return positions


# The raw samples (../shared/raw) and what a sidecar of ours must hold:
# its angles as ExifTool writes them (a millionth of a minute, under 1e-7
# degrees), its altitude in centimetres.
RAW_SAMPLES = ["CanonRaw.cr2", "CanonRaw.cr3", "DNG.dng", "FujiFilm.raf", "Minolta.mrw", "Nikon.nef",
               "Panasonic.rw2", "PhaseOne.iiq"]
SIDECAR_ANGLE_TOLERANCE = 1e-7
SIDECAR_ALTITUDE_TOLERANCE = 0.01


def sidecar_name(name, names):
    """The sidecar the product names for a new one: <base>.xmp, unless
    another raw file of names shares the base, then <name>.xmp."""
    base = os.path.splitext(name)[0]
    shared = any(o != name and os.path.splitext(o)[0].lower() == base.lower() for o in names)
    return (name if shared else base) + ".xmp"


def check_raw_sidecars(checks, copies, names, latitude, longitude, altitude, direction, existing=None):
    """Each raw file of names is byte for byte as it was, and ExifTool reads
    this position from its sidecar (the one of existing, name -> sidecar,
    else the one the product creates) without a warning or an error."""
    sidecars = {n: (existing or {}).get(n) or sidecar_name(n, names) for n in names}
    out = subprocess.run(
        ["exiftool", "-n", "-q", "-f", "-p",
         "$FileName|$XMP-exif:GPSLatitude|$XMP-exif:GPSLongitude|$XMP-exif:GPSAltitude|$XMP-exif:GPSAltitudeRef|"
         "$XMP-exif:GPSImgDirection|$Warning|$Error"] + [copies.path(s) for s in sidecars.values()],
        capture_output=True, text=True).stdout
    read = {line.split("|")[0]: line.split("|")[1:] for line in out.splitlines()}
    for name, sidecar in sidecars.items():
        checks.check(copies.unchanged(name), "the raw file %s was changed" % name)
        got = read.get(sidecar)
        if not checks.check(got is not None and len(got) == 7, "%s: ExifTool read %r" % (sidecar, got)):
            continue
        lat, lon, alt, ref, heading, warning, error = got
        checks.check(warning == "-" and error == "-", "%s: ExifTool says %s %s" % (sidecar, warning, error))
        try:
            checks.check(abs(float(lat) - latitude) <= SIDECAR_ANGLE_TOLERANCE and
                         abs(float(lon) - longitude) <= SIDECAR_ANGLE_TOLERANCE,
                         "%s: position %s %s" % (sidecar, lat, lon))
            checks.check(abs(float(alt) - altitude) <= SIDECAR_ALTITUDE_TOLERANCE and ref == "0",
                         "%s: altitude %s (reference %s)" % (sidecar, alt, ref))
            checks.check(abs(float(heading) - direction) <= 0.005, "%s: direction %s" % (sidecar, heading))
        except ValueError:
            checks.check(False, "%s: ExifTool read %s" % (sidecar, "|".join(got)))


# Seconds are stored in hundredths: 0.005" is about 1.4e-6 degrees.
ANGLE_TOLERANCE = 3e-6


def check_position(checks, positions, name, latitude, longitude, altitude, direction, altitude_tolerance=0.0):
    """ExifTool reads this position (above sea level) from the photo: latitude
    and longitude to the stored hundredth of a second, the altitude within the
    tolerance, the direction exactly."""
    got = positions.get(name)
    if not checks.check(got is not None, "ExifTool did not list %s" % name):
        return
    g_lat, g_lon, g_alt, g_ref, g_dir, g_error = got
    checks.check(g_error == "-", "%s: ExifTool reports %s" % (name, g_error))
    try:
        checks.check(abs(float(g_lat) - latitude) <= ANGLE_TOLERANCE, "%s: latitude %s" % (name, g_lat))
        checks.check(abs(float(g_lon) - longitude) <= ANGLE_TOLERANCE, "%s: longitude %s" % (name, g_lon))
        checks.check(abs(float(g_alt) - altitude) <= altitude_tolerance, "%s: altitude %s" % (name, g_alt))
        checks.check(g_ref == "0", "%s: altitude reference %s" % (name, g_ref))
        checks.check(float(g_dir) == direction, "%s: direction %s" % (name, g_dir))
    except ValueError:
        checks.check(False, "%s: ExifTool read %s" % (name, "|".join(got)))
