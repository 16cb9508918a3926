// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_FILE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_FILE_STEP_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Moves one root file from the install target folder, where the package was
// unpacked, up into the install folder, and records it in the new status's
// root files list. A failure is retried, then fatal (installer error 10).
class MoveFileStep : public InstallerStep {
 public:
  MoveFileStep(InstallerContext* context, const base::FilePath& relative_path);
  ~MoveFileStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;

 private:
  const base::FilePath relative_path_;
};

// Whether `name` is the move step's name, "move_file".
bool IsMoveFileStep(const std::string& name);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_MOVE_FILE_STEP_H_
