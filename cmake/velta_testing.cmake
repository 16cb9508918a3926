# Tests run under Wine through testing/wine/run_under_wine.sh, which gives every
# run the build tree's own prefix and HOME and one persistent wineserver.

set(VELTA_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(VELTA_WINE_HOME ${CMAKE_BINARY_DIR}/wine-home)
# Test certificate authorities (DER files) that the prefix trusts: each goes
# into its machine Root store through the add_test_root helper.
set(VELTA_TEST_ROOTS_DIR ${CMAKE_BINARY_DIR}/test_roots)
set(VELTA_ADD_TEST_ROOT ${CMAKE_BINARY_DIR}/bin/add_test_root.exe)
# Test certificates and the files signed with them (testing/signing).
set(VELTA_TEST_SIGNING_DIR ${CMAKE_BINARY_DIR}/test_signing)
# The console programs every prefix runs in place of Wine's own
# (testing/wine/CMakeLists.txt), in a folder for each architecture.
set(VELTA_WINE_PROGRAMS_DIR ${CMAKE_BINARY_DIR}/wine_programs)
configure_file(${CMAKE_SOURCE_DIR}/testing/wine/run_under_wine.sh.in
               ${CMAKE_BINARY_DIR}/run_under_wine.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/run_under_wine.sh)

# Tests that serve the fixed statistics test port 127.0.0.1:9000 hold this
# ctest resource lock (RESOURCE_LOCK), so they never run at the same time.
set(VELTA_FIXED_TEST_PORT_LOCK velta_fixed_test_port)

# Test code is compiled with -Og: about a third faster to compile than -O2,
# and the tests spend their time in the product code and in Windows, which
# keep -O2.
set(VELTA_TEST_COMPILE_OPTIONS -Og)

# The unit test programs are built and run unless VELTA_UNIT_TESTS is off.
# tools/test turns them off in its x86 tree: they run on x64, the parsers
# also natively, and what 32-bit Windows changes (the pointer size, the
# calling conventions, WOW64's views of files and registry) is met by the
# end-to-end tests, which every tree runs. The programs left out are not
# built, and ctest lists their tests as disabled.
option(VELTA_UNIT_TESTS "Build and run the unit test programs" ON)

# velta_add_unittests(NAME SOURCES... [LIBRARIES ...] [OWN_PREFIX] [SHARDS n]
#                     [END_TO_END])
# One GoogleTest executable, run by ctest as one test. A binary that cannot
# start under Wine may exit 0 with no output, so the test passes only on
# GoogleTest's own closing line.
# END_TO_END: its cases run the product as real processes; built and run
# also without the unit tests.
# OWN_PREFIX: the test runs in a Wine prefix of its own, named after it
# (testing/wine/run_under_wine.sh.in), beside the tests of the shared one.
# SHARDS n: ctest runs the binary as n tests, NAME_1 to NAME_n, each with
# one nth of its cases (GoogleTest's sharding) in a prefix of its own: for
# long end-to-end binaries whose cases mostly wait.
function(velta_add_unittests name)
  cmake_parse_arguments(ARG "OWN_PREFIX;END_TO_END" "SHARDS" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  if(NOT VELTA_UNIT_TESTS AND NOT ARG_END_TO_END)
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} velta_test_main velta_test_support
                        velta_crash_roles GTest::gmock)
  target_compile_options(${name} PRIVATE ${VELTA_TEST_COMPILE_OPTIONS})
  # Its run needs the prefix's console programs.
  add_dependencies(${name} velta_wine_programs)
  velta_use_pch(${name} TEST)
  set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  if(ARG_SHARDS)
    foreach(index RANGE 1 ${ARG_SHARDS})
      math(EXPR shard_index "${index} - 1")
      velta_add_gtest_run(${name}_${index} ${name} "VELTA_WINE_PREFIX_NAME=${name}-${index}"
                          "GTEST_TOTAL_SHARDS=${ARG_SHARDS}" "GTEST_SHARD_INDEX=${shard_index}")
    endforeach()
  elseif(ARG_OWN_PREFIX)
    velta_add_gtest_run(${name} ${name} "VELTA_WINE_PREFIX_NAME=${name}")
  else()
    velta_add_gtest_run(${name} ${name})
  endif()
endfunction()

# velta_add_gtest_run(TEST TARGET [ENVIRONMENT...]): one ctest run of a
# GoogleTest executable (disabled when the executable is left out).
function(velta_add_gtest_run test target)
  add_test(NAME ${test} COMMAND ${target})
  set_tests_properties(${test} PROPERTIES
    PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] [0-9]+ tests?"
    FAIL_REGULAR_EXPRESSION "\\[  FAILED  \\]"
    TIMEOUT 600)
  if(ARGN)
    set_tests_properties(${test} PROPERTIES ENVIRONMENT "${ARGN}")
  endif()
  velta_disable_if_left_out(${target} ${test})
endfunction()

# velta_disable_if_left_out(TARGET TEST...): the tests that run TARGET are
# disabled when it is left out of the build (VELTA_UNIT_TESTS off).
function(velta_disable_if_left_out target)
  get_target_property(left_out ${target} EXCLUDE_FROM_ALL)
  if(left_out)
    set_tests_properties(${ARGN} PROPERTIES DISABLED ON)
  endif()
endfunction()

# GoogleTest and GoogleMock themselves: test code too.
foreach(target gtest gtest_main gmock gmock_main)
  target_compile_options(${target} PRIVATE ${VELTA_TEST_COMPILE_OPTIONS})
endforeach()
