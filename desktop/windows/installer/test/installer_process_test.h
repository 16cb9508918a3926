// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TEST_INSTALLER_PROCESS_TEST_H_
#define DESKTOP_WINDOWS_INSTALLER_TEST_INSTALLER_PROCESS_TEST_H_

#include <optional>
#include <string>

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/test/scoped_host_strings.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/test/scoped_installer_sandbox.h"
#include "desktop/windows/installer/test/scoped_installer_threads.h"
#include "gtest/gtest.h"

namespace velta {

// The fixture of tests whose process plays the installer's main process: a
// scratch folder of its own, which also holds the known folders the settings
// use, the sandboxed registry and system seams, the installer's threads and
// the host's strings. A test sets process_ to give the process its switches.
class InstallerProcessTest : public ::testing::Test {
 protected:
  InstallerProcessTest();
  ~InstallerProcessTest() override;

  // A fixture that adds steps calls this first, in ASSERT_NO_FATAL_FAILURE.
  void SetUp() override;

  // `name` inside the test's folder.
  base::FilePath Folder(const std::wstring& name) const { return dir_.GetPath().Append(name); }

  base::ScopedTempDir dir_;
  // No drive for a standalone copy unless a test adds one.
  ScopedInstallerSandbox sandbox_;
  ScopedInstallerThreads threads_;
  ScopedHostStrings strings_;
  std::optional<ScopedInstallerProcess> process_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TEST_INSTALLER_PROCESS_TEST_H_
