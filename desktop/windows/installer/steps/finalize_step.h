// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_STEP_H_

#include <memory>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

class FirewallManager;
class TaskScheduler;

// What finalize reaches of the system: the task scheduler service, the
// firewall and the user's group. Tests put fakes in.
struct FinalizeServices {
  FinalizeServices();
  FinalizeServices(FinalizeServices&&);
  FinalizeServices& operator=(FinalizeServices&&);
  ~FinalizeServices();

  base::RepeatingCallback<std::unique_ptr<TaskScheduler>()> make_task_scheduler;
  // A firewall manager for the browser at the path; null when unreachable.
  base::RepeatingCallback<std::unique_ptr<FirewallManager>(const base::FilePath&)>
      make_firewall_manager;
  base::RepeatingCallback<bool()> is_administrator;
};

// The system's: CreateTaskScheduler, FirewallManager::Create and the
// security utilities.
FinalizeServices CreateFinalizeServices();

// Closes an install or upgrade: registers the autoupdate task (not for a
// copy-only installation, nor for a current-user one whose folder access is
// only lent) and then lowers installer_prefs.json's "au_task_error_count"
// by one; adds the browser's firewall rule for an administrator; and writes
// the "done" marker into the install target folder, which tells the backend
// that the installation finished. Only a failed marker fails the job.
class FinalizeStep : public InstallerStep {
 public:
  FinalizeStep(InstallerContext* context, FinalizeServices services);
  ~FinalizeStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;

 private:
  void CreateAutoupdateTask();

  FinalizeServices services_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_FINALIZE_STEP_H_
