vz_add_suite(coords_tests
  SOURCES
    coords/position_line_test.cpp
    coords/coord_notation_test.cpp
    coords/coord_parse_test.cpp
    coords/settings_test.cpp
  LIBS vz_coords)
