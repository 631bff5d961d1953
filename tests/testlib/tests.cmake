# The test library's own helpers: the message-box watcher on real boxes.
vz_add_suite(testlib_tests
  SOURCES testlib/message_box_watcher_test.cpp)
