// Copyright 2026 Velta Software. All rights reserved.

#ifndef TESTING_BUILD_PATHS_H_
#define TESTING_BUILD_PATHS_H_

#include <string_view>

#include "base/files/file_path.h"

namespace velta::test {

// A path that CMake wrote into the build (a Linux path such as
// "/work/build/x64/test_archives") as the test sees it under Wine: on drive
// Z:, with backslashes. A path not starting with "/" is only normalised.
base::FilePath FromBuildPath(std::string_view path);

}  // namespace velta::test

#endif  // TESTING_BUILD_PATHS_H_
