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
string(TIMESTAMP VELTA_BUILD_TIMESTAMP "%Y%m%d_%H%M%S" UTC)

set(VELTA_PRODUCT_VERSION
    "${VELTA_VERSION_MAJOR}.${VELTA_VERSION_MINOR}.${VELTA_VERSION_BUILD}.${VELTA_VERSION_PATCH}")

configure_file(${CMAKE_CURRENT_LIST_DIR}/velta_build_info.h.in
               ${CMAKE_BINARY_DIR}/gen/velta_build_info.h @ONLY)
