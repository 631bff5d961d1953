vz_add_suite(support_tests
  SOURCES support/ordered_list_test.cpp support/message_box_watcher_test.cpp
  LIBS vz_support)
