// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_FILE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_FILE_STEP_H_

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Deletes one file (an absolute path) through the run's transaction, even a
// program in use, keeping its folders. A failure is retried, then fatal.
class DeleteFileStep : public InstallerStep {
 public:
  DeleteFileStep(InstallerContext* context, const base::FilePath& path);
  ~DeleteFileStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;

 private:
  const base::FilePath path_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_DELETE_FILE_STEP_H_
