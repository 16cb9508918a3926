// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_PACKAGE_CONTENTS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_PACKAGE_CONTENTS_STEP_H_

#include <string>
#include <vector>

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Checks, before anything changes, that every file of the three files lists
// (UTF-8 paths relative to their folder) can be opened for reading: the
// standard and root lists in the list folder (the install target folder when
// a package folder was given, else the package folder), the extra list in
// the package folder. A file that cannot be opened fails the job at once
// (code 1) with every such path named. When the package was unpacked into
// the target folder, the standard list's files are recorded in the new
// status here.
class VerifyPackageContentsStep : public InstallerStep {
 public:
  VerifyPackageContentsStep(InstallerContext* context,
                            std::vector<std::string> files,
                            std::vector<std::string> root_files,
                            std::vector<std::string> extra_files);
  ~VerifyPackageContentsStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;

 private:
  const std::vector<std::string> files_;
  const std::vector<std::string> root_files_;
  const std::vector<std::string> extra_files_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_PACKAGE_CONTENTS_STEP_H_
