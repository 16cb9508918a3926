// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_unwritable_folder.h"

#include "base/test/host_command.h"
#include "base/test/unix_path.h"
#include "gtest/gtest.h"

namespace velta::test {

ScopedUnwritableFolder::ScopedUnwritableFolder(const base::FilePath& folder)
    : unix_folder_(ToUnixPath(folder)) {
  if (unix_folder_.empty())
    return;
  is_valid_ = RunHostScript("chattr +i '" + unix_folder_ + "' 2>/dev/null") == 0;
}

ScopedUnwritableFolder::~ScopedUnwritableFolder() {
  if (is_valid_) {
    EXPECT_EQ(0, RunHostScript("chattr -i '" + unix_folder_ + "'"));
  }
}

}  // namespace velta::test
