# The Google Earth link: automation client and the get-location command,
# against a stand-in for Google Earth (earth/standin) that COM starts as a
# local server in the test prefix. Every query starts the stand-in anew
# (about a second under Wine), so the two suites run in prefixes of their own.
add_subdirectory(earth/standin)

function(vz_earth_suite name)
  vz_add_suite(${name} SOURCES earth/earth_standin.cpp ${ARGN} LIBS vz_earth TIMEOUT 900)
  target_compile_definitions(${name} PRIVATE
    VZ_STANDIN_ARRAY_UNIX_PATH="$<TARGET_FILE:earth_standin_array>"
    VZ_STANDIN_OBJECT_UNIX_PATH="$<TARGET_FILE:earth_standin_object>")
  add_dependencies(${name} earth_standin_array earth_standin_object)
endfunction()

vz_earth_suite(earth_tests
  earth/earth_install_check_test.cpp
  earth/earth_view_point_test.cpp
  earth/earth_point_query_test.cpp)
vz_earth_suite(get_location_tests
  earth/get_location_test.cpp)
