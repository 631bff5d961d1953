# The track layer: times, matching, the GPX reader (with hostile files) and
# the times of photos.
vz_add_suite(geotag_track_tests
  SOURCES
    geotag/track_time_test.cpp
    geotag/track_match_test.cpp
    geotag/gpx_reader_test.cpp
    geotag/geotag_plan_test.cpp
  LIBS vz_geotag)

# "Geotag from GPS track" driven as a user would, under Xvfb, over photos and
# tracks the tests write; the dialog and its picture come from the DLL. The
# texts of the dialog on their own.
vz_add_suite(geotag_dialog_tests
  SOURCES
    geotag/geotag_files.cpp
    geotag/geotag_format_test.cpp
    geotag/geotag_dialog_test.cpp
  LIBS vz_geotag)
target_compile_definitions(geotag_dialog_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(geotag_dialog_tests VantreloZerli)
vz_dialog_fonts(geotag_dialog_tests)
