#!/usr/bin/env bash
# Gives the dialogs of the test prefix ($WINEPREFIX) fonts with the metrics
# of Windows' Tahoma and Verdana, which Wine does not have here: without
# them Wine falls back to a wider face, and the dialogs, laid out in dialog
# units for Tahoma 8, grow wider than their pictures.
set -euo pipefail
bench=$(dirname "$0")/wine-bench.sh
for face in Tahoma Verdana; do
  "$bench" wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'DejaVu Sans Condensed' /f >/dev/null 2>&1
done
