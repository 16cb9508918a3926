# Outside code, used from Debian's installed paths (never copied into the repository).

set(VELTA_THIRD_PARTY_INCLUDE ${CMAKE_BINARY_DIR}/third_party/include)
file(MAKE_DIRECTORY ${VELTA_THIRD_PARTY_INCLUDE})

# nlohmann-json (nlohmann-json3-dev). Only its own folder is linked into the
# build tree: /usr/include itself must never reach the MinGW include path.
if(NOT EXISTS /usr/include/nlohmann/json.hpp)
  message(FATAL_ERROR "nlohmann-json3-dev is missing (tools/test installs it)")
endif()
file(CREATE_LINK /usr/include/nlohmann ${VELTA_THIRD_PARTY_INCLUDE}/nlohmann SYMBOLIC)
add_library(nlohmann_json INTERFACE)
target_include_directories(nlohmann_json SYSTEM INTERFACE ${VELTA_THIRD_PARTY_INCLUDE})
target_compile_definitions(nlohmann_json INTERFACE JSON_NOEXCEPTION=1)

# GoogleTest and GoogleMock, built for this architecture from Debian's sources.
if(VELTA_BUILD_TESTS)
  if(NOT EXISTS /usr/src/googletest/CMakeLists.txt)
    message(FATAL_ERROR "googletest sources are missing (tools/test installs them)")
  endif()
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
endif()
