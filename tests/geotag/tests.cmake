# The track layer: times, matching, the GPX reader (with hostile files) and
# the times of photos.
vz_add_suite(geotag_track_tests
  SOURCES
    geotag/track_time_test.cpp
    geotag/track_match_test.cpp
    geotag/gpx_reader_test.cpp
    geotag/geotag_plan_test.cpp
  LIBS vz_geotag)
