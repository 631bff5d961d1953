# Cross-compiling for Windows with Debian's mingw-w64 (posix threads variant,
# which has std::mutex and std::thread; GoogleTest needs them).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VZ_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER   ${VZ_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VZ_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${VZ_MINGW_TRIPLE}-windres)
set(VZ_WIDL            ${VZ_MINGW_TRIPLE}-widl)

set(CMAKE_FIND_ROOT_PATH /usr/${VZ_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Everything static: the products import only Windows system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
