vz_add_suite(support_tests
  SOURCES support/ordered_list_test.cpp
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

# The window placement tests again on a display of two monitors (an Xvfb of
# its own with two Xinerama screens) in a prefix of its own.
vz_add_wine_test(SCRIPT NAME support_two_monitors
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/support/two-monitors.sh $<TARGET_FILE:support_helpers_tests>
  TIMEOUT 300 NO_DISPLAY)
