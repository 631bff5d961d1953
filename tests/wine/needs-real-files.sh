#!/usr/bin/env bash
# Runs a suite that needs real files nobody here made (camera photos,
# maker-note files, raw files), or, where a folder of them is missing or
# empty, reports it as skipped with the reason: exit code 77, the
# SKIP_RETURN_CODE of such suites (cmake/WineTests.cmake, NEEDS_REAL_FILES).
#
#   needs-real-files.sh SHARED_DIR FOLDER... -- COMMAND [ARGUMENTS...]
set -uo pipefail
shared=$1; shift
missing=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  if [ -z "$(ls -A "$shared/$1" 2>/dev/null)" ]; then missing+=("$1"); fi
  shift
done
shift
if [ ${#missing[@]} -gt 0 ]; then
  for folder in "${missing[@]}"; do
    case $folder in
      photos) how="the camera photos: see the README, \"Real sample files\", for their public sources" ;;
      *) how="tools/fetch-samples.sh fetches them" ;;
    esac
    echo "SKIPPED: needs the real files of $shared/$folder, which is missing ($how)"
  done
  exit 77
fi
exec "$@"
