// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_DOWNLOADABLE_RESOURCES_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_DOWNLOADABLE_RESOURCES_STEP_H_

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// For a minimal installation (or a repair of the downloadable resources):
// checks the SHA-1 of every downloadable resource of the built-in manifest
// that lies in the package folder. A missing resource is no fault; a wrong
// digest fails the job at once (code 1).
class VerifyDownloadableResourcesStep : public InstallerStep {
 public:
  explicit VerifyDownloadableResourcesStep(InstallerContext* context);
  ~VerifyDownloadableResourcesStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_VERIFY_DOWNLOADABLE_RESOURCES_STEP_H_
