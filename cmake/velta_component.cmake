# One static library per component folder, and headers that only its users
# can include.
#
# The source root is never an include directory. Instead every component
# exposes exactly the headers it lists, through its own include tree in the
# build folder: ${VELTA_INCLUDE_TREES}/<target>/<path from the source root>,
# a symbolic link per header. A target sees the trees of itself and of what it
# links (PUBLIC links pass on), so the CMake links are the arrows between
# folders: a file that includes a header of a folder its target does not link
# fails to compile with "No such file or directory".
#
# Log lines and locations name the source path from the repository root; the
# prefix maps that strip the source root and every include tree are gathered
# on the target velta_include_trees and applied to all compilations. The
# debug information gets the same maps, and the build folder (the compile
# folder) becomes ".", so the kept symbols name sources alike on every build
# machine. The compiler takes the last matching map: the build folder's
# comes after the source root's, each include tree's after both.

set(VELTA_INCLUDE_TREES ${CMAKE_BINARY_DIR}/include_trees)
if(NOT TARGET velta_include_trees)
  add_custom_target(velta_include_trees)
  set_property(TARGET velta_include_trees PROPERTY VELTA_PREFIX_MAPS
               "-fmacro-prefix-map=${CMAKE_SOURCE_DIR}/="
               "-fdebug-prefix-map=${CMAKE_SOURCE_DIR}/="
               "-fdebug-prefix-map=${CMAKE_BINARY_DIR}=.")
  add_compile_options(
    "$<$<COMPILE_LANGUAGE:C,CXX>:$<TARGET_PROPERTY:velta_include_trees,VELTA_PREFIX_MAPS>>")
endif()

# velta_expose_headers(TARGET HEADERS...)
# Links each header (absolute, or relative to the current source folder) into
# TARGET's include tree and makes the tree a PUBLIC include directory (for an
# INTERFACE library: INTERFACE). The tree is made anew at every configure, so
# a removed header disappears from it.
function(velta_expose_headers target)
  set(tree ${VELTA_INCLUDE_TREES}/${target})
  file(REMOVE_RECURSE ${tree})
  file(MAKE_DIRECTORY ${tree})
  foreach(header IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH header BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
               NORMALIZE OUTPUT_VARIABLE absolute)
    cmake_path(IS_PREFIX CMAKE_SOURCE_DIR ${absolute} NORMALIZE inside)
    if(NOT inside)
      message(FATAL_ERROR "${target}: ${header} is outside the source tree")
    endif()
    cmake_path(RELATIVE_PATH absolute BASE_DIRECTORY ${CMAKE_SOURCE_DIR}
               OUTPUT_VARIABLE relative)
    cmake_path(GET relative PARENT_PATH parent)
    file(MAKE_DIRECTORY ${tree}/${parent})
    file(CREATE_LINK ${absolute} ${tree}/${relative} SYMBOLIC)
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${tree})
  else()
    target_include_directories(${target} PUBLIC ${tree})
  endif()
  set_property(TARGET velta_include_trees APPEND PROPERTY VELTA_PREFIX_MAPS
               "-fmacro-prefix-map=${tree}/=" "-fdebug-prefix-map=${tree}/=")
endfunction()

# velta_add_component(NAME [OBJECT|INTERFACE] [TEST] SOURCES...
#                     [PUBLIC deps...] [PRIVATE deps...])
# A static library (or an object or interface library) of one folder. Its
# headers are the .h files among SOURCES; PUBLIC links are the folders its
# headers need (users see them too), PRIVATE ones only its .cc files need.
# TEST marks test support (fakes, helpers): compiled like the tests, and
# built only for the programs that link it.
function(velta_add_component name)
  cmake_parse_arguments(ARG "OBJECT;INTERFACE;TEST" "" "SOURCES;PUBLIC;PRIVATE" ${ARGN})
  set(headers ${ARG_SOURCES})
  list(FILTER headers INCLUDE REGEX "\\.h$")
  if(ARG_INTERFACE)
    add_library(${name} INTERFACE ${ARG_SOURCES})
    target_link_libraries(${name} INTERFACE ${ARG_PUBLIC})
  else()
    if(ARG_OBJECT)
      add_library(${name} OBJECT ${ARG_SOURCES})
    else()
      add_library(${name} STATIC ${ARG_SOURCES})
    endif()
    target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
    if(ARG_TEST)
      # Built when a program that is built links it.
      set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
      target_compile_options(${name} PRIVATE ${VELTA_TEST_COMPILE_OPTIONS})
      velta_use_pch(${name} TEST)
    elseif(COMMAND velta_use_pch)
      velta_use_pch(${name})
    endif()
    # Batches of 8 files, compiled as one: the headers they share are read
    # once a batch. File-local names must then differ between the files of
    # a folder; a file that cannot join a batch says why where it is listed.
    set_target_properties(${name} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  endif()
  velta_expose_headers(${name} ${headers})
endfunction()
