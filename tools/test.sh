#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test suite:
# the 32-bit and 64-bit suites under Wine, the native fuzzing run, and the
# checks against ExifTool and a KML reader. Ends with CTest's summary.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

bash "$top/tools/install-deps.sh"

# A build root that Wine can reach (see tools/build-root.sh).
. "$top/tools/build-root.sh"
vz_choose_build_root

"$top/tools/build.sh"
cd "$build"
status=0
# A suite that fails is run once more, and both runs are printed: under
# Wine, a Google Earth stand-in (a COM local server started and stopped
# dozens of times by earth_tests) now and then never exits, and every later
# case of that run then fails waiting for it.
log=$build/test.log
ctest --output-on-failure --repeat until-pass:2 -j"$(nproc)" "$@" 2>&1 | tee "$log" || status=$?
if ! "$top/tests/wine/wine-bench.sh" can-run win32 && grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
  echo "NOTE: the win32 Wine suites were skipped: this host runs 32-bit programs only through qemu-user (tools/i386-emulation.sh), under which Wine's programs that start threads crash now and then; VZ_EMULATED_WIN32=1 runs them all the same."
elif ! "$top/tests/wine/wine-bench.sh" can-run win32; then
  echo "NOTE: the win32 Wine suites were skipped: this host cannot execute 32-bit programs (no IA-32 emulation), so 32-bit Wine cannot start; the 32-bit DLL was built and win32.dll_image_check checked it without running it. tools/i386-emulation.sh runs 32-bit programs here by hand, through qemu-user (README, \"The test bench\")."
fi
# The suites that need real files nobody here made (labelled real-files)
# and were skipped, each with the folders it needs; then the count, last.
ctest -N -L '^real-files$' --show-only=json-v1 | /usr/bin/python3 -c '
import json, re, sys
log = open(sys.argv[1], errors="replace").read()
skipped = set(re.findall(r"Test +#\d+: (\S+) \.*\*+Skipped", log))
needs = {t["name"]: p["value"] for t in json.load(sys.stdin)["tests"]
         for p in t.get("properties", []) if p["name"] == "LABELS" and "real-files" in p["value"]}
names = sorted(n for n in needs if n in skipped)
for name in names:
    folders = ", ".join(l.split(":", 1)[1] for l in needs[name] if ":" in l)
    print("  skipped: %s (needs the real files of %s)" % (name, folders))
if names:
    print("NOTE: %d suites were skipped for want of the real sample files in %s: tools/fetch-samples.sh "
          "fetches the maker-note and raw files; the camera photos come from the public sources the "
          "README names (\"Real sample files\")." % (len(names), sys.argv[2]))
' "$log" "$(realpath -m "${VZ_SHARED_DIR:-$top/../shared}")"
exit $status
