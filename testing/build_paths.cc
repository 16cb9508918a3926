// Copyright 2026 Velta Software. All rights reserved.

#include "testing/build_paths.h"

#include <string>

namespace velta::test {

base::FilePath FromBuildPath(std::string_view path) {
  // Wine shows the Linux root as drive Z:.
  std::string windows(path);
  if (!windows.empty() && windows[0] == '/')
    windows = "Z:" + windows;
  return base::FilePath::FromUTF8Unsafe(windows).NormalizePathSeparators();
}

}  // namespace velta::test
