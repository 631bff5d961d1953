vz_add_suite(support_tests
  SOURCES support/ordered_list_test.cpp
  LIBS vz_support)
