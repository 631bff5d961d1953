# The photo engine: layout rules over hand-built bytes and maker notes
# (tests/tiff), the marker scan (tests/jpeg), the GPS tags, and rewriting
# files in place under Wine. The suites keep their names (exif_*): each
# runs the engine through the photo's public operations.
add_library(vz_exif_test_bytes STATIC exif/exif_bytes.cpp)
target_include_directories(vz_exif_test_bytes PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

vz_add_suite(exif_tests
  SOURCES
    tiff/tiff_layout_test.cpp
    tiff/tiff_write_test.cpp
    jpeg/jpeg_scan_test.cpp
    exif/gps_position_test.cpp
    exif/write_back_test.cpp
    exif/open_file_test.cpp
    tiff/maker_note_test.cpp
  LIBS vz_exif vz_exif_test_bytes)

# Real photos, on copies: the engine's work under Wine (photo_tool), checked
# with ExifTool on the Linux side, the camera photos and the maker-note
# files each in a suite of its own (either folder may be there without the
# other). The reports (per photo and per maker, with the maker notes
# ExifTool still reads) land in exif_real_photos.md and
# exif_real_maker_notes.md.
add_executable(exif_photo_tool exif/photo_tool.cpp)
target_link_libraries(exif_photo_tool PRIVATE vz_exif)
target_link_options(exif_photo_tool PRIVATE -municode)
foreach(real photos maker-notes)
  string(REPLACE "-" "_" suffix ${real})
  vz_add_wine_test(NAME exif_real_${suffix}
    COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/exif/check_real_photos.py
      $<TARGET_FILE:exif_photo_tool> ${VZ_BENCH} ${VZ_SHARED_DIR}/${real}
      ${CMAKE_BINARY_DIR}/exif-real-${real} ${CMAKE_BINARY_DIR}/exif_real_${suffix}.md
    TIMEOUT 600 NEEDS_REAL_FILES ${real})
endforeach()

# HEIF samples made from real camera photos (heif-enc, ExifTool: maker notes
# and a phone's GPS tags in HEIF), read and written by the engine under Wine,
# judged by ExifTool, heif-info and heif-convert.
vz_add_wine_test(NAME exif_heif_photos
  COMMAND bash -c "bash \"$1\" \"$2\" \"$3/originals\" && /usr/bin/python3 \"$4\" \"$3/originals\" \"$3/work\" 48.8582 -7.25 100 \"$5\" \"$6\""
    check ${CMAKE_CURRENT_SOURCE_DIR}/exif/make_heif_samples.sh ${VZ_SHARED_DIR}/photos ${CMAKE_BINARY_DIR}/exif-heif
    ${CMAKE_CURRENT_SOURCE_DIR}/exif/check_heif_writes.py $<TARGET_FILE:exif_photo_tool> ${VZ_BENCH}
  TIMEOUT 300 NEEDS_REAL_FILES photos)

# A growing segment on a full disk (a tmpfs mounted for the test; skipped
# where none can be mounted).
vz_add_wine_test(NAME exif_full_disk
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/exif/check_full_disk.sh
    $<TARGET_FILE:exif_photo_tool> ${VZ_BENCH} ${CMAKE_BINARY_DIR}/exif-full-disk)
set_tests_properties(${VZ_TEST_PREFIX}exif_full_disk PROPERTIES SKIP_RETURN_CODE 77)

# Hostile photos (seeded mutation test).
include(${CMAKE_CURRENT_LIST_DIR}/mutation.cmake)

# A writer killed at random moments of its write: the photo is always the
# old one or the new one (bench/run-killed-writes.sh runs more trials).
vz_add_wine_test(NAME exif_killed_writes
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/exif/check_killed_writes.py
    $<TARGET_FILE:exif_photo_tool> ${VZ_BENCH} ${CMAKE_BINARY_DIR}/exif-killed-writes 25
  TIMEOUT 900)
