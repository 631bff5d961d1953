# Sourced by the benchmark scripts, with top set to the checkout: what every
# benchmark does before it measures.
#
#   bench_build TARGET...      installs what is missing and builds the targets
#   bench_workspace NAME ROOT  a temporary folder and a Wine prefix
#
# VZ_BENCH_ARCH chooses the build: win32 (the DLL users install) or win64.
# By default win32, unless this host cannot run 32-bit Wine (no IA-32
# emulation), then win64. Sets build (the build folder) and VZ_WINE_ARCH, and
# says which DLL the figures are for.
bench=$top/tests/wine/wine-bench.sh
photos=${VZ_PHOTOS:-$top/../shared/photos}

bench_build() {
  bash "$top/tools/install-deps.sh"
  # A build root that Wine can reach (see tools/build-root.sh).
  . "$top/tools/build-root.sh"
  vz_choose_build_root
  local arch=${VZ_BENCH_ARCH:-}
  if [ -z "$arch" ]; then
    if "$bench" can-run win32; then arch=win32; else arch=win64; fi
  fi
  case $arch in
    win32) bench_arch_name="32-bit" ;;
    win64) bench_arch_name="64-bit" ;;
    *) echo "VZ_BENCH_ARCH must be win32 or win64" >&2; exit 2 ;;
  esac
  build=$build/$arch
  export VZ_WINE_ARCH=$arch
  "$top/tools/build.sh" "$arch" "$@" >&2
  echo "== measuring the $bench_arch_name build ($build)"
}

# With VZ_BENCH_BASELINE set (another checkout of the project): builds the
# targets there too, for the architecture bench_build chose, and sets
# baseline to its folder of programs and baseline_name to its commit; both
# empty otherwise.
bench_baseline() {
  baseline=
  baseline_name=
  [ -n "${VZ_BENCH_BASELINE:-}" ] || return 0
  local checkout
  checkout=$(cd "$VZ_BENCH_BASELINE" && pwd)
  (cd "$checkout" && unset VZ_BUILD_ROOT && tools/build.sh "$VZ_WINE_ARCH" "$@") >&2
  baseline=$checkout/build/$VZ_WINE_ARCH/bin
  baseline_name=$(git -C "$checkout" rev-parse --short HEAD)
  echo "== before: $baseline_name ($baseline)"
}

# Sets work to a new temporary folder /tmp/vz-NAME-bench.*, removed on exit,
# and prefix to the Wine prefix NAME-bench below ROOT (default
# /tmp/vz-NAME-bench-wine), taken down on exit. Photos copied into work must
# be handed to the user Wine runs as: bench_own.
bench_workspace() {
  work=$(mktemp -d "/tmp/vz-$1-bench.XXXXXX")
  chmod 755 "$work"
  export VZ_BENCH_ROOT=${2:-/tmp/vz-$1-bench-wine}
  prefix=$VZ_BENCH_ROOT/prefix-$1-bench
  trap bench_cleanup EXIT
}

bench_cleanup() {
  "$bench" prefix-down "$prefix" || true
  rm -rf "$work"
}

# As root, Wine runs as nobody (tests/wine/wine-bench.sh), who must own the
# copies it writes.
bench_own() {
  if [ "$(id -u)" -eq 0 ]; then chown -R nobody:nogroup "$@"; fi
}

# The Windows path of a host path, through Wine's drive Z:.
winpath() { echo "Z:${1//\//\\}"; }
