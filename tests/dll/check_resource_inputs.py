#!/usr/bin/env python3
"""Every file that goes into a resource object is an input of it in ninja.

windres reads the resource script through the C preprocessor (the script and
every header it includes, also the generated ones) and then reads the files
its resources name (pictures, icon, manifest) itself. Ninja rebuilds the
resource object only when one of its inputs changes: an input it does not
know of leaves stale resources in an incremental build. This check asks the
preprocessor which files the script reads, lists the files named by
resource statements, and fails for each one that ninja does not count among
the object's inputs (listed in build.ninja or recorded from the depfile of
the last build). It checks every resource object of the build: the DLL's
and those of the test programs.

usage: check_resource_inputs.py BUILD_DIR
"""
import os
import re
import shlex
import subprocess
import sys

# A resource statement that names a file: ID TYPE "file".
FILE_RESOURCE = re.compile(
    r'^\s*\S+\s+(?:BITMAP|ICON|CURSOR|RT_MANIFEST|HTML|RCDATA|FONT)\s+"([^"]+)"')


def ninja(build, *args):
    return subprocess.run(["ninja", "-C", build, *args], check=True, text=True,
                          capture_output=True).stdout


def known_inputs(build, obj):
    """Explicit and implicit inputs from build.ninja plus recorded deps."""
    inputs = set()
    query = ninja(build, "-t", "query", obj)
    section = None
    for line in query.splitlines():
        if line.startswith("  input:"):
            section = "input"
        elif line.startswith("  outputs:"):
            section = None
        elif section == "input" and line.startswith("    "):
            name = line.strip()
            if name.startswith("|| "):
                continue  # order only: no rebuild when it changes
            inputs.add(name[2:] if name.startswith("| ") else name)
    deps = ninja(build, "-t", "deps", obj)
    for line in deps.splitlines():
        if line.startswith("    "):
            inputs.add(line.strip())
    return {os.path.abspath(os.path.join(build, p)) for p in inputs}


def compile_command(build, obj):
    commands = ninja(build, "-t", "commands", obj).splitlines()
    return shlex.split(commands[-1])


def files_read(build, command):
    """The project files the preprocessor reads, and those the script names."""
    windres = command[0]
    gcc = windres[: -len("windres")] + "gcc"
    folders, defines, script = [], [], None
    args = iter(command[1:])
    for arg in args:
        if arg == "-I":
            folders.append(next(args))
        elif arg.startswith("-I"):
            folders.append(arg[2:])
        elif arg.startswith("-D"):
            defines.append(arg)
        elif arg.endswith(".rc"):
            script = arg
    depend = subprocess.run(
        [gcc, "-E", "-MM", "-xc", "-DRC_INVOKED", *defines,
         *[f"-I{folder}" for folder in folders], script],
        cwd=build, check=True, text=True, capture_output=True).stdout
    read = depend.replace("\\\n", " ").split(":", 1)[1].split()
    paths = {os.path.abspath(os.path.join(build, p)) for p in read}

    # The named files are looked up beside each script and along the
    # include folders, as windres does.
    folders = [os.path.abspath(os.path.join(build, folder)) for folder in folders]
    for source in sorted(paths):
        if not source.endswith(".rc"):
            continue
        with open(source, encoding="latin-1") as text:
            for line in text:
                match = FILE_RESOURCE.match(line)
                if not match:
                    continue
                name = match.group(1)
                for folder in [os.path.dirname(source)] + folders:
                    candidate = os.path.abspath(os.path.join(folder, name))
                    if os.path.exists(candidate):
                        paths.add(candidate)
                        break
                else:
                    print(f"{source}: {name} not found")
                    paths.add(name)
    return paths


def main():
    build = sys.argv[1]
    targets = ninja(build, "-t", "targets", "all").splitlines()
    objects = [t.split(":")[0] for t in targets if t.split(":")[0].endswith(".rc.res")]
    failed = not objects
    for obj in objects:
        try:
            read = files_read(build, compile_command(build, obj))
        except subprocess.CalledProcessError as error:
            print(f"{obj}: {' '.join(error.cmd)} failed:\n{error.stderr}")
            failed = True
            continue
        missing = sorted(read - known_inputs(build, obj))
        for path in missing:
            print(f"{obj}: reads {path}, which is no input of it")
        print(f"{obj}: {len(read)} files read, {len(missing)} of them no input")
        failed = failed or bool(missing)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
