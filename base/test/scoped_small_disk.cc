// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_small_disk.h"

#include <string>

#include "base/strings/string_number_conversions.h"
#include "base/test/host_command.h"
#include "base/test/unix_path.h"
#include "gtest/gtest.h"

namespace velta::test {

ScopedSmallDisk::ScopedSmallDisk(const base::FilePath& folder, uint32_t kilobytes)
    : unix_folder_(ToUnixPath(folder)) {
  if (unix_folder_.empty())
    return;
  is_valid_ = RunHostScript("mount -t tmpfs -o size=" + base::NumberToString(kilobytes) +
                            "k velta_small_disk '" + unix_folder_ + "' 2>/dev/null") == 0;
}

ScopedSmallDisk::~ScopedSmallDisk() {
  if (is_valid_) {
    EXPECT_EQ(0, RunHostScript("umount -l '" + unix_folder_ + "'"));
  }
}

}  // namespace velta::test
