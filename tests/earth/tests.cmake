# The Google Earth link: automation client and the get-location command,
# against a stand-in for Google Earth (earth/standin) that COM starts as a
# local server in the test prefix. Every query starts the stand-in anew
# (about a second under Wine), so the two suites run in prefixes of their own.
add_subdirectory(earth/standin)

function(vz_earth_suite name lib)
  vz_add_suite(${name} SOURCES earth/earth_standin.cpp earth/standin/standin_registry.cpp ${ARGN} LIBS ${lib} TIMEOUT 900)
  target_compile_definitions(${name} PRIVATE
    VZ_STANDIN_ARRAY_UNIX_PATH="$<TARGET_FILE:earth_standin_array>"
    VZ_STANDIN_OBJECT_UNIX_PATH="$<TARGET_FILE:earth_standin_object>")
  add_dependencies(${name} earth_standin_array earth_standin_object)
endfunction()

vz_earth_suite(earth_tests vz_earth_client
  earth/earth_install_check_test.cpp
  earth/earth_view_point_test.cpp
  earth/earth_point_query_test.cpp)
vz_earth_suite(get_location_tests vz_earth
  earth/get_location_test.cpp)

# ExifTool reads back what the command wrote into copies of real photos.
add_executable(get_location_tool earth/get_location_tool.cpp earth/earth_standin.cpp
  earth/standin/standin_registry.cpp)
target_link_libraries(get_location_tool PRIVATE vz_earth vz_test_support)
target_link_options(get_location_tool PRIVATE -municode)
target_compile_definitions(get_location_tool PRIVATE
  VZ_STANDIN_ARRAY_UNIX_PATH="$<TARGET_FILE:earth_standin_array>"
  VZ_STANDIN_OBJECT_UNIX_PATH="$<TARGET_FILE:earth_standin_object>")
add_dependencies(get_location_tool earth_standin_array earth_standin_object)
vz_add_wine_test(SCRIPT NAME get_location_exiftool_tests
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/earth/check_get_location.py
    $<TARGET_FILE:get_location_tool> ${VZ_BENCH} ${VZ_SHARED_DIR}/photos)
