# The benchmarks (tools/bench): programs, not tests. With
# VELTA_BENCHMARKS_IN_ALL off they are built only when named (cmake --build
# ... --target seven_zip_bench, as tools/bench/README.md does): tools/test
# builds them in the x64 tree alone, their sources being the same in every
# tree.
option(VELTA_BENCHMARKS_IN_ALL "Build the benchmarks (tools/bench) with everything else" ON)
if(VELTA_BENCHMARKS_IN_ALL)
  add_subdirectory(tools/bench)
else()
  add_subdirectory(tools/bench EXCLUDE_FROM_ALL)
endif()
