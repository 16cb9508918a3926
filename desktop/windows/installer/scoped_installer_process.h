// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SCOPED_INSTALLER_PROCESS_H_
#define DESKTOP_WINDOWS_INSTALLER_SCOPED_INSTALLER_PROCESS_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/message_loop/message_loop.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/common/process_wide.h"

namespace velta {

class InstallerUtils;
class InterprocessState;
class Settings;

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
  const base::CommandLine saved_command_line_;
  base::CommandLine command_line_;
  std::unique_ptr<InterprocessState> state_;
  std::unique_ptr<InstallerUtils> utils_;
  std::optional<ProcessWide<InterprocessState>::ScopedOverride> state_override_;
  std::optional<ProcessWide<InstallerUtils>::ScopedOverride> utils_override_;
};

// The main thread of an installer process for a test: a message loop, COM,
// and a task scheduler (one worker per pool) that the folder details are
// gathered on. Main thread only; tests only.
class ScopedInstallerThreads {
 public:
  ScopedInstallerThreads();
  ScopedInstallerThreads(const ScopedInstallerThreads&) = delete;
  ScopedInstallerThreads& operator=(const ScopedInstallerThreads&) = delete;
  ~ScopedInstallerThreads();

 private:
  base::MessageLoop message_loop_;
  base::win::ScopedCOMInitializer com_;
};

// Runs the task scheduler and the replies on this thread until `settings`
// gather no folder details; false when they still do after many rounds.
bool WaitForFolderDetails(const Settings& settings);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SCOPED_INSTALLER_PROCESS_H_
