# The XMP sidecar editor's tests, native (clang or GCC, with AddressSanitizer
# and UndefinedBehaviorSanitizer).
get_target_property(sidecar_dir vz_sidecar SOURCE_DIR)
get_target_property(sidecar_sources vz_sidecar SOURCES)
list(TRANSFORM sidecar_sources PREPEND ${sidecar_dir}/)
add_executable(sidecar_native_tests ${CMAKE_CURRENT_LIST_DIR}/sidecar_test.cpp ${sidecar_sources})
target_link_libraries(sidecar_native_tests PRIVATE GTest::gtest_main)
target_compile_options(sidecar_native_tests PRIVATE ${native_sanitize})
target_link_options(sidecar_native_tests PRIVATE ${native_sanitize})
add_test(NAME sidecar_native_tests COMMAND sidecar_native_tests)

# The tool the ExifTool oracle drives (tests/sidecar/tests.cmake), natively.
add_executable(sidecar_tool ${CMAKE_CURRENT_LIST_DIR}/sidecar_tool.cpp ${sidecar_sources})
