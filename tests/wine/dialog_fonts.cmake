# vz_dialog_fonts(<suite>): the suite's prefix gets the font replacements
# of dialog-fonts.sh before the suite runs in it, so that dialogs and
# screenshots have the proportions they have on Windows.
function(vz_dialog_fonts suite)
  if(NOT VZ_WINE_USABLE)
    return()
  endif()
  set_property(TEST ${VZ_TEST_PREFIX}${suite} APPEND PROPERTY ENVIRONMENT
    VZ_PREFIX_SETUP=${CMAKE_SOURCE_DIR}/tests/wine/dialog-fonts.sh)
endfunction()
