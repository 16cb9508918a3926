// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_H_

#include <stdint.h>

#include <array>
#include <optional>

namespace velta {

// The installation phases the calculator knows, 0 to 8.
inline constexpr uint32_t kProgressPhaseCount = 9;

// How much of the progress bar each phase takes: the package download (1)
// most of it, extraction (6) and installation (7) the rest.
struct ProgressPhaseWeights {
  std::array<uint32_t, kProgressPhaseCount> weights = {1, 1000, 0, 1, 1, 1, 200, 100, 0};
};

// Told of every change of the bar (the window).
class ProgressCalculatorObserver {
 public:
  // `value` runs from 0 to the calculator's maximum. `remaining`, when
  // given, is what is left of the phase: seconds of download, files to
  // extract, operations to run or seconds until a fetch is retried.
  virtual void OnProgressChanged(uint32_t value, std::optional<uint32_t> remaining) = 0;

 protected:
  virtual ~ProgressCalculatorObserver() = default;
};

// Turns the installer's phase and step counts into one value for the
// window's progress bar. Main thread only.
class ProgressCalculator {
 public:
  virtual ~ProgressCalculator() = default;

  // `observer` (not owned, may be null) must outlive the calculator or be
  // replaced before it dies.
  virtual void SetObserver(ProgressCalculatorObserver* observer) = 0;
  // The sum of the weights: the value of a finished installation.
  virtual uint32_t GetMaximum() const = 0;
  virtual uint32_t GetProgress() const = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_CALCULATOR_H_
