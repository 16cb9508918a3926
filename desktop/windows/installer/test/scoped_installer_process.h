// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_PROCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_PROCESS_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/process_wide.h"
#include "base/test/scoped_command_line.h"

namespace velta {

class InstallerUtils;
class InterprocessState;

// Makes the test process look like an installer started with `switches`
// ("name" or "name=value", without the leading "--") from `executable`: the
// process's command line, the interprocess state and the installer
// utilities answer as they would there. Everything is put back by the
// destructor. Main thread only; tests only.
class ScopedInstallerProcess {
 public:
  explicit ScopedInstallerProcess(const std::vector<std::wstring>& switches,
                                  const base::FilePath& executable = base::FilePath());
  ScopedInstallerProcess(const ScopedInstallerProcess&) = delete;
  ScopedInstallerProcess& operator=(const ScopedInstallerProcess&) = delete;
  ~ScopedInstallerProcess();

  const base::CommandLine& command_line() const { return command_line_; }

 private:
  const base::test::ScopedCommandLine saved_command_line_;
  base::CommandLine command_line_;
  std::unique_ptr<InterprocessState> state_;
  std::unique_ptr<InstallerUtils> utils_;
  std::optional<base::ProcessWide<InterprocessState>::ScopedOverride> state_override_;
  std::optional<base::ProcessWide<InstallerUtils>::ScopedOverride> utils_override_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_PROCESS_H_
