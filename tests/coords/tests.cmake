# The coordinates dialog and its clipboard input, driven under Xvfb; it takes
# its dialog and picture from the DLL.
vz_add_suite(coord_dialog_tests
  SOURCES
    coords/coord_dialog_fixture.cpp
    coords/coord_dialog_test.cpp
    coords/coord_dialog_clipboard_test.cpp
    raw/raw_bytes.cpp
  LIBS vz_coords
  LOCKS clipboard)
target_compile_definitions(coord_dialog_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(coord_dialog_tests VantreloZerli)
vz_dialog_fonts(coord_dialog_tests)

# "From Google Earth!" against the Google Earth stand-in (tests/earth_client), in a
# prefix of its own: every query starts the stand-in anew.
vz_add_suite(coord_dialog_earth_tests
  SOURCES
    coords/coord_dialog_fixture.cpp
    coords/coord_dialog_earth_test.cpp
    earth_client/earth_standin.cpp
    earth_client/standin/standin_registry.cpp
  LIBS vz_coords
  LOCKS clipboard
  TIMEOUT 600)
target_compile_definitions(coord_dialog_earth_tests PRIVATE
  VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>"
  VZ_STANDIN_ARRAY_UNIX_PATH="$<TARGET_FILE:earth_standin_array>"
  VZ_STANDIN_OBJECT_UNIX_PATH="$<TARGET_FILE:earth_standin_object>")
add_dependencies(coord_dialog_earth_tests VantreloZerli earth_standin_array earth_standin_object)
vz_dialog_fonts(coord_dialog_earth_tests)

# ExifTool reads back what "Save!" wrote into copies of real photos (and
# into the sidecars of copies of raw files): a
# Windows program types the position into the dialog, the script checks.
add_executable(coord_dialog_save_tool coords/coord_dialog_save_tool.cpp)
target_link_libraries(coord_dialog_save_tool PRIVATE vz_coords vz_test_support)
target_link_options(coord_dialog_save_tool PRIVATE -municode)
target_compile_definitions(coord_dialog_save_tool PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(coord_dialog_save_tool VantreloZerli)
vz_add_wine_test(SCRIPT NAME coord_dialog_exiftool_tests
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/coords/check_coord_dialog_save.py
    $<TARGET_FILE:coord_dialog_save_tool> ${VZ_BENCH} ${VZ_SHARED_DIR}/photos ${VZ_SHARED_DIR}/raw
  NEEDS_REAL_FILES photos raw)
