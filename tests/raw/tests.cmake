# Camera raw files: the readers over raw files built in the test (every
# format of the table, cut and looping files), and the oracle that holds the
# reader to ExifTool on copies of real raw files.
vz_add_suite(raw_tests
  SOURCES raw/raw_read_test.cpp raw/raw_bytes.cpp
  LIBS vz_raw)

add_executable(raw_tool raw/raw_tool.cpp)
target_link_libraries(raw_tool PRIVATE vz_raw)
target_link_options(raw_tool PRIVATE -municode)
vz_add_wine_test(NAME raw_real_files
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/raw/check_raw_files.py
    $<TARGET_FILE:raw_tool> ${VZ_BENCH} ${VZ_SHARED_DIR}/raw
  TIMEOUT 300 NEEDS_REAL_FILES raw)
