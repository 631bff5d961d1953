# XML writer, Base64, file search and KML documents.
vz_add_suite(kml_tests
  SOURCES
    kml/xml_writer_test.cpp
    kml/base64_test.cpp
    kml/for_each_file_test.cpp
    kml/kml_photos.cpp
    kml/kml_document_test.cpp
    kml/kml_files_test.cpp
    raw/raw_bytes.cpp
  LIBS vz_kml)

# A real KML reader (GDAL's ogrinfo) reads the file, and its placemarks must
# agree with the positions ExifTool reads from the photos (and the sidecars
# of raw files).
add_executable(kml_export_tool kml/kml_export_tool.cpp)
target_link_libraries(kml_export_tool PRIVATE vz_earth)
target_link_options(kml_export_tool PRIVATE -municode)
vz_add_wine_test(SCRIPT NAME kml_reader_tests
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/kml/check_kml_with_readers.py
    $<TARGET_FILE:kml_export_tool> ${VZ_BENCH} ${VZ_SHARED_DIR}/photos ${VZ_SHARED_DIR}/raw
  TIMEOUT 300 NEEDS_REAL_FILES photos raw)
