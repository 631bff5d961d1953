# Sourced by tools/main.sh, tools/test.sh, tools/demo.sh and the benchmarks
# (bench/bench-build.sh), with top set to the checkout:
# sets build to the build root, a folder that Wine can reach.
#
# As root, the bench runs Wine as "nobody" (see tests/wine/wine-bench.sh),
# and that user must reach the built programs and the real sample files. Only
# folders inside the checkout and the build root have their permissions
# changed here; when nobody cannot get into the checkout (a clone in a folder
# only root may enter), the build goes to /var/tmp/vz-build-<hash of the
# checkout path> instead, with a copy of the real sample files, and build/ in
# the checkout links to it.

# True when the user nobody may enter the folder.
vz_nobody_enters() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups test -x "$1" 2>/dev/null
}

# True when the user nobody may read the files of the folder.
vz_nobody_reads() {
  setpriv --reuid=nobody --regid=nogroup --clear-groups test -r "$1" -a -x "$1" 2>/dev/null
}

vz_choose_build_root() {
  build=${VZ_BUILD_ROOT:-$top/build}
  [ "$(id -u)" -eq 0 ] || return 0
  if [ -z "${VZ_BUILD_ROOT:-}" ] && ! vz_nobody_enters "$top"; then
    local hash
    hash=$(printf '%s' "$top" | sha1sum | cut -c1-10)
    build=/var/tmp/vz-build-$hash
    mkdir -p "$build"
    chmod 755 "$build"
    if [ -L "$top/build" ] || [ ! -e "$top/build" ]; then
      ln -sfn "$build" "$top/build"
    else
      echo "NOTE: $top/build is a folder of its own; this build is in $build" >&2
    fi
  fi
  mkdir -p "$build"
  build=$(cd "$build" && pwd -P)
  chmod o+rx "$build"
  if ! vz_nobody_enters "$build"; then
    echo "the user nobody, who runs Wine as root, cannot reach $build: choose another VZ_BUILD_ROOT" >&2
    return 1
  fi
  # The real sample files that the suites open under Wine (those that need
  # them; see tests/wine/needs-real-files.sh): where nobody cannot read one
  # of their folders, a copy of them all that nobody can read; a copy whose
  # originals are gone or readable goes.
  local shared=${VZ_SHARED_DIR:-$top/../shared} folder copy=no
  if [ "$shared" != "$build/shared" ]; then
    for folder in photos maker-notes raw; do
      if [ -d "$shared/$folder" ] && ! vz_nobody_reads "$shared/$folder"; then copy=yes; fi
    done
    rm -rf "$build/shared"
    if [ $copy = yes ]; then
      mkdir -p "$build/shared"
      for folder in photos maker-notes raw; do
        if [ -d "$shared/$folder" ]; then cp -R "$shared/$folder" "$build/shared/$folder"; fi
      done
      chmod -R o+rX "$build/shared"
      shared=$build/shared
    fi
  fi
  export VZ_SHARED_DIR=$shared
  export VZ_BUILD_ROOT=$build
}
