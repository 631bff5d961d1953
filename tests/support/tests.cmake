vz_add_suite(support_tests
  SOURCES support/ordered_list_test.cpp support/message_box_watcher_test.cpp
  LIBS vz_support)

# Dialog, window, text and registry helpers on real windows and the real
# registry of the test prefix.
vz_add_suite(support_helpers_tests
  SOURCES
    support/text_bounded_test.cpp
    support/number_field_test.cpp
    support/dialog_items_test.cpp
    support/dialog_items_test.rc
    support/window_placement_test.cpp
    support/registry_key_test.cpp
  LIBS vz_support)
vz_add_suite(support_clipboard_tests
  SOURCES support/clipboard_text_test.cpp
  LIBS vz_support
  LOCKS clipboard)
