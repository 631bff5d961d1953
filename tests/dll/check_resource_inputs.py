#!/usr/bin/env python3
"""Every file that goes into a resource object is an input of it in ninja,
so that an incremental build never keeps stale resources. The files read are
asked of the preprocessor itself (the script and every header it includes,
generated ones too) and taken from the resource statements that name files
(pictures, icon, manifest); each must be among the object's inputs in
build.ninja or in the depfile ninja recorded. Every resource object of the
build is checked.

usage: check_resource_inputs.py BUILD_DIR
"""
import os
import re
import shlex
import subprocess
import sys

# A resource statement that names a file: ID TYPE "file".
FILE_RESOURCE = re.compile(r'^\s*\S+\s+(?:BITMAP|ICON|CURSOR|RT_MANIFEST|HTML|RCDATA|FONT|TYPELIB)\s+"([^"]+)"')


def ninja(build, *args):
    return subprocess.run(["ninja", "-C", build, *args], check=True, text=True, capture_output=True).stdout


def known_inputs(build, obj):
    """Explicit and implicit inputs of build.ninja (not order-only ones) and recorded deps."""
    query = ninja(build, "-t", "query", obj).split("  outputs:")[0].splitlines()
    inputs = [line.strip().removeprefix("| ") for line in query if line.startswith("    ") and "|| " not in line]
    inputs += [line.strip() for line in ninja(build, "-t", "deps", obj).splitlines() if line.startswith("    ")]
    return {os.path.abspath(os.path.join(build, p)) for p in inputs}


def files_read(build, obj):
    """What the preprocessor reads for the object's script, and the files the scripts name."""
    command = shlex.split(ninja(build, "-t", "commands", obj).splitlines()[-1])
    folders = [a[2:] or b for a, b in zip(command, command[1:] + [""]) if a.startswith("-I")]
    defines = [a for a in command if a.startswith("-D")]
    script = next(a for a in command if a.endswith(".rc"))
    gcc = command[0][: -len("windres")] + "gcc"
    depend = subprocess.run([gcc, "-E", "-MM", "-xc", "-DRC_INVOKED", *defines, *["-I" + f for f in folders], script],
                            cwd=build, check=True, text=True, capture_output=True).stdout
    paths = {os.path.abspath(os.path.join(build, p)) for p in depend.replace("\\\n", " ").split(":", 1)[1].split()}
    # Named files are looked up beside the script and along the include folders, as windres does.
    folders = [os.path.abspath(os.path.join(build, f)) for f in folders]
    for source in sorted(p for p in paths if p.endswith(".rc")):
        for match in filter(None, map(FILE_RESOURCE.match, open(source, encoding="latin-1"))):
            found = [c for c in (os.path.join(f, match.group(1)) for f in [os.path.dirname(source)] + folders)
                     if os.path.exists(c)]
            paths.add(os.path.abspath(found[0]) if found else match.group(1))
    return paths


def main():
    build = sys.argv[1]
    objects = [t.split(":")[0] for t in ninja(build, "-t", "targets", "all").splitlines()
               if t.split(":")[0].endswith(".rc.res")]
    failed = not objects
    for obj in objects:
        read = files_read(build, obj)
        missing = sorted(read - known_inputs(build, obj))
        for path in missing:
            print(f"{obj}: reads {path}, which is no input of it")
        print(f"{obj}: {len(read)} files read, {len(missing)} of them no input")
        failed = failed or bool(missing)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
