# Coordinate notations, parsing, the position line, map links and the stored
# setting.
vz_add_suite(coords_tests
  SOURCES
    notation/position_line_test.cpp
    notation/coord_notation_test.cpp
    notation/coord_parse_test.cpp
    notation/settings_test.cpp
    notation/position_links_test.cpp
    kml/kml_photos.cpp
  LIBS vz_notation vz_kml)
