# Compiler, linker and output settings shared by every Windows target.

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE Release CACHE STRING "" FORCE)
endif()

# Release: optimised, with line tables only (-g1): the kept symbols of the
# shipped binaries (velta_symbols.cmake) then give a crash dump's addresses
# their functions and source lines. Full debug information cost a quarter of
# every compilation and most of the link time; -g1 compiles as fast as none
# and adds about a third to the library's link. Configure with RelWithDebInfo
# to debug under winedbg. Test code is compiled with -Og (velta_testing.cmake).
set(CMAKE_C_FLAGS_RELEASE "-O2 -g1 -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELEASE "-O2 -g1 -DNDEBUG")
set(CMAKE_C_FLAGS_RELWITHDEBINFO "-O2 -g -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O2 -g -DNDEBUG")

find_program(VELTA_CCACHE ccache)
if(VELTA_CCACHE)
  # The compiler cache accepts precompiled headers only with this sloppiness.
  set(CMAKE_C_COMPILER_LAUNCHER
      ${CMAKE_COMMAND} -E env CCACHE_SLOPPINESS=pch_defines,time_macros ${VELTA_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${CMAKE_C_COMPILER_LAUNCHER})
endif()

# Windows 7 is the oldest target; newer functions are looked up at run time.
add_compile_definitions(
  UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
  _WIN32_WINNT=0x0601 WINVER=0x0601 NTDDI_VERSION=0x06010000
  __USE_MINGW_ANSI_STDIO=0)
if(VELTA_DCHECK_ALWAYS_ON)
  add_compile_definitions(DCHECK_ALWAYS_ON=1)
endif()

# No exceptions anywhere in our code. (__FILE__ is made the path in the
# repository by cmake/velta_component.cmake.)
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)

# Static runtime: no libstdc++, libgcc or winpthread DLLs beside the binaries.
# (A dynamically linked binary exits 53 under Wine with no output.)
add_link_options(-static -static-libgcc -static-libstdc++)

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)

# Headers generated at configure time (build identity, third-party links).
set(VELTA_GEN_DIR ${CMAKE_BINARY_DIR}/gen)
file(MAKE_DIRECTORY ${VELTA_GEN_DIR})
# velta_build_info.h: the version numbers and stream of this build.
add_library(velta_build_info INTERFACE)
target_include_directories(velta_build_info INTERFACE ${VELTA_GEN_DIR})
