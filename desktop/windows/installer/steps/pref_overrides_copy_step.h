// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_PREF_OVERRIDES_COPY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_PREF_OVERRIDES_COPY_STEP_H_

#include "desktop/windows/installer/steps/copy_file_step.h"

namespace velta {

// The fetched preference default overrides ("pref_default_overrides") into
// the install folder; optional: skipped when missing or not valid JSON, and
// a failed copy does not end the job.
class PrefOverridesCopyStep : public CopyFileStep {
 public:
  explicit PrefOverridesCopyStep(InstallerContext* context);

 protected:
  bool IsRequired() override;
  int ShouldSkip(const base::FilePath& source) override;
  void GetTargetFolder(base::FilePath* folder) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_PREF_OVERRIDES_COPY_STEP_H_
