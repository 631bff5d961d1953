# Registration and installation.

# answer_boxes.exe answers the message boxes of DllInstall while regsvr32 runs.
add_executable(answer_boxes setup/answer_boxes.cpp)
target_link_options(answer_boxes PRIVATE -municode)
target_link_libraries(answer_boxes PRIVATE user32)

# regsvr32 /i, /i:verbose and the stored uninstall command in a fresh prefix,
# checked with reg export.
vz_add_wine_test(NAME setup_regsvr32_tests
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/setup/regsvr32_install_test.sh
          $<TARGET_FILE:VantreloZerli> $<TARGET_FILE:answer_boxes>
  TIMEOUT 300)
