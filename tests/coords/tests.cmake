vz_add_suite(coords_tests
  SOURCES
    coords/position_line_test.cpp
    coords/coord_notation_test.cpp
    coords/coord_parse_test.cpp
    coords/settings_test.cpp
  LIBS vz_coords)

# The coordinates dialog and its clipboard input, driven under Xvfb; it takes
# its dialog and picture from the DLL.
vz_add_suite(coord_dialog_tests
  SOURCES coords/coord_dialog_test.cpp
  LIBS vz_coords
  LOCKS clipboard)
target_compile_definitions(coord_dialog_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(coord_dialog_tests VantreloZerli)
include(${CMAKE_CURRENT_SOURCE_DIR}/support/dialog_fonts.cmake)
vz_dialog_fonts(coord_dialog_tests)
