# Native Linux build of the portable cores (today the 7z reader): clang++,
# unit tests under AddressSanitizer and UndefinedBehaviorSanitizer, a bounded
# libFuzzer run, and the benchmark without sanitizers. Included by the root
# CMakeLists.txt when configured with -DVELTA_NATIVE=ON. The compilers are
# chosen before this file runs, so name clang on the command line:
#   CC=clang CXX=clang++ cmake -S . -B build/native -G Ninja -DVELTA_NATIVE=ON
#   cmake --build build/native && ctest --test-dir build/native --output-on-failure

project(velta_native LANGUAGES C CXX)
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang" OR NOT CMAKE_C_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "The native build needs clang (libFuzzer): configure a fresh build "
                      "folder with CC=clang CXX=clang++")
endif()

set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo CACHE STRING "" FORCE)
endif()
# The sanitizers' reports need only line tables for their stack traces, and
# -O1 is what they are tuned for; the benchmark sets its own -O2.
set(CMAKE_C_FLAGS_RELWITHDEBINFO "-O1 -gline-tables-only -DNDEBUG")
set(CMAKE_CXX_FLAGS_RELWITHDEBINFO "-O1 -gline-tables-only -DNDEBUG")

# How long the fuzz test runs, in seconds.
set(VELTA_FUZZ_SECONDS 60 CACHE STRING "Duration of the seven_zip_fuzzer ctest run")

enable_testing()

# Everything is instrumented: ASan and UBSan stop at the first report, and
# the libraries also carry libFuzzer's coverage hooks so that the fuzzer
# links against the same objects as the unit tests.
set(VELTA_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                         -fno-omit-frame-pointer)
add_compile_options(${VELTA_SANITIZE_FLAGS} -fsanitize=fuzzer-no-link
                    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)
add_link_options(${VELTA_SANITIZE_FLAGS})

# GoogleTest from Debian's sources, built with the same instrumentation.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# velta_add_unittests(NAME SOURCES... [LIBRARIES ...]): the native twin of
# the Windows build's helper, with GoogleTest's own main.
function(velta_add_unittests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} gtest_main gtest)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?"
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
    TIMEOUT 900)
endfunction()

include(${CMAKE_CURRENT_LIST_DIR}/velta_component.cmake)

# Our code from here on: warnings are errors.
add_compile_options(-Wall -Wextra -Werror)

add_subdirectory(desktop/windows/installer/lzma_util/seven_zip)

# The fuzzer, and a ctest run of it seeded with the small test archives. It
# passes when libFuzzer finds nothing within VELTA_FUZZ_SECONDS.
set(fuzz_dir desktop/windows/installer/lzma_util/seven_zip)
add_executable(seven_zip_fuzzer ${fuzz_dir}/seven_zip_fuzzer.cc)
target_link_libraries(seven_zip_fuzzer PRIVATE seven_zip)
target_link_options(seven_zip_fuzzer PRIVATE -fsanitize=fuzzer)
add_dependencies(seven_zip_fuzzer seven_zip_test_archives)
set(fuzz_corpus ${CMAKE_BINARY_DIR}/fuzz/seven_zip_corpus)
file(MAKE_DIRECTORY ${fuzz_corpus})
add_test(NAME seven_zip_fuzz
  COMMAND seven_zip_fuzzer -max_total_time=${VELTA_FUZZ_SECONDS} -timeout=10
          -rss_limit_mb=2048 -print_final_stats=1
          ${fuzz_corpus} ${VELTA_SEVEN_ZIP_TEST_ARCHIVES}/seeds)
set_tests_properties(seven_zip_fuzz PROPERTIES
  TIMEOUT 600
  FAIL_REGULAR_EXPRESSION "ERROR: |SUMMARY: |deadly signal")

# The peer decoder of the statistics messages the Windows trees recorded.
add_subdirectory(desktop/windows/installer/avro_stats/test)

# The benchmark: its own uninstrumented copy of the reader, -O2.
add_subdirectory(tools/bench)
