# The part of the MinGW-w64 toolchain files that both architectures share:
# Debian's posix-thread compilers for VELTA_MINGW_TRIPLET, and searches kept
# inside that triplet's folder (never the Linux system's headers or libraries).
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${VELTA_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELTA_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${VELTA_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VELTA_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
