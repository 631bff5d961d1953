# The photo selection: names from the shell's data objects, shortcuts made by
# the shell-link object, read-only files, out-of-memory paths, the write loop.
vz_add_suite(shellext_selection_tests
  SOURCES
    selection/image_selection_reader_test.cpp
    selection/jpeg_file_test.cpp
    selection/file_access_test.cpp
    selection/selection_memory_test.cpp
    selection/photo_writes_test.cpp
    raw/raw_bytes.cpp
  LIBS vz_selection)
