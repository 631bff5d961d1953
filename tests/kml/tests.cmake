# XML writer, Base64, file search and KML documents.
vz_add_suite(kml_tests
  SOURCES kml/xml_writer_test.cpp kml/base64_test.cpp kml/for_each_file_test.cpp
  LIBS vz_kml)
