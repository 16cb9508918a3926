// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

InstallerStepSchedulerImpl::InstallerStepSchedulerImpl(
    scoped_refptr<base::SequencedTaskRunner> task_runner)
    : cursor_(steps_.end()), task_runner_(std::move(task_runner)) {}

InstallerStepSchedulerImpl::~InstallerStepSchedulerImpl() = default;

bool InstallerStepSchedulerImpl::Schedule(InstallerContext* /*context*/,
                                          std::wstring* /*scheduler_text*/,
                                          uint32_t* /*total_steps*/) {
  // The five jobs' step lists need the run's settings to choose the job;
  // until they are built a job ends here with a clear error rather than a
  // run of no steps that would report success (steps/TODO.md).
  LOG(ERROR) << "The install steps of this job are not available";
  return SetInstallerError(1, "The install steps of this job are not available", std::wstring());
}

void InstallerStepSchedulerImpl::ScheduleSteps(std::vector<std::unique_ptr<InstallerStep>> steps,
                                               uint32_t* total_steps) {
  for (auto& step : steps)
    steps_.push_back(std::move(step));
  *total_steps = static_cast<uint32_t>(steps_.size()) + 1;
}

void InstallerStepSchedulerImpl::Start(InstallerStepSchedulerDelegate* delegate) {
  delegate_ = delegate;
  finished_count_ = 0;
  cursor_ = steps_.begin();
  PostNextStep();
}

void InstallerStepSchedulerImpl::PostNextStep() {
  if (cursor_ == steps_.end()) {
    delegate_->OnStepsFinished(true);
    return;
  }
  InstallerStep* step = cursor_->get();
  delegate_->OnStepStarting(step->name());
  task_runner_->PostTask(FROM_HERE, base::BindOnce(&InstallerStepSchedulerImpl::Step,
                                                   base::Unretained(this), step, 0));
  ++cursor_;
}

void InstallerStepSchedulerImpl::Step(InstallerStep* step, int32_t attempt) {
  StepResult result(StepResult::kSuccess);
  step->Execute(result, attempt);
  if (attempt <= kLastRetriedAttempt && (result.code == StepResult::kRetryThenFail ||
                                         result.code == StepResult::kRetryThenIgnore)) {
    VLOG(1) << "Step " << step->name() << " failed with code " << result.code << " at attempt "
            << attempt << "; retrying";
    task_runner_->PostDelayedTask(FROM_HERE,
                                  base::BindOnce(&InstallerStepSchedulerImpl::Step,
                                                 base::Unretained(this), step, attempt + 1),
                                  kRetryDelay);
    return;
  }
  OnStepDone(step, result, attempt);
}

void InstallerStepSchedulerImpl::OnStepDone(InstallerStep* step,
                                            const StepResult& result,
                                            int32_t attempt) {
  if (result.code != StepResult::kSuccess && result.code != StepResult::kRetryThenIgnore) {
    SetInstallerError(result.subcode, result.text, result.wide_text);
    delegate_->OnStepsFinished(false);
    return;
  }
  ++finished_count_;
  delegate_->OnStepFinished(step->name(), attempt, finished_count_);
  PostNextStep();
}

}  // namespace velta
