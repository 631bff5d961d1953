# The built DLL loads under Wine and carries the product's version resource.
vz_add_suite(smoke_tests SOURCES smoke/dll_smoke_test.cpp LIBS version)
target_compile_definitions(smoke_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(smoke_tests VantreloZerli)
