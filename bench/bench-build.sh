# Sourced by the benchmark scripts: which DLL they measure, and its build.
#
#   bench_build TARGET...
#
# VZ_BENCH_ARCH chooses the build: win32 (the DLL users install) or win64.
# By default win32, unless this host cannot run 32-bit Wine (no IA-32
# emulation), then win64. Sets build (the build folder) and VZ_WINE_ARCH, and
# says which DLL the figures are for.
bench_build() {
  local arch=${VZ_BENCH_ARCH:-}
  if [ -z "$arch" ]; then
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then arch=win32; else arch=win64; fi
  fi
  case $arch in
    win32) bench_arch_name="32-bit" ;;
    win64) bench_arch_name="64-bit" ;;
    *) echo "VZ_BENCH_ARCH must be win32 or win64" >&2; exit 2 ;;
  esac
  build=${VZ_BUILD_ROOT:-$top/build}/$arch
  export VZ_WINE_ARCH=$arch
  "$top/tools/build.sh" "$arch" "$@" >&2
  echo "== measuring the $bench_arch_name build ($build)"
}
