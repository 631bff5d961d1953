# The built DLL loads under Wine and carries the product's version resource.
vz_add_suite(smoke_tests SOURCES smoke/dll_smoke_test.cpp LIBS version)
target_compile_definitions(smoke_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(smoke_tests VantreloZerli)

# The built DLL checked on the Linux side, without Wine, in both builds (the
# 32-bit product cannot run under Wine on every host, so this check is what
# proves its image): machine, exports, imports from system DLLs only,
# version resource and manifest.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(vz_pe_machine i386)
else()
  set(vz_pe_machine AMD64)
endif()
add_test(NAME dll_image_check
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/smoke/check_dll_image.py
    --machine ${vz_pe_machine}
    --def ${CMAKE_SOURCE_DIR}/src/resources/VantreloZerli.def
    $<TARGET_FILE:VantreloZerli>)
