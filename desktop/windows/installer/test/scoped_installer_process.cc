// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/test/scoped_installer_process.h"

#include "desktop/windows/installer/common/installer_utils_impl.h"
#include "desktop/windows/installer/interprocess_state_impl.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"

namespace velta {
namespace {

base::CommandLine MakeCommandLine(const std::vector<std::wstring>& switches,
                                  const base::FilePath& executable) {
  std::vector<std::wstring> argv = {
      executable.empty() ? std::wstring(L"installer.exe") : executable.value()};
  for (const std::wstring& name : switches)
    argv.push_back(L"--" + name);
  return base::CommandLine(argv);
}

}  // namespace

ScopedInstallerProcess::ScopedInstallerProcess(const std::vector<std::wstring>& switches,
                                               const base::FilePath& executable)
    : command_line_(MakeCommandLine(switches, executable)) {
  *base::CommandLine::ForCurrentProcess() = command_line_;
  state_ = std::make_unique<InterprocessStateImpl>(base::CommandLine::ForCurrentProcess(),
                                                   std::make_unique<ServerTrackingBlob>());
  utils_ = std::make_unique<InstallerUtilsImpl>(base::CommandLine::ForCurrentProcess(),
                                                executable);
  state_override_.emplace(state_.get());
  utils_override_.emplace(utils_.get());
}

ScopedInstallerProcess::~ScopedInstallerProcess() {
  utils_override_.reset();
  state_override_.reset();
}

}  // namespace velta
