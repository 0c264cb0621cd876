# Cross-compiling the Linux aarch64 engine on x86-64 Linux with Debian's
# g++-aarch64-linux-gnu:
#   cmake -S . -B build-arm64 -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(VELT_CROSS_PREFIX aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${VELT_CROSS_PREFIX}-gcc)
set(CMAKE_CXX_COMPILER ${VELT_CROSS_PREFIX}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${VELT_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# A static program needs no library of the system it runs on: any aarch64 Linux, an
# Android phone's kernel among them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
