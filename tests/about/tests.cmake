# The About box, driven as a user would under Xvfb: the Google Earth line in
# both states, the layout, the pages opened through a browser stand-in, and a
# screenshot.
add_executable(url_recorder about/url_recorder.cpp)
target_link_options(url_recorder PRIVATE -municode)

vz_add_suite(about_tests
  SOURCES about/about_box_test.cpp
  LIBS vz_about)
target_compile_definitions(about_tests PRIVATE
  VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>"
  VZ_URL_RECORDER_UNIX_PATH="$<TARGET_FILE:url_recorder>")
add_dependencies(about_tests VantreloZerli url_recorder)
vz_dialog_fonts(about_tests)
