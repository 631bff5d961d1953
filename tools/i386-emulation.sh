#!/usr/bin/env bash
# On a host whose kernel cannot run 32-bit programs (no IA-32 emulation, so
# 32-bit Wine cannot start), runs them through qemu's user-mode emulator, so
# that the 32-bit build can be measured by hand: the benchmarks' programs and
# the test suites that start no threads.
#
#   tools/i386-emulation.sh on       installs qemu-user-static and Wine's 32-bit
#                                    preloader, then hands i386 programs to
#                                    qemu-i386 (binfmt_misc); run as root
#   tools/i386-emulation.sh off      hands them back to the kernel (refused
#                                    again); the packages stay
#   tools/i386-emulation.sh status   says which of the two holds
#
# Never for the test command, which skips the 32-bit suites on such a host:
# - Wine programs that start threads crash now and then under qemu-user
#   (segmentation faults in the suites whose cases use threads);
# - a program that is not large-address-aware gets about 100 MB of address
#   space (Wine and qemu keep the rest of the lower 2 GB), so a 20 MB photo
#   may not fit where the tools read it whole;
# - everything the program computes runs several times slower, so its
#   timings are no measure of the 32-bit build (a ratio against bare system
#   calls only grows: the calls are the host's own);
# - without the preloader, 32-bit Wine takes about a minute to start here
#   (qemu answers each of its tens of thousands of address reservations
#   slowly); with it, half a second.
# So while it is on, tests/wine/wine-bench.sh still counts the host as one
# without 32-bit Wine (the 32-bit suites are skipped), unless
# VZ_EMULATED_WIN32=1 asks for the emulator: then
# "VZ_EMULATED_WIN32=1 tools/build.sh win32" configures the 32-bit suites and
# "ctest --test-dir build/win32" runs them.
set -euo pipefail

entry=/proc/sys/fs/binfmt_misc/qemu-i386
# An i386 ELF executable or shared object, as qemu's own binfmt table gives it.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

native_i386() {
  [ ! -e "$entry" ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

case ${1:-} in
  on)
    if native_i386; then
      echo "this host runs 32-bit programs itself: nothing to do"
      exit 0
    fi
    [ "$(id -u)" -eq 0 ] || { echo "run as root" >&2; exit 1; }
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y -qq qemu-user-static wine32-preloader:i386 >/dev/null
    if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
      mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
    fi
    if [ ! -e "$entry" ]; then
      # F: the emulator is opened now, so that it is found in any namespace
      # and by programs that change their user.
      echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" >/proc/sys/fs/binfmt_misc/register
    elif ! grep -qx enabled "$entry"; then
      echo 1 >"$entry"
    fi
    /usr/lib/wine/wine --version >/dev/null
    echo "i386 programs now run through qemu-i386"
    ;;
  off)
    if [ -e "$entry" ]; then
      [ "$(id -u)" -eq 0 ] || { echo "run as root" >&2; exit 1; }
      echo -1 >"$entry"
    fi
    echo "i386 programs are the kernel's again"
    ;;
  status)
    if grep -qx enabled "$entry" 2>/dev/null; then echo "on: i386 programs run through qemu-i386"
    elif native_i386; then echo "this host runs 32-bit programs itself"
    else echo "off: this host cannot run 32-bit programs"
    fi
    ;;
  *)
    echo "usage: tools/i386-emulation.sh on|off|status" >&2
    exit 2
    ;;
esac
