// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_IMPL_H_

#include <string>
#include <vector>

#include "desktop/windows/installer/common/installer_utils.h"

namespace base {
class CommandLine;
class FilePath;
}

namespace velta {

// The real InstallerUtils.
class InstallerUtilsImpl : public InstallerUtils {
 public:
  // Of the running process: its command line and its executable.
  InstallerUtilsImpl();
  // Of a process started with `command_line` (not owned; must outlive this
  // object) from the executable `executable_path`. An empty path (the
  // executable could not be found) is never inside a package.
  InstallerUtilsImpl(const base::CommandLine* command_line,
                     const base::FilePath& executable_path);
  ~InstallerUtilsImpl() override;

  bool IsInsidePackage() const override;
  bool IsBackend() const override;
  bool ReadFilesList(const base::FilePath& path,
                     std::vector<std::string>* files) const override;
  std::wstring FormatDrivesNeedingSpace(
      const std::vector<DriveSpaceNeeded>& drives) const override;
  bool ValidateSettings(const SettingsCheck& check) const override;

 private:
  const base::CommandLine* const command_line_;
  const bool inside_package_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_UTILS_IMPL_H_
