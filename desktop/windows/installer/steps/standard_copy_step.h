// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_STANDARD_COPY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_STANDARD_COPY_STEP_H_

#include "desktop/windows/installer/steps/copy_file_step.h"

namespace velta {

// One file of the standard files list: from the package folder into the
// install target folder, recorded in the new status's files list.
class StandardCopyStep : public CopyFileStep {
 public:
  StandardCopyStep(InstallerContext* context, const base::FilePath& relative_path);

 protected:
  void OnCopied() override;
  void GetTargetFolder(base::FilePath* folder) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_STANDARD_COPY_STEP_H_
