# The Google Earth link: automation client and the get-location command,
# against a stand-in for Google Earth (earth/standin) that COM starts as a
# local server in the test prefix.
add_subdirectory(earth/standin)

vz_add_suite(earth_tests
  SOURCES
    earth/earth_standin.cpp
    earth/earth_install_check_test.cpp
    earth/earth_view_point_test.cpp
    earth/earth_point_query_test.cpp
  LIBS vz_earth
  TIMEOUT 600)
target_compile_definitions(earth_tests PRIVATE
  VZ_STANDIN_ARRAY_UNIX_PATH="$<TARGET_FILE:earth_standin_array>"
  VZ_STANDIN_OBJECT_UNIX_PATH="$<TARGET_FILE:earth_standin_object>")
add_dependencies(earth_tests earth_standin_array earth_standin_object)
