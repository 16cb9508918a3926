// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_ROOT_COPY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_ROOT_COPY_STEP_H_

#include "desktop/windows/installer/steps/copy_file_step.h"

namespace velta {

// One file of the root files list: from the package folder into the install
// folder itself, recorded in the new status's root files list.
class RootCopyStep : public CopyFileStep {
 public:
  RootCopyStep(InstallerContext* context, const base::FilePath& relative_path);

 protected:
  void OnCopied() override;
  void GetTargetFolder(base::FilePath* folder) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_ROOT_COPY_STEP_H_
