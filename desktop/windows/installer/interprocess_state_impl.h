// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INTERPROCESS_STATE_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_INTERPROCESS_STATE_IMPL_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/interprocess_state.h"

namespace base {
class CommandLine;
}

namespace velta {

class ServerTrackingBlob;

// The real InterprocessState. Everything but the package folder, its prefix
// and the tracking data is read from the command line: the flags and the mode
// at each call, the rest once at construction.
class InterprocessStateImpl : public InterprocessState {
 public:
  // Of the running process, with a new tracking store.
  InterprocessStateImpl();
  // Of a process started with `command_line` (not owned; must outlive this
  // object). Loads `tracking_data` from the command line's tracking switches.
  InterprocessStateImpl(const base::CommandLine* command_line,
                        std::unique_ptr<ServerTrackingBlob> tracking_data);
  ~InterprocessStateImpl() override;

  void AppendToCommandLine(base::CommandLine* command_line) const override;
  base::FilePath ResolvePackageDir() override;
  std::string GetSessionGuid() const override;
  bool IsAutoupdate() const override;
  bool IsSilent() const override;
  bool IsInsidePackage() const override;
  bool IsStandalone() const override;
  bool LaunchOnOsStart() const override;
  void SetPackageDirPrefix(const base::FilePath& prefix) override;
  void SetPackageDir(const base::FilePath& folder) override;
  bool HasPackageDir() const override;
  uint32_t GetUiThreadId() const override;
  ServerTrackingBlob* GetTrackingData() override;
  InstallerMode GetMode() const override;

 private:
  void ReadPackageDir();
  void ReadTrackingData();

  const std::unique_ptr<ServerTrackingBlob> tracking_data_;
  // Empty while unknown; also the folder that ResolvePackageDir found.
  base::FilePath package_dir_;
  // Empty when not given.
  base::FilePath package_dir_prefix_;
  std::string session_guid_;
  const base::CommandLine* const command_line_;
  const bool is_backend_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INTERPROCESS_STATE_IMPL_H_
