# Cross-compiles the native Windows program for 64-bit Windows with Debian's mingw-w64;
# mingw-w64-i686.cmake does the same for 32-bit Windows.
set(MINGW_TARGET x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-toolchain.cmake)
