// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_COPY_FILE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_COPY_FILE_STEP_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Copies one file of the package into the installation through the run's
// transaction. Reported as "copy_file:" and the relative path. The kinds of
// copy (standard, root, launcher, preference overrides) differ only in their
// folders, whether a failure ends the job, when they skip and what they do
// after the copy.
class CopyFileStep : public InstallerStep {
 public:
  CopyFileStep(InstallerContext* context, const base::FilePath& relative_path);
  ~CopyFileStep() override;

  // A failure answers code 2 (retried, then fatal) when the copy is
  // required, else 3 (retried, then ignored), with installer error 10.
  StepResult& Execute(StepResult& result, int32_t attempt) override;

  const base::FilePath& relative_path() const { return relative_path_; }

 protected:
  // After a successful copy.
  virtual void OnCopied() {}
  virtual bool IsRequired() { return true; }
  // 1 skips the copy (the step succeeds), 0 copies.
  virtual int ShouldSkip(const base::FilePath& /*source*/) { return 0; }
  virtual void GetFileName(base::FilePath* name) { *name = relative_path_; }
  virtual void GetSourceFolder(base::FilePath* folder);
  virtual void GetTargetFolder(base::FilePath* folder) = 0;

 private:
  const base::FilePath relative_path_;
  std::string copy_error_;
};

// Whether `name` is the name of a copy step (it holds "copy_file"). The
// per-file steps send no statistics of their own.
bool IsCopyFileStep(const std::string& name);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_COPY_FILE_STEP_H_
