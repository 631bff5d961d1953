# The build itself: every file a resource script reads (the headers it
# includes, also generated ones, and the pictures and manifest it names) is
# an input of its object, so that an incremental build never keeps stale
# resources.
add_test(NAME ${VZ_TEST_PREFIX}resource_inputs_check
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/dll/check_resource_inputs.py ${CMAKE_BINARY_DIR})
