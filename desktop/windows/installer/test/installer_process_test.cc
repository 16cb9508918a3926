// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/test/installer_process_test.h"

namespace velta {

InstallerProcessTest::InstallerProcessTest() = default;

InstallerProcessTest::~InstallerProcessTest() = default;

void InstallerProcessTest::SetUp() {
  ASSERT_TRUE(dir_.CreateUniqueTempDir());
  ASSERT_TRUE(strings_.is_loaded());
  ASSERT_TRUE(sandbox_.is_valid());
  sandbox_.OverrideKnownFolders(dir_.GetPath());
}

}  // namespace velta
