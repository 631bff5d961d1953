# vz_dialog_fonts(<suite>): before the suite runs, its prefix gets the font
# replacements of dialog-fonts.sh, so that dialogs and screenshots have the
# proportions they have on Windows.
function(vz_dialog_fonts suite)
  if(NOT VZ_WINE_USABLE)
    return()
  endif()
  set(t ${VZ_TEST_PREFIX}${suite})
  add_test(NAME ${t}.fonts COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/dialog-fonts.sh)
  set_tests_properties(${t}.fonts PROPERTIES
    ENVIRONMENT "${VZ_BENCH_ENV};WINEPREFIX=${VZ_BENCH_ROOT}/prefix-${suite}"
    FIXTURES_REQUIRED ${t}_prefix FIXTURES_SETUP ${t}_fonts)
  set_property(TEST ${t} APPEND PROPERTY FIXTURES_REQUIRED ${t}_fonts)
endfunction()
