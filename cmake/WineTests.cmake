# Test programs run under Wine: each suite in its own throwaway prefix (copied
# from a template booted once), with a persistent wineserver, and the Xvfb
# display for the suites that open windows.

set(VZ_BENCH ${CMAKE_SOURCE_DIR}/tests/bench/wine-bench.sh)
string(SHA1 vz_build_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${vz_build_hash}" 0 10 vz_build_hash)
set(VZ_BENCH_ROOT "/tmp/vz-bench-${vz_build_hash}")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VZ_WINE_ARCH win32)
  set(vz_wine_loader /usr/lib/wine/wine)
else()
  set(VZ_WINE_ARCH win64)
  set(vz_wine_loader /usr/lib/wine/wine64)
endif()

# Some hosts cannot execute 32-bit Linux programs (no IA-32 emulation in the
# kernel), and then 32-bit Wine cannot start. The suites of that architecture
# are then reported as skipped instead of failing.
execute_process(COMMAND ${vz_wine_loader} --version
  RESULT_VARIABLE vz_wine_rc OUTPUT_QUIET ERROR_QUIET)
if(vz_wine_rc EQUAL 0)
  set(VZ_WINE_USABLE ON)
else()
  set(VZ_WINE_USABLE OFF)
  message(STATUS "Wine cannot run ${VZ_WINE_ARCH} programs on this host: its test suites will be skipped")
endif()

set(CMAKE_CROSSCOMPILING_EMULATOR ${VZ_BENCH} run)

set(VZ_BENCH_ENV
  "VZ_BENCH_ROOT=${VZ_BENCH_ROOT}"
  "VZ_WINE_ARCH=${VZ_WINE_ARCH}"
  "VZ_PHOTOS=${VZ_SHARED_DIR}/photos"
  "VZ_BUILD_DIR=${CMAKE_BINARY_DIR}")

function(vz_bench_fixtures)
  if(TARGET vz_bench_fixtures_done OR NOT VZ_WINE_USABLE)
    return()
  endif()
  add_custom_target(vz_bench_fixtures_done)
  add_test(NAME bench.template COMMAND ${VZ_BENCH} template)
  add_test(NAME bench.display-up COMMAND ${VZ_BENCH} xvfb-up)
  add_test(NAME bench.display-down COMMAND ${VZ_BENCH} xvfb-down)
  set_tests_properties(bench.template PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_SETUP vz_template)
  set_tests_properties(bench.display-up PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_SETUP vz_display)
  set_tests_properties(bench.display-down PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_CLEANUP vz_display)
endfunction()

# vz_add_wine_test(NAME <suite> COMMAND <target> [args...]
#                  [LOCKS <resource>...] [TIMEOUT <seconds>])
# Runs one test program as one CTest test in a prefix of its own.
function(vz_add_wine_test)
  cmake_parse_arguments(arg "" "NAME;TIMEOUT" "COMMAND;LOCKS" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 600)
  endif()
  if(NOT VZ_WINE_USABLE)
    add_test(NAME ${arg_NAME} COMMAND sh -c
      "echo 'this host cannot run ${VZ_WINE_ARCH} Wine programs'; exit 77")
    set_tests_properties(${arg_NAME} PROPERTIES SKIP_RETURN_CODE 77)
    return()
  endif()
  vz_bench_fixtures()
  set(prefix "${VZ_BENCH_ROOT}/prefix-${arg_NAME}")
  add_test(NAME ${arg_NAME} COMMAND ${arg_COMMAND})
  add_test(NAME ${arg_NAME}.prefix-up COMMAND ${VZ_BENCH} prefix-up ${prefix})
  add_test(NAME ${arg_NAME}.prefix-down COMMAND ${VZ_BENCH} prefix-down ${prefix})
  set_tests_properties(${arg_NAME}.prefix-up PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}"
    FIXTURES_SETUP ${arg_NAME}_prefix FIXTURES_REQUIRED "vz_template;vz_display")
  set_tests_properties(${arg_NAME}.prefix-down PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_CLEANUP ${arg_NAME}_prefix)
  set_tests_properties(${arg_NAME} PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV};WINEPREFIX=${prefix}"
    FIXTURES_REQUIRED "${arg_NAME}_prefix;vz_display"
    TIMEOUT ${arg_TIMEOUT})
  if(arg_LOCKS)
    set_tests_properties(${arg_NAME} PROPERTIES RESOURCE_LOCK "${arg_LOCKS}")
  endif()
endfunction()
