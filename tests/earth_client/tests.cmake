# The Google Earth automation client, and (tests/earth) the get-location
# command, against a stand-in for Google Earth (earth_client/standin) that COM
# starts as a local server in the test prefix. Every query starts the
# stand-in anew (about a second under Wine), so each suite runs in a prefix
# of its own.
add_subdirectory(earth_client/standin)

function(vz_earth_suite name lib)
  vz_add_suite(${name} SOURCES earth_client/earth_standin.cpp earth_client/standin/standin_registry.cpp ${ARGN} LIBS ${lib} TIMEOUT 900)
  target_compile_definitions(${name} PRIVATE
    VZ_STANDIN_ARRAY_UNIX_PATH="$<TARGET_FILE:earth_standin_array>"
    VZ_STANDIN_OBJECT_UNIX_PATH="$<TARGET_FILE:earth_standin_object>")
  add_dependencies(${name} earth_standin_array earth_standin_object)
endfunction()

vz_earth_suite(earth_tests vz_earth_client
  earth_client/earth_install_check_test.cpp
  earth_client/earth_view_point_test.cpp
  earth_client/earth_point_query_test.cpp)
