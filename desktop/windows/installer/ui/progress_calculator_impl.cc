// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/progress_calculator_impl.h"

#include <algorithm>
#include <limits>

#include "base/bind.h"
#include "base/logging.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"

namespace velta {

namespace {

constexpr uint32_t kDownloadPhase = 1;
constexpr uint32_t kAdditionalFilesPhase = 3;
constexpr uint32_t kRetryWaitPhase = 8;

// Below this share done the download's remaining time is not estimated.
constexpr double kMinimumShareForEstimate = 0.0499999;

base::Time SystemNow() {
  return base::Time::Now();
}

}  // namespace

ProgressCalculatorImpl::ProgressCalculatorImpl(MainProcessInstallerRunner* runner,
                                               InstallerProgress* progress,
                                               const ProgressPhaseWeights& weights,
                                               Clock clock)
    : runner_(runner),
      progress_(progress),
      weights_(weights.weights),
      clock_(clock ? std::move(clock) : base::BindRepeating(&SystemNow)) {
  uint32_t sum = 0;
  for (uint32_t phase = 0; phase < kProgressPhaseCount; ++phase) {
    sum += weights_[phase];
    boundaries_[phase] = sum;
  }
  if (runner_)
    runner_->AddObserver(this);
  if (progress_)
    progress_->AddObserver(this);
}

ProgressCalculatorImpl::~ProgressCalculatorImpl() {
  if (progress_)
    progress_->RemoveObserver(this);
  if (runner_)
    runner_->RemoveObserver(this);
}

void ProgressCalculatorImpl::SetObserver(ProgressCalculatorObserver* observer) {
  observer_ = observer;
}

uint32_t ProgressCalculatorImpl::GetMaximum() const {
  return boundaries_[kProgressPhaseCount - 1];
}

uint32_t ProgressCalculatorImpl::GetProgress() const {
  return value_;
}

void ProgressCalculatorImpl::OnPhaseEntered(uint32_t phase) {
  if (phase >= kProgressPhaseCount) {
    LOG(WARNING) << "Ignoring unknown installation phase " << phase;
    return;
  }
  phase_ = phase;
  total_ = 0;
  Notify();
}

void ProgressCalculatorImpl::OnTotalSteps(uint32_t total) {
  start_time_ = clock_.Run();
  finished_ = 0;
  total_ = phase_ == kAdditionalFilesPhase ? 0 : total;
}

void ProgressCalculatorImpl::OnStepsFinished(uint32_t finished) {
  if (total_ == 0)
    return;
  finished_ = finished;
  Notify();
}

void ProgressCalculatorImpl::OnBackendProcessTerminated(const uint32_t& result) {
  if (result != 0)
    return;
  finished_ = total_;
  Notify();
}

uint32_t ProgressCalculatorImpl::ComputeValue() const {
  const uint32_t phase = phase_ == kRetryWaitPhase ? 0 : phase_;
  const uint32_t start = phase == 0 ? 0 : boundaries_[phase - 1];
  // A count above the total fills the phase and goes no further.
  const float fraction =
      total_ == 0 ? 0.0f
                  : static_cast<float>(std::min(finished_, total_)) / static_cast<float>(total_);
  return static_cast<uint32_t>(static_cast<float>(start) +
                               static_cast<float>(weights_[phase]) * fraction);
}

void ProgressCalculatorImpl::Notify() {
  VLOG(2) << "Notifying of installation progress";
  const uint32_t old_value = value_;
  value_ = ComputeValue();
  if (!observer_)
    return;

  if (phase_ >= 6 && total_ >= 1) {
    observer_->OnProgressChanged(value_, total_ - std::min(finished_, total_));
    return;
  }

  if (phase_ == kDownloadPhase && total_ != 0) {
    const double share =
        static_cast<double>(std::min(finished_, total_)) / static_cast<double>(total_);
    if (share > kMinimumShareForEstimate) {
      // elapsed / share * (1 - share) = elapsed * left / finished, in whole
      // microseconds: the same on every build (x87 floating point rounds
      // differently), saturating instead of overflowing, and a clock gone
      // back counts as no time.
      const uint64_t finished = std::min(finished_, total_);
      const uint64_t left = total_ - finished;
      const int64_t elapsed_us = (clock_.Run() - start_time_).InMicroseconds();
      const uint64_t elapsed = elapsed_us > 0 ? static_cast<uint64_t>(elapsed_us) : 0;
      constexpr uint64_t kMaxSeconds = std::numeric_limits<uint32_t>::max() - 1;
      const uint64_t per_step = elapsed / finished;
      uint64_t remaining_us = std::numeric_limits<uint64_t>::max();
      if (left == 0 || per_step <= std::numeric_limits<uint64_t>::max() / 2 / left)
        remaining_us = per_step * left + (elapsed % finished) * left / finished;
      const uint32_t whole_seconds =
          static_cast<uint32_t>(std::min<uint64_t>(remaining_us / 1000000, kMaxSeconds));
      observer_->OnProgressChanged(value_, whole_seconds + 1);
      return;
    }
  }

  if (value_ != old_value)
    observer_->OnProgressChanged(value_, std::nullopt);
}

}  // namespace velta
