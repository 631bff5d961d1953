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
if(TARGET vz_earth AND EXISTS ${CMAKE_SOURCE_DIR}/src/earth/show_location.cpp)
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
    add_test(NAME show_location_tests.readonly-folder
      COMMAND sh -c "mkdir -p '${vz_readonly_dir}' && chmod 555 '${vz_readonly_dir}'")
    set_tests_properties(show_location_tests.readonly-folder PROPERTIES
      FIXTURES_SETUP show_location_readonly)
    set_property(TEST show_location_tests APPEND PROPERTY FIXTURES_REQUIRED show_location_readonly)
  endif()
endif()

# A real KML reader (GDAL's ogrinfo) reads the file, and its placemarks must
# agree with the positions ExifTool reads from the photos.
if(TARGET vz_earth AND EXISTS ${CMAKE_SOURCE_DIR}/src/earth/show_location.cpp)
  add_executable(kml_export_tool kml/kml_export_tool.cpp)
  target_link_libraries(kml_export_tool PRIVATE vz_earth)
  target_link_options(kml_export_tool PRIVATE -municode)
  if(VZ_WINE_USABLE)
    vz_bench_fixtures()
    add_test(NAME kml_reader_tests
      COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/kml/check_kml_with_readers.py
        $<TARGET_FILE:kml_export_tool> ${VZ_BENCH} ${VZ_SHARED_DIR}/photos)
    set_tests_properties(kml_reader_tests PROPERTIES
      ENVIRONMENT "${VZ_BENCH_ENV}" FIXTURES_REQUIRED "vz_template;vz_display" TIMEOUT 300)
  else()
    add_test(NAME kml_reader_tests COMMAND sh -c "echo 'this host cannot run ${VZ_WINE_ARCH} Wine programs'; exit 77")
    set_tests_properties(kml_reader_tests PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endif()
