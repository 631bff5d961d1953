# "Get location from Google Earth" against the Google Earth stand-in
# (tests/earth_client).
vz_earth_suite(get_location_tests vz_earth
  earth/get_location_test.cpp)

# ExifTool reads back what the command wrote into copies of real photos.
add_executable(get_location_tool earth/get_location_tool.cpp earth_client/earth_standin.cpp
  earth_client/standin/standin_registry.cpp)
target_link_libraries(get_location_tool PRIVATE vz_earth vz_test_support)
target_link_options(get_location_tool PRIVATE -municode)
target_compile_definitions(get_location_tool PRIVATE
  VZ_STANDIN_ARRAY_UNIX_PATH="$<TARGET_FILE:earth_standin_array>"
  VZ_STANDIN_OBJECT_UNIX_PATH="$<TARGET_FILE:earth_standin_object>")
add_dependencies(get_location_tool earth_standin_array earth_standin_object)
vz_add_wine_test(SCRIPT NAME get_location_exiftool_tests
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/earth/check_get_location.py
    $<TARGET_FILE:get_location_tool> ${VZ_BENCH} ${VZ_SHARED_DIR}/photos ${VZ_SHARED_DIR}/raw
  NEEDS_REAL_FILES photos raw)

# "Show location in Google Earth" with a stand-in program registered for
# .kml files in the test prefix.
add_executable(kml_viewer_standin earth/kml_viewer_standin.cpp)
target_link_options(kml_viewer_standin PRIVATE -municode -mwindows)
target_link_libraries(kml_viewer_standin PRIVATE shell32)
vz_add_suite(show_location_tests
  SOURCES earth/show_location_test.cpp kml/kml_photos.cpp
  LIBS vz_earth)
# A host folder that the user Wine runs as cannot write into, as the
# temporary folder of the create-failure case.
set(vz_readonly_dir "${CMAKE_BINARY_DIR}/show-location-readonly")
target_compile_definitions(show_location_tests PRIVATE
  VZ_KML_STANDIN_UNIX_PATH="$<TARGET_FILE:kml_viewer_standin>"
  VZ_READONLY_UNIX_DIR="${vz_readonly_dir}")
add_dependencies(show_location_tests kml_viewer_standin)
if(VZ_WINE_USABLE)
  set(t ${VZ_TEST_PREFIX}show_location_tests)
  add_test(NAME ${t}.readonly-folder
    COMMAND sh -c "mkdir -p '${vz_readonly_dir}' && chmod 555 '${vz_readonly_dir}'")
  set_tests_properties(${t}.readonly-folder PROPERTIES FIXTURES_SETUP ${t}_readonly)
  set_property(TEST ${t} APPEND PROPERTY FIXTURES_REQUIRED ${t}_readonly)
endif()
