# The XMP sidecar editor: its table tests under Wine, and real and
# hand-written sidecars edited by the Windows tool and judged by ExifTool,
# and raw files' sidecars written on disk by the photo tool.
vz_add_suite(sidecar_tests
  SOURCES sidecar/sidecar_test.cpp
  LIBS vz_sidecar)

add_executable(sidecar_tool sidecar/sidecar_tool.cpp)
target_link_libraries(sidecar_tool PRIVATE vz_sidecar)
vz_add_wine_test(NAME sidecar_exiftool
  COMMAND python3 ${CMAKE_CURRENT_SOURCE_DIR}/sidecar/check_sidecars.py
    $<TARGET_FILE:sidecar_tool> ${VZ_BENCH} ${CMAKE_BINARY_DIR}/sidecar-exiftool
    ${CMAKE_CURRENT_SOURCE_DIR}/sidecar/samples ${VZ_SHARED_DIR}/raw $<TARGET_FILE:exif_photo_tool>
  TIMEOUT 300 NEEDS_REAL_FILES raw)
