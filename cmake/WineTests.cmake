# Test programs run under Wine: each suite in its own throwaway prefix (copied
# from a template booted once), with a persistent wineserver, and the Xvfb
# display for the suites that open windows.
#
# The 32-bit and the 64-bit build join in one CTest run (tools/build.sh), and
# CTest knows tests, fixtures and resource locks by name across the whole run.
# So every test and fixture of a Windows build carries its architecture
# (VZ_TEST_PREFIX: "win32." or "win64."), and each build has a bench folder,
# prefixes and a display of its own.

set(VZ_BENCH ${CMAKE_SOURCE_DIR}/tests/wine/wine-bench.sh)
string(SHA1 vz_build_hash "${CMAKE_BINARY_DIR}")
string(SUBSTRING "${vz_build_hash}" 0 10 vz_build_hash)
set(VZ_BENCH_ROOT "/tmp/vz-bench-${vz_build_hash}")

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(VZ_WINE_ARCH win32)
else()
  set(VZ_WINE_ARCH win64)
endif()
set(VZ_TEST_PREFIX "${VZ_WINE_ARCH}.")

# Some hosts cannot execute 32-bit Linux programs (no IA-32 emulation in the
# kernel), and then 32-bit Wine cannot start. The suites of that architecture
# are then reported as skipped instead of failing.
execute_process(COMMAND ${VZ_BENCH} can-run ${VZ_WINE_ARCH}
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
  "VZ_MADE_PHOTOS=${CMAKE_BINARY_DIR}/made-photos"
  "VZ_BUILD_DIR=${CMAKE_BINARY_DIR}")

# The names of the bench's own fixtures in this build.
set(VZ_TEMPLATE_FIXTURE ${VZ_TEST_PREFIX}vz_template)
set(VZ_DISPLAY_FIXTURE ${VZ_TEST_PREFIX}vz_display)

function(vz_bench_fixtures)
  if(TARGET vz_bench_fixtures_done OR NOT VZ_WINE_USABLE)
    return()
  endif()
  add_custom_target(vz_bench_fixtures_done)
  set(t ${VZ_TEST_PREFIX}bench)
  add_test(NAME ${t}.template COMMAND ${VZ_BENCH} template)
  add_test(NAME ${t}.display-up COMMAND ${VZ_BENCH} xvfb-up)
  add_test(NAME ${t}.display-down COMMAND ${VZ_BENCH} xvfb-down)
  set_tests_properties(${t}.template PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_SETUP ${VZ_TEMPLATE_FIXTURE})
  set_tests_properties(${t}.display-up PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_SETUP ${VZ_DISPLAY_FIXTURE})
  set_tests_properties(${t}.display-down PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_CLEANUP ${VZ_DISPLAY_FIXTURE})
endfunction()

# A test that cannot run on this host: reported as skipped, with the reason.
function(vz_add_skipped_test name)
  add_test(NAME ${name} COMMAND sh -c
    "echo 'this host cannot run ${VZ_WINE_ARCH} Wine programs (32-bit Linux programs cannot execute here)'; exit 77")
  set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()

# vz_add_wine_test(NAME <suite> COMMAND <target> [args...]
#                  [LOCKS <resource>...] [TIMEOUT <seconds>] [SCRIPT [NO_DISPLAY]]
#                  [NEEDS_REAL_FILES <folder>...])
# Runs one test program as one CTest test, named ${VZ_TEST_PREFIX}<suite>, in
# a prefix of its own. With SCRIPT, the command is a check run on the Linux
# side (Python or shell) that starts Windows programs of this build through
# the bench itself, in prefixes it makes from the template: it gets the
# bench's environment and, unless NO_DISPLAY, its display, but no prefix.
# NEEDS_REAL_FILES names the folders of VZ_SHARED_DIR (photos, maker-notes,
# raw) whose real files the suite reads: where one is missing or empty when
# the suite runs, it is reported as skipped with the reason
# (tests/wine/needs-real-files.sh), and tools/test.sh counts it.
function(vz_add_wine_test)
  cmake_parse_arguments(arg "SCRIPT;NO_DISPLAY" "NAME;TIMEOUT" "COMMAND;LOCKS;NEEDS_REAL_FILES" ${ARGN})
  if(NOT arg_TIMEOUT)
    set(arg_TIMEOUT 600)
  endif()
  set(name ${VZ_TEST_PREFIX}${arg_NAME})
  if(NOT VZ_WINE_USABLE)
    vz_add_skipped_test(${name})
    return()
  endif()
  vz_bench_fixtures()
  set(wrap)
  if(arg_NEEDS_REAL_FILES)
    set(wrap ${CMAKE_SOURCE_DIR}/tests/wine/needs-real-files.sh ${VZ_SHARED_DIR} ${arg_NEEDS_REAL_FILES} --)
  endif()
  if(arg_SCRIPT)
    add_test(NAME ${name} COMMAND ${wrap} ${arg_COMMAND})
  else()
    # The suite makes its prefix, runs and removes it, so that no more
    # prefixes exist than suites run at once; the cleanup test removes one
    # only where its suite was killed at its timeout.
    set(prefix "${VZ_BENCH_ROOT}/prefix-${arg_NAME}")
    list(POP_FRONT arg_COMMAND program)
    if(TARGET ${program})
      set(program run $<TARGET_FILE:${program}>)
    endif()
    add_test(NAME ${name} COMMAND ${wrap} ${VZ_BENCH} in-prefix ${prefix} ${program} ${arg_COMMAND})
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${arg_TIMEOUT})
  if(arg_NEEDS_REAL_FILES)
    list(TRANSFORM arg_NEEDS_REAL_FILES PREPEND "real-files:" OUTPUT_VARIABLE labels)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77 LABELS "real-files;${labels}")
  endif()
  if(arg_LOCKS)
    list(TRANSFORM arg_LOCKS PREPEND ${VZ_TEST_PREFIX})
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${arg_LOCKS}")
  endif()
  if(arg_SCRIPT)
    set(fixtures ${VZ_TEMPLATE_FIXTURE})
    if(NOT arg_NO_DISPLAY)
      list(APPEND fixtures ${VZ_DISPLAY_FIXTURE})
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_REQUIRED "${fixtures}")
    return()
  endif()
  add_test(NAME ${name}.prefix-down COMMAND ${VZ_BENCH} prefix-down ${prefix})
  set_tests_properties(${name}.prefix-down PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_CLEANUP ${name}_prefix)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV}"
    FIXTURES_REQUIRED "${name}_prefix;${VZ_TEMPLATE_FIXTURE};${VZ_DISPLAY_FIXTURE}")
endfunction()
