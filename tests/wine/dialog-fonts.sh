#!/usr/bin/env bash
# Gives the dialogs of the test prefix ($WINEPREFIX) fonts with the metrics
# of Windows' Tahoma and Verdana, which Wine does not have here: without
# them Wine falls back to a wider face, and the dialogs, laid out in dialog
# units for Tahoma 8, grow wider than their pictures.
set -euo pipefail
bench=$(dirname "$0")/wine-bench.sh
replace() {
  "$bench" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$1" /d 'DejaVu Sans Condensed' /f >/dev/null 2>&1
}
for face in Tahoma Verdana; do
  replace "$face" || replace "$face" || { echo "could not give $face a replacement in $WINEPREFIX" >&2; exit 1; }
done
