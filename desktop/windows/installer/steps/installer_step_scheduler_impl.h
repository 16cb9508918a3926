// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_IMPL_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/memory/scoped_refptr.h"
#include "base/sequenced_task_runner.h"
#include "base/time/time.h"
#include "desktop/windows/installer/steps/installer_step_scheduler.h"

namespace velta {

class InstallerStep;
struct StepResult;

// Runs the steps of one job strictly one after another as tasks on the main
// thread's runner. An attempt answering code 2 or 3 is run again one second
// later, up to attempt 5 (six runs in all); after the last run code 2 fails
// the job and code 3 counts as done. Any other non-zero code fails the job at
// once: its sub-code and texts become the thread's installer error and the
// remaining steps never run.
//
// Owned by the installer for the whole run: the posted tasks hold plain
// pointers to the scheduler and its steps, so it must outlive them.
class InstallerStepSchedulerImpl : public InstallerStepScheduler {
 public:
  // The last attempt that is retried, and the pause before each retry.
  static constexpr int32_t kLastRetriedAttempt = 4;
  static constexpr base::TimeDelta kRetryDelay = base::TimeDelta::FromSeconds(1);

  // `retry_delay` is the pause before each retry; tests that only check the
  // order of the runs pass a short one.
  explicit InstallerStepSchedulerImpl(scoped_refptr<base::SequencedTaskRunner> task_runner,
                                      base::TimeDelta retry_delay = kRetryDelay);
  InstallerStepSchedulerImpl(const InstallerStepSchedulerImpl&) = delete;
  InstallerStepSchedulerImpl& operator=(const InstallerStepSchedulerImpl&) = delete;
  ~InstallerStepSchedulerImpl() override;

  // InstallerStepScheduler:
  bool Schedule(InstallerContext* context,
                std::wstring* scheduler_text,
                uint32_t* total_steps) override;
  void Start(InstallerStepSchedulerDelegate* delegate) override;

  // Appends `steps` in order to the list and writes the list's length plus
  // one (the closing report) into `total_steps`.
  void ScheduleSteps(std::vector<std::unique_ptr<InstallerStep>> steps, uint32_t* total_steps);

 private:
  void PostNextStep();
  void Step(InstallerStep* step, int32_t attempt);
  void OnStepDone(InstallerStep* step, const StepResult& result, int32_t attempt);

  std::vector<std::unique_ptr<InstallerStep>> steps_;
  std::vector<std::unique_ptr<InstallerStep>>::iterator cursor_;
  int32_t finished_count_ = 0;
  scoped_refptr<base::SequencedTaskRunner> task_runner_;
  const base::TimeDelta retry_delay_;
  InstallerStepSchedulerDelegate* delegate_ = nullptr;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_INSTALLER_STEP_SCHEDULER_IMPL_H_
