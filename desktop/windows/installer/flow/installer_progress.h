// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_PROGRESS_H_
#define DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_PROGRESS_H_

#include <stdint.h>

#include "base/observer_list.h"

namespace velta {

// Follows the progress of an installation: the window's progress
// calculation.
class InstallerProgressObserver {
 public:
  virtual ~InstallerProgressObserver() = default;

  virtual void OnPhaseEntered(uint32_t phase) = 0;
  virtual void OnTotalSteps(uint32_t count) = 0;
  virtual void OnStepsFinished(uint32_t finished) = 0;
};

// The progress of the installation as the main process learns it from the
// backend's messages: the phase is kept, step counts are only passed on.
// Made once by the entry before the main-process runner (which updates it)
// and destroyed after the controller. Observers are notified synchronously,
// in the order they were added. Main thread only.
class InstallerProgress {
 public:
  InstallerProgress();
  InstallerProgress(const InstallerProgress&) = delete;
  InstallerProgress& operator=(const InstallerProgress&) = delete;
  virtual ~InstallerProgress();

  // Not owned. Adding an observer already present does nothing; an observer
  // may remove itself (or another) while being notified.
  virtual void AddObserver(InstallerProgressObserver* observer);
  virtual void RemoveObserver(InstallerProgressObserver* observer);

  // Keeps `phase`, then tells every observer.
  virtual void SetPhase(uint32_t phase);
  virtual void NotifyTotalSteps(uint32_t count);
  virtual void NotifyStepsFinished(uint32_t finished);
  // The last phase set; 0 before any.
  virtual uint32_t GetPhase() const;

 private:
  base::ObserverList<InstallerProgressObserver> observers_;
  uint32_t phase_ = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_FLOW_INSTALLER_PROGRESS_H_
