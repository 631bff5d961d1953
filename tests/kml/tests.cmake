# XML writer, Base64, file search and KML documents.
vz_add_suite(kml_tests
  SOURCES
    kml/xml_writer_test.cpp
    kml/base64_test.cpp
    kml/for_each_file_test.cpp
    kml/kml_photos.cpp
    kml/kml_document_test.cpp
    kml/kml_files_test.cpp
  LIBS vz_kml)

# "Show location in Google Earth" with a stand-in program registered for
# .kml files in the test prefix.
add_executable(kml_viewer_standin kml/kml_viewer_standin.cpp)
target_link_options(kml_viewer_standin PRIVATE -municode -mwindows)
target_link_libraries(kml_viewer_standin PRIVATE shell32)
vz_add_suite(show_location_tests
  SOURCES kml/show_location_test.cpp kml/kml_photos.cpp
  LIBS vz_earth)
# A host folder that the user Wine runs as cannot write into, as the
# temporary folder of the create-failure case.
set(vz_readonly_dir "${CMAKE_BINARY_DIR}/show-location-readonly")
target_compile_definitions(show_location_tests PRIVATE
  VZ_KML_STANDIN_UNIX_PATH="$<TARGET_FILE:kml_viewer_standin>"
  VZ_READONLY_UNIX_DIR="${vz_readonly_dir}")
add_dependencies(show_location_tests kml_viewer_standin)
if(VZ_WINE_USABLE)
  set(t ${VZ_TEST_PREFIX}show_location_tests)
  add_test(NAME ${t}.readonly-folder
    COMMAND sh -c "mkdir -p '${vz_readonly_dir}' && chmod 555 '${vz_readonly_dir}'")
  set_tests_properties(${t}.readonly-folder PROPERTIES FIXTURES_SETUP ${t}_readonly)
  set_property(TEST ${t} APPEND PROPERTY FIXTURES_REQUIRED ${t}_readonly)
endif()

# A real KML reader (GDAL's ogrinfo) reads the file, and its placemarks must
# agree with the positions ExifTool reads from the photos.
add_executable(kml_export_tool kml/kml_export_tool.cpp)
target_link_libraries(kml_export_tool PRIVATE vz_earth)
target_link_options(kml_export_tool PRIVATE -municode)
vz_add_wine_test(SCRIPT NAME kml_reader_tests
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/kml/check_kml_with_readers.py
    $<TARGET_FILE:kml_export_tool> ${VZ_BENCH} ${VZ_SHARED_DIR}/photos
  TIMEOUT 300)
