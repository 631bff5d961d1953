# The photo engine's native tests (clang or GCC, with AddressSanitizer and
# UndefinedBehaviorSanitizer): reading and writing HEIF files, hand-built
# ones and samples that heif-enc and ExifTool make from the project's own
# sample photos (tests/testlib/make_sample_photos.sh).
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

set(exif_sources)
foreach(lib vz_tiff vz_jpeg vz_heif vz_raw vz_exif_core)
  get_target_property(dir ${lib} SOURCE_DIR)
  get_target_property(sources ${lib} SOURCES)
  list(TRANSFORM sources PREPEND ${dir}/)
  list(APPEND exif_sources ${sources})
endforeach()
set(native_sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(tests_dir ${CMAKE_SOURCE_DIR}/tests)
add_executable(exif_native_tests ${tests_dir}/heif/heif_read_test.cpp
  ${tests_dir}/heif/heif_write_test.cpp
  ${tests_dir}/heif/heif_bytes.cpp ${tests_dir}/exif/exif_bytes.cpp
  ${tests_dir}/raw/raw_read_test.cpp ${tests_dir}/raw/raw_bytes.cpp ${exif_sources})
target_include_directories(exif_native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(exif_native_tests PRIVATE vz_containers GTest::gtest_main)
target_compile_options(exif_native_tests PRIVATE ${native_sanitize})
target_link_options(exif_native_tests PRIVATE ${native_sanitize})

set(heif_samples ${CMAKE_BINARY_DIR}/made-photos)
add_test(NAME exif_heif_samples COMMAND bash ${CMAKE_SOURCE_DIR}/tests/testlib/make_sample_photos.sh
  ${heif_samples})
set_tests_properties(exif_heif_samples PROPERTIES FIXTURES_SETUP exif_heif_samples)
add_test(NAME exif_native_tests COMMAND exif_native_tests)
set_tests_properties(exif_native_tests PROPERTIES FIXTURES_REQUIRED exif_heif_samples
  ENVIRONMENT "VZ_HEIF_SAMPLES=${heif_samples}")
