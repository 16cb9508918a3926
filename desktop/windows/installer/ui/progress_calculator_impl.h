// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_IMPL_H_

#include <stdint.h>

#include <array>

#include "base/callback.h"
#include "base/time/time.h"
#include "desktop/windows/installer/flow/installer_observer.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/ui/progress_calculator.h"

namespace velta {

class MainProcessInstallerRunner;

// The progress of the current phase weighted by the phases' shares: a phase
// starts at the sum of the weights before it and fills its own weight as its
// finished count reaches its total. Phase 8 (the wait before a fetch is
// retried) stands where phase 0 does. In the download phase the remaining
// time is estimated from the time since the step count arrived.
//
// It follows the installation's progress (phase and step counts) and, from
// the main-process runner, the end of the backend. Main thread only.
class ProgressCalculatorImpl : public ProgressCalculator,
                               public InstallerObserver,
                               public InstallerProgressObserver {
 public:
  using Clock = base::RepeatingCallback<base::Time()>;

  // Observes `runner` and `progress` (neither owned; both must outlive the
  // calculator, which stops observing them when it dies). `clock` gives the
  // current time; the system's when null.
  ProgressCalculatorImpl(MainProcessInstallerRunner* runner,
                         InstallerProgress* progress,
                         const ProgressPhaseWeights& weights,
                         Clock clock = Clock());
  ProgressCalculatorImpl(const ProgressCalculatorImpl&) = delete;
  ProgressCalculatorImpl& operator=(const ProgressCalculatorImpl&) = delete;
  ~ProgressCalculatorImpl() override;

  // ProgressCalculator:
  void SetObserver(ProgressCalculatorObserver* observer) override;
  uint32_t GetMaximum() const override;
  uint32_t GetProgress() const override;

  // InstallerProgressObserver:
  // A new phase starts at its boundary with no step count. A phase number
  // the calculator does not know is logged and ignored.
  void OnPhaseEntered(uint32_t phase) override;
  // The number of steps of the current phase; counting starts now. Counts
  // of phase 3 (additional files) never move the bar.
  void OnTotalSteps(uint32_t total) override;
  // `finished` steps of the total are done; ignored while there is no total.
  // A count above the total fills the phase and no more.
  void OnStepsFinished(uint32_t finished) override;

  // InstallerObserver (only the backend's end matters here):
  // A backend that ended with `result` 0 fills the current phase.
  void OnBackendProcessTerminated(const uint32_t& result) override;
  using InstallerObserver::OnTotalSteps;

 private:
  uint32_t ComputeValue() const;
  void Notify();

  MainProcessInstallerRunner* const runner_;
  InstallerProgress* const progress_;
  const std::array<uint32_t, kProgressPhaseCount> weights_;
  // boundaries_[i] is the sum of the weights of phases 0 to i.
  std::array<uint32_t, kProgressPhaseCount> boundaries_;
  uint32_t total_ = 0;
  uint32_t finished_ = 0;
  uint32_t value_ = 0;
  ProgressCalculatorObserver* observer_ = nullptr;
  const Clock clock_;
  base::Time start_time_;
  uint32_t phase_ = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_IMPL_H_
