# Native Linux build of the portable cores (the 7z reader and the parsers of
# untrusted input): clang++, unit tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, a bounded libFuzzer run of each fuzzer, and the
# benchmark without sanitizers. Included by the root
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

# How long each fuzzer's ctest run lasts, in seconds (tools/fuzz sets more).
set(VELTA_FUZZ_SECONDS 10 CACHE STRING "Duration of each fuzzer's ctest run")

enable_testing()

add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions>)

# GoogleTest from Debian's sources, without instrumentation: the code under
# test is ours, and the sanitizers' runtime works beside uninstrumented code.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Everything of ours is instrumented: ASan and UBSan stop at the first
# report, and the libraries also carry libFuzzer's coverage hooks so that the
# fuzzer links against the same objects as the unit tests.
set(VELTA_SANITIZE_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                         -fno-omit-frame-pointer)
add_compile_options(${VELTA_SANITIZE_FLAGS} -fsanitize=fuzzer-no-link)
add_link_options(${VELTA_SANITIZE_FLAGS})

# velta_add_unittests(NAME SOURCES... [LIBRARIES ...]): the native twin of
# the Windows build's helper, with GoogleTest's own main.
function(velta_add_unittests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} gtest_main gtest)
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
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

# velta_add_fuzzer(NAME SOURCES... [LIBRARIES ...] SEEDS DIR [DEPENDS ...]
#                  [CORE_SOURCES ... CORE_HEADERS ...])
# The libFuzzer executable NAME_fuzzer and its ctest run NAME_fuzz, seeded
# from DIR and growing its own corpus in <build>/fuzz/NAME_corpus. The run
# passes when libFuzzer finds nothing within VELTA_FUZZ_SECONDS; an input
# that fails is kept as <build>/fuzz/NAME-crash-<sha1> (or -leak-, -oom-...).
# CORE_SOURCES and CORE_HEADERS (paths from the calling folder) make the
# parser's portable core, the library NAME_core on base's portable part,
# which the fuzzer links.
function(velta_add_fuzzer name)
  cmake_parse_arguments(ARG "" "SEEDS" "SOURCES;LIBRARIES;DEPENDS;CORE_SOURCES;CORE_HEADERS"
                        ${ARGN})
  add_executable(${name}_fuzzer ${ARG_SOURCES})
  if(ARG_CORE_SOURCES)
    add_library(${name}_core STATIC ${ARG_CORE_SOURCES})
    velta_expose_headers(${name}_core ${ARG_CORE_HEADERS})
    target_link_libraries(${name}_core PUBLIC base_native)
    target_link_libraries(${name}_fuzzer PRIVATE ${name}_core)
  endif()
  target_link_libraries(${name}_fuzzer PRIVATE ${ARG_LIBRARIES})
  target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
  if(ARG_DEPENDS)
    add_dependencies(${name}_fuzzer ${ARG_DEPENDS})
  endif()
  set(corpus ${CMAKE_BINARY_DIR}/fuzz/${name}_corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${name}_fuzz
    COMMAND ${name}_fuzzer -max_total_time=${VELTA_FUZZ_SECONDS} -timeout=10
            -rss_limit_mb=2048 -print_final_stats=1
            -artifact_prefix=${CMAKE_BINARY_DIR}/fuzz/${name}-
            ${corpus} ${ARG_SEEDS})
  math(EXPR timeout "${VELTA_FUZZ_SECONDS} + 300")
  set_tests_properties(${name}_fuzz PROPERTIES
    TIMEOUT ${timeout}
    FAIL_REGULAR_EXPRESSION "ERROR: |SUMMARY: |deadly signal")
endfunction()

# The 7z reader's fuzzer, seeded with the small test archives.
set(fuzz_dir desktop/windows/installer/lzma_util/seven_zip)
velta_add_fuzzer(seven_zip
  SOURCES ${fuzz_dir}/seven_zip_fuzzer.cc
  LIBRARIES seven_zip
  SEEDS ${VELTA_SEVEN_ZIP_TEST_ARCHIVES}/seeds
  DEPENDS seven_zip_test_archives)

# base's portable parts for the parsers' fuzzers, and their fuzzers.
add_subdirectory(testing/fuzz)
add_subdirectory(desktop/windows/installer/status)
add_subdirectory(desktop/windows/installer/transactions)
add_subdirectory(velta_components/avro)
add_subdirectory(desktop/windows/installer/tracking)
add_subdirectory(crash_reporter)
add_subdirectory(desktop/windows/installer/wininet)
add_subdirectory(desktop/windows/installer/common)

# The peer decoder of the statistics messages the Windows trees recorded.
add_subdirectory(desktop/windows/installer/avro_stats/test)

# The benchmark: its own uninstrumented copy of the reader, -O2.
include(${CMAKE_CURRENT_LIST_DIR}/velta_benchmarks.cmake)
