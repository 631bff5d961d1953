#!/usr/bin/python3
"""Checks the built VantreloZerli.dll without running it.

    check_dll_image.py --machine i386|AMD64 --def VantreloZerli.def VantreloZerli.dll

- the machine type of the image (the 32-bit product is i386);
- it is a DLL named VantreloZerli.dll that exports exactly the names of the
  module-definition file, undecorated (nothing exported by accident);
- it imports only from Windows system DLLs (no MinGW runtime DLL);
- the version resource: fixed version numbers, file type and the one
  US English / code page 1252 string table, entry for entry;
- the manifest resource 1: common controls 6.0.0.0 and requireAdministrator;
- with --objdump and --sources (the 32-bit build): every compile unit of the
  product's own sources was compiled for SSE2 scalar arithmetic, as its
  debugging information records. With the x87 unit's 80-bit intermediates
  the 32-bit DLL would round differently from the 64-bit one at the limits
  (a latitude of exactly 90 degrees becoming 89 59' 60").

Prints one line per finding and exits non-zero when anything is wrong.
"""
import argparse
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

try:
    import pefile
except ImportError:
    print("python3-pefile is not installed (tools/install-deps.sh installs it)")
    sys.exit(2)

MACHINES = {"i386": 0x014C, "AMD64": 0x8664}

# DLLs of every Windows installation that the product may import from.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
    "shlwapi.dll", "ole32.dll", "oleaut32.dll", "comctl32.dll", "comdlg32.dll",
    "version.dll", "msvcrt.dll", "uxtheme.dll", "msimg32.dll", "rpcrt4.dll",
}

FILE_VERSION = (1, 2, 1, 20)
PRODUCT_VERSION = (1, 2, 0, 0)
VFT_DLL = 2
STRING_TABLE = "040904e4"
VERSION_STRINGS = {
    "ProductName": "Vantrelo Zerli",
    "ProductVersion": "1.2",
    "FileVersion": "1.2.1.20",
    "FileDescription": "Vantrelo Zerli Shell Extension File",
    "InternalName": "VantreloZerli",
    "OriginalFilename": "VantreloZerli.dll",
    "CompanyName": "Halcyra",
    "OLESelfRegister": "",
}
RT_MANIFEST = 24
MANIFEST_ID = 1
COMMON_CONTROLS = ("Microsoft.Windows.Common-Controls", "6.0.0.0")
EXECUTION_LEVEL = "requireAdministrator"

failures = []


def check(condition, message):
    print(("ok      " if condition else "FAILED  ") + message)
    if not condition:
        failures.append(message)


def split_version(ms, ls):
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def check_header(pe, machine):
    found = pe.FILE_HEADER.Machine
    check(found == MACHINES[machine],
          "machine %s (found 0x%04x)" % (machine, found))
    check(pe.is_dll(), "the image is a DLL")


def def_file_exports(path):
    """The export names listed after EXPORTS in a module-definition file."""
    names = []
    in_exports = False
    with open(path, encoding="ascii") as lines:
        for line in lines:
            words = line.split(";", 1)[0].split()
            if not words:
                continue
            if words[0].upper() in ("LIBRARY", "NAME", "DESCRIPTION", "VERSION", "HEAPSIZE", "STACKSIZE",
                                    "SECTIONS", "EXPORTS"):
                in_exports = words[0].upper() == "EXPORTS"
                continue
            if in_exports:
                names.append(words[0].split("=", 1)[0])
    return sorted(names)


def check_exports(pe, def_path):
    exports = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    expected = def_file_exports(def_path)
    if exports is None:
        check(not expected, "no export directory and no exports listed (listed: %s)" % expected)
        return
    name = (exports.name or b"").decode("ascii", "replace")
    check(name == "VantreloZerli.dll", "module name VantreloZerli.dll (found %r)" % name)
    found = sorted((symbol.name or b"<ordinal %d>" % symbol.ordinal).decode("ascii", "replace")
                   for symbol in exports.symbols)
    missing = [n for n in expected if n not in found]
    extra = [n for n in found if n not in expected]
    shown = extra[:10] + (["... %d more" % (len(extra) - 10)] if len(extra) > 10 else [])
    check(not missing and not extra,
          "exports are exactly the %d undecorated names of %s (missing %s, unexpected %s)"
          % (len(expected), def_path.rsplit("/", 1)[-1], missing, shown))


def check_imports(pe):
    dlls = []
    for attribute in ("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT"):
        for entry in getattr(pe, attribute, []):
            dlls.append(entry.dll.decode("ascii", "replace"))
    check(len(dlls) > 0, "the image imports from kernel32.dll at least")
    for dll in dlls:
        check(dll.lower() in SYSTEM_DLLS, "import from %s is a Windows system DLL" % dll)


