// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_H_

#include <stdint.h>

#include <string>

namespace velta {

class InstallerContext;

// Hears how a scheduled job runs; implemented by the installer, which relays
// every call to its observers (and so to the main process). Called on the
// scheduler's task runner.
class InstallerStepSchedulerDelegate {
 public:
  virtual ~InstallerStepSchedulerDelegate() = default;

  virtual void OnStepStarting(const std::string& name) = 0;
  // `finished_count` counts the steps finished so far in this run, not the
  // attempts.
  virtual void OnStepFinished(const std::string& name, int32_t attempt, int32_t finished_count) = 0;
  // The run's one last call: true after the last step, false at the first
  // step that failed (its error is then the thread's installer error).
  virtual void OnStepsFinished(bool success) = 0;
};

// Turns one installer job into its ordered install steps and runs them one
// at a time on the main thread, retrying failed attempts by the steps' rule.
class InstallerStepScheduler {
 public:
  virtual ~InstallerStepScheduler() = default;

  // Builds the step list of the context's job. On success writes into
  // `total_steps` the count the main process shows; `scheduler_text` is
  // filled later by the registry setup step with the uninstall key's name.
  // On failure the reason is in the thread's installer error.
  virtual bool Schedule(InstallerContext* context,
                        std::wstring* scheduler_text,
                        uint32_t* total_steps) = 0;
  // Runs the scheduled steps; `delegate` must outlive the run.
  virtual void Start(InstallerStepSchedulerDelegate* delegate) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_H_
