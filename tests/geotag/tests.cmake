# ExifTool as the judge of geotagging real photos (and raw files, into their
# sidecars) from generated tracks, and
# gpxpy as a second reader of those tracks: geotag_driver runs the track
# reader and the plan under Wine, check_geotag_exiftool.py does the rest.
add_executable(geotag_driver geotag/geotag_driver.cpp)
target_link_libraries(geotag_driver PRIVATE vz_geotag)
target_link_options(geotag_driver PRIVATE -municode)
add_dependencies(geotag_driver vz_made_photos)
vz_add_wine_test(SCRIPT NO_DISPLAY NAME geotag_exiftool_tests
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/geotag/check_geotag_exiftool.py
    $<TARGET_FILE:geotag_driver> ${VZ_BENCH} ${VZ_SHARED_DIR}/photos ${VZ_SHARED_DIR}/raw
  TIMEOUT 900 NEEDS_REAL_FILES photos raw)

# "Geotag from GPS track" driven as a user would, under Xvfb, over photos and
# tracks the tests write; the dialog and its picture come from the DLL. The
# plan of one geotagging and the texts of the dialog on their own.
vz_add_suite(geotag_dialog_tests
  SOURCES
    track/track_files.cpp
    geotag/geotag_plan_test.cpp
    geotag/geotag_format_test.cpp
    geotag/geotag_dialog_test.cpp
    raw/raw_bytes.cpp
  LIBS vz_geotag)
target_compile_definitions(geotag_dialog_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(geotag_dialog_tests VantreloZerli)
vz_dialog_fonts(geotag_dialog_tests)