def check_version(pe):
    fixed = getattr(pe, "VS_FIXEDFILEINFO", None)
    if not fixed:
        check(False, "the image has a version resource")
        return
    fixed = fixed[0]
    found = split_version(fixed.FileVersionMS, fixed.FileVersionLS)
    check(found == FILE_VERSION, "fixed file version %s (found %s)" % (FILE_VERSION, found))
    found = split_version(fixed.ProductVersionMS, fixed.ProductVersionLS)
    check(found == PRODUCT_VERSION, "fixed product version %s (found %s)" % (PRODUCT_VERSION, found))
    check(fixed.FileType == VFT_DLL, "file type VFT_DLL (found %d)" % fixed.FileType)

    tables = []
    translations = []
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            if block.Key == b"StringFileInfo":
                tables.extend(block.StringTable)
            elif block.Key == b"VarFileInfo":
                for var in block.Var:
                    translations.extend(var.entry.get(b"Translation", b"").split())
    names = [table.LangID.decode("ascii", "replace").lower() for table in tables]
    check(names == [STRING_TABLE], "one string table %s (found %s)" % (STRING_TABLE, names))
    if tables:
        found = {key.decode("utf-8"): value.decode("utf-8") for key, value in tables[0].entries.items()}
        for key, value in VERSION_STRINGS.items():
            check(found.get(key) == value, "%s = %r (found %r)" % (key, value, found.get(key)))
        extra = sorted(set(found) - set(VERSION_STRINGS))
        check(not extra, "no other version strings (found %s)" % extra)
    found = [int(value, 16) for value in translations]
    check(found == [0x0409, 1252], "translation US English, code page 1252 (found %s)" % found)


def manifest_bytes(pe):
    for kind in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None).entries if hasattr(pe, "DIRECTORY_ENTRY_RESOURCE") else []:
        if kind.id != RT_MANIFEST:
            continue
        for item in kind.directory.entries:
            if item.id != MANIFEST_ID:
                continue
            for language in item.directory.entries:
                data = language.data.struct
                return pe.get_data(data.OffsetToData, data.Size)
    return None


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


def check_manifest(pe):
    data = manifest_bytes(pe)
    check(data is not None, "manifest resource %d" % MANIFEST_ID)
    if data is None:
        return
    try:
        root = ET.fromstring(data)
    except ET.ParseError as error:
        check(False, "manifest is well-formed XML (%s)" % error)
        return
    dependencies = []
    levels = []
    for element in root.iter():
        name = local_name(element.tag)
        if name == "dependentAssembly":
            for child in element:
                if local_name(child.tag) == "assemblyIdentity":
                    dependencies.append((child.get("name"), child.get("version")))
        elif name == "requestedExecutionLevel":
            levels.append(element.get("level"))
    check(COMMON_CONTROLS in dependencies,
          "manifest depends on %s %s (found %s)" % (COMMON_CONTROLS + (dependencies,)))
    check(levels == [EXECUTION_LEVEL], "manifest requests %s (found %s)" % (EXECUTION_LEVEL, levels))


# Compiler switches that make i686 code compute in SSE2 doubles, as x86_64
# code always does.
SSE_MATH_SWITCHES = ("-msse2", "-mfpmath=sse")


def compile_units(objdump, dll):
    """(source file, producer) of each compile unit in the DLL's DWARF data."""
    out = subprocess.run([objdump, "--dwarf=info", "--dwarf-depth=1", dll],
                         check=True, capture_output=True, text=True).stdout
    units, name, producer = [], None, None
    for line in out.splitlines():
        if "DW_TAG_compile_unit" in line:
            if name is not None:
                units.append((name, producer or ""))
            name, producer = "", None
        elif name is not None and "DW_AT_producer" in line:
            producer = line.split(":", 1)[1] if ":" in line else line
        elif name == "" and "DW_AT_name" in line:
            name = line.rsplit(":", 1)[1].strip() if ":" in line else ""
    if name is not None:
        units.append((name, producer or ""))
    return units


def check_sse_math(objdump, dll, sources):
    sources = os.path.realpath(sources) + os.sep
    try:
        units = compile_units(objdump, dll)
    except (OSError, subprocess.CalledProcessError) as error:
        check(False, "debugging information readable with %s (%s)" % (objdump, error))
        return
    own = [(n, p) for n, p in units if os.path.realpath(n).startswith(sources)]
    check(len(own) > 0, "debugging information names the product's sources "
          "(%d compile units, %d of them under %s; build with -g)" % (len(units), len(own), sources))
    x87 = [os.path.relpath(n, sources) for n, p in own
           if not all(switch in p.split() for switch in SSE_MATH_SWITCHES)]
    check(not x87, "%d product compile units built with %s (x87 arithmetic in: %s)"
          % (len(own), " ".join(SSE_MATH_SWITCHES), ", ".join(x87[:8]) or "none"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--machine", choices=sorted(MACHINES), required=True)
    parser.add_argument("--def", dest="def_file", required=True, help="the DLL's .def file")
    parser.add_argument("--objdump", help="objdump that reads the DLL's debugging information")
    parser.add_argument("--sources", help="the product's source folder (with --objdump)")
    parser.add_argument("dll")
    args = parser.parse_args()
    try:
        pe = pefile.PE(args.dll)
    except (OSError, pefile.PEFormatError) as error:
        print("FAILED  cannot read %s: %s" % (args.dll, error))
        return 1
    print("checking %s" % args.dll)
    check_header(pe, args.machine)
    check_exports(pe, args.def_file)
    check_imports(pe)
    check_version(pe)
    check_manifest(pe)
    if args.objdump:
        check_sse_math(args.objdump, args.dll, args.sources)
    if failures:
        print("%d check(s) failed" % len(failures))
        return 1
    print("all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
