#!/usr/bin/env bash
# The main job: install what is missing, build both DLLs, and show where they
# are, what they import and what they export.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

bash "$top/tools/install-deps.sh"
# A build root that Wine can reach (see tools/build-root.sh), as the tests use.
. "$top/tools/build-root.sh"
vz_choose_build_root
"$top/tools/build.sh"

for arch in win32 win64; do
  dll=$build/$arch/bin/VantreloZerli.dll
  echo
  echo "== $arch: $dll"
  objdump -p "$dll" | grep -E '^(architecture|Magic)|DLL Name:' | sed 's/^\s*/  /'
  echo "  exports:"
  objdump -p "$dll" | awk '/\[Ordinal\/Name Pointer\] Table/{on=1;next} on&&/^[ \t]*\[/{print "    " $NF} on&&/^$/{on=0}'
done

# Then what a user sees: installation with regsvr32 into a private Wine
# prefix, the context menu for sample photos, "Show location in Google Earth"
# and pictures of the dialogs.
"$top/tools/demo.sh" "$build"
