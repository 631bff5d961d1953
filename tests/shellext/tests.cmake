# The COM objects and the context menu, through the built DLL as a shell host
# loads it (LoadLibrary, DllGetClassObject).
vz_add_suite(shellext_com_tests
  SOURCES shellext/com_lifetime_test.cpp shellext/loaded_server.cpp)
target_compile_definitions(shellext_com_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(shellext_com_tests VantreloZerli)

# The menu over real camera photos of many makers.
vz_add_suite(shellext_menu_tests
  SOURCES shellext/context_menu_test.cpp shellext/loaded_server.cpp raw/raw_bytes.cpp
  TIMEOUT 300
  NEEDS_REAL_FILES photos)
target_compile_definitions(shellext_menu_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(shellext_menu_tests VantreloZerli)
