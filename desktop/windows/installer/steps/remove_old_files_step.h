// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_OLD_FILES_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_OLD_FILES_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Deletes the files of every earlier installation whose status file was
// kept in the install folder's old_status, then that status file. Each
// status file's deletions are a transaction of their own, committed before
// the next file: a later failure can then never bring back files whose
// record is already gone. Outside an uninstall, a deletion that fails rolls
// that file's deletions back and keeps the status file for a later run.
// Entries that lead out of the installation's folder are skipped. Never
// fails the job.
class RemoveOldFilesStep : public InstallerStep {
 public:
  explicit RemoveOldFilesStep(InstallerContext* context);
  ~RemoveOldFilesStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_REMOVE_OLD_FILES_STEP_H_
