# The track layer: times, matching, the GPX reader (with hostile files) and
# the times of photos.
vz_add_suite(geotag_track_tests
  SOURCES
    track/track_time_test.cpp
    track/track_match_test.cpp
    track/gpx_reader_test.cpp
    track/track_files.cpp
  LIBS vz_geotag_track)
