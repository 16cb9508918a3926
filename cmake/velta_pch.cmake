# Precompiled headers: the Windows and C++ library headers that nearly every
# file includes (and, for tests, GoogleTest and GoogleMock) are parsed once
# per tree instead of once per file. Only system and GoogleTest headers go in:
# a precompiled header of ours would let any file use it without including
# it, past the include trees of velta_component.cmake.
#
# Each set is compiled once, by a small object library, and reused by every
# target of its kind (velta_add_component and velta_add_unittests).
# -Winvalid-pch with -Werror turns a header that cannot be reused (options
# that differ) into an error rather than a silent slow build.

set(VELTA_PCH_HEADERS
  <windows.h>
  <stddef.h> <stdint.h> <string.h>
  <algorithm> <atomic> <cstddef> <cstdint> <functional> <limits> <map>
  <memory> <optional> <set> <sstream> <string> <string_view> <utility> <vector>)

set(pch_anchor ${CMAKE_BINARY_DIR}/pch_anchor.cc)
file(CONFIGURE OUTPUT ${pch_anchor} CONTENT "// The precompiled headers' own compilation unit.\n")

add_library(velta_pch OBJECT ${pch_anchor})
target_precompile_headers(velta_pch PRIVATE ${VELTA_PCH_HEADERS})

if(VELTA_BUILD_TESTS)
  add_library(velta_test_pch OBJECT ${pch_anchor})
  target_compile_options(velta_test_pch PRIVATE ${VELTA_TEST_COMPILE_OPTIONS})
  target_link_libraries(velta_test_pch PRIVATE GTest::gmock)
  target_precompile_headers(velta_test_pch PRIVATE
    ${VELTA_PCH_HEADERS} <gmock/gmock.h> <gtest/gtest.h>)
endif()

# velta_use_pch(TARGET): TARGET's C++ files start from the product headers,
# or from the test headers when TARGET is test code.
function(velta_use_pch target)
  cmake_parse_arguments(ARG "TEST" "" "" ${ARGN})
  if(ARG_TEST)
    # GoogleTest's definitions and include path must match the header's.
    target_link_libraries(${target} PRIVATE GTest::gmock)
    target_precompile_headers(${target} REUSE_FROM velta_test_pch)
  else()
    target_precompile_headers(${target} REUSE_FROM velta_pch)
  endif()
endfunction()
