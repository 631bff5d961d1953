# The built DLL loads under Wine and carries the product's version resource.
vz_add_suite(smoke_tests SOURCES smoke/dll_smoke_test.cpp LIBS version)
target_compile_definitions(smoke_tests PRIVATE VZ_DLL_UNIX_PATH="$<TARGET_FILE:VantreloZerli>")
add_dependencies(smoke_tests VantreloZerli)

# The built DLL checked on the Linux side, without Wine, in both builds (the
# 32-bit product cannot run under Wine on every host, so this check is what
# proves its image): machine, exports, imports from system DLLs only,
# version resource and manifest.
# In the 32-bit build, it also checks that the product's code was compiled
# for SSE2 arithmetic, so that it computes exactly as the 64-bit DLL does
# (this check runs on every host, also where 32-bit programs cannot).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(vz_pe_machine i386 --objdump ${VZ_MINGW_TRIPLE}-objdump --sources ${CMAKE_SOURCE_DIR}/src)
else()
  set(vz_pe_machine AMD64)
endif()
add_test(NAME ${VZ_TEST_PREFIX}dll_image_check
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/smoke/check_dll_image.py
    --machine ${vz_pe_machine}
    --def ${CMAKE_SOURCE_DIR}/src/dll/VantreloZerli.def
    $<TARGET_FILE:VantreloZerli>)
