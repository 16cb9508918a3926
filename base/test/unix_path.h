// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_UNIX_PATH_H_
#define BASE_TEST_UNIX_PATH_H_

#include <string>

#include "base/files/file_path.h"

namespace velta::test {

// The Linux path of a Windows path, as Wine maps it (wine_get_unix_file_name):
// empty when it cannot, and outside Wine.
std::string ToUnixPath(const base::FilePath& path);

}  // namespace velta::test

#endif  // BASE_TEST_UNIX_PATH_H_
