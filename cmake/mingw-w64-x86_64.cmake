# Cross-compiling the Windows programs on Linux with Debian's MinGW-w64 (the POSIX
# thread model, which gives std::thread):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VELT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${VELT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VELT_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VELT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Programs that run without any DLL beside them (libstdc++, libgcc, winpthread).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
