# Cross-compiles for Windows with Debian's MinGW-w64 (i686, posix threads).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VELTA_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
