# Registration and installation.

# answer_boxes.exe answers the message boxes of DllInstall while regsvr32 runs.
add_executable(answer_boxes setup/answer_boxes.cpp)
target_link_options(answer_boxes PRIVATE -municode)
target_link_libraries(answer_boxes PRIVATE vz_shell_driver)

# regsvr32 /i, /i:verbose and the stored uninstall command in a fresh prefix,
# checked with reg export.
vz_add_wine_test(NAME setup_regsvr32_tests
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/setup/regsvr32_install_test.sh
          $<TARGET_FILE:VantreloZerli> $<TARGET_FILE:answer_boxes>
  TIMEOUT 300)

# RegisterComServer and its helpers, in the test program itself.
vz_add_suite(setup_registration_tests
  SOURCES setup/com_registration_test.cpp
  LIBS vz_setup)
target_compile_definitions(setup_registration_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(setup_registration_tests VantreloZerli)

# DllInstall of the built DLL in this process: results and message boxes.
vz_add_suite(setup_install_tests
  SOURCES setup/dll_install_test.cpp)
target_compile_definitions(setup_install_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(setup_install_tests VantreloZerli)

# Registered with regsvr32, then used through COM as Explorer does
# (tools/ContextMenuHost): the menu and "Show location in Google Earth".
vz_add_wine_test(NAME setup_host_tests
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/setup/host_end_to_end_test.sh
          $<TARGET_FILE:VantreloZerli> $<TARGET_FILE:ContextMenuHost> $<TARGET_FILE:KmlReceiver>
  TIMEOUT 300)

# The 64-bit and the 32-bit DLL side by side in a 64-bit prefix (64-bit
# build only; the 32-bit DLL and host come from the 32-bit build folder
# beside it, as tools/build.sh lays them out).
if(VZ_WINE_ARCH STREQUAL win64)
  vz_add_wine_test(NAME setup_side_by_side_tests
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/setup/side_by_side_test.sh
            $<TARGET_FILE:VantreloZerli> $<TARGET_FILE:ContextMenuHost> $<TARGET_FILE:answer_boxes>
            ${CMAKE_BINARY_DIR}/../win32/bin
    TIMEOUT 900)
endif()
