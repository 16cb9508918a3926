# The build's identity: the one place the version numbers, the stream and the
# build constants are set. They reach the code (gen/velta_build_info.h) and the
# host executable's version resource.

set(VELTA_VERSION_MAJOR 1)
set(VELTA_VERSION_MINOR 0)
set(VELTA_VERSION_BUILD 2417)
set(VELTA_VERSION_PATCH 12)
# Continuous build number, appended as a fifth part by readers of the resource.
set(VELTA_CONTINUOUS_VERSION 58231)
# Stream (channel) of this build: 2, "marlin".
set(VELTA_STREAM 2)
set(VELTA_STREAM_NAME "marlin")
set(VELTA_BUILD_NUMBER 58231)
set(VELTA_SECONDARY_BUILD_NUMBER 3)
# Source revision of the build; the last six digits close crash reports' BuildID.
set(VELTA_REVISION_NUMBER 903115)

# Build time: taken from SOURCE_DATE_EPOCH when set, for reproducible builds.
# Otherwise a configure keeps the time the tree's last configure took
# (gen/velta_build_timestamp) while no file of the sources is newer than
# it, so that configuring an unchanged tree again (tools/demo, tools/test
# do at every run) rebuilds nothing. The sources: every file of the
# repository but its history, the build trees and Python's caches.
set(velta_timestamp_file ${CMAKE_BINARY_DIR}/gen/velta_build_timestamp)
set(velta_kept_timestamp "")
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND EXISTS ${velta_timestamp_file})
  execute_process(
    COMMAND find ${CMAKE_SOURCE_DIR}
            ( -path ${CMAKE_SOURCE_DIR}/.git -o -path ${CMAKE_SOURCE_DIR}/build
              -o -path "${CMAKE_SOURCE_DIR}/build-*" -o -path ${CMAKE_SOURCE_DIR}/out
              -o -path ${CMAKE_BINARY_DIR} -o -name __pycache__ ) -prune
            -o -type f -newer ${velta_timestamp_file} -print -quit
    OUTPUT_VARIABLE velta_newer_source
    RESULT_VARIABLE velta_find_result)
  if(velta_find_result EQUAL 0 AND velta_newer_source STREQUAL "")
    file(READ ${velta_timestamp_file} velta_kept_timestamp)
    string(STRIP "${velta_kept_timestamp}" velta_kept_timestamp)
  endif()
endif()
if(velta_kept_timestamp MATCHES "^[0-9]+_[0-9]+$")
  set(VELTA_BUILD_TIMESTAMP ${velta_kept_timestamp})
else()
  string(TIMESTAMP VELTA_BUILD_TIMESTAMP "%Y%m%d_%H%M%S" UTC)
  file(WRITE ${velta_timestamp_file} "${VELTA_BUILD_TIMESTAMP}\n")
endif()

set(VELTA_PRODUCT_VERSION
    "${VELTA_VERSION_MAJOR}.${VELTA_VERSION_MINOR}.${VELTA_VERSION_BUILD}.${VELTA_VERSION_PATCH}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/velta_build_info.h.in
               ${CMAKE_BINARY_DIR}/gen/velta_build_info.h @ONLY)
