// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_LAUNCHER_COPY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_LAUNCHER_COPY_STEP_H_

#include "desktop/windows/installer/steps/copy_file_step.h"

namespace velta {

// launcher.exe into the install folder: from the install target folder when
// the package was unpacked there (the copy left there is then deleted), else
// from the package folder.
class LauncherCopyStep : public CopyFileStep {
 public:
  explicit LauncherCopyStep(InstallerContext* context);

 protected:
  void OnCopied() override;
  void GetSourceFolder(base::FilePath* folder) override;
  void GetTargetFolder(base::FilePath* folder) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_LAUNCHER_COPY_STEP_H_
