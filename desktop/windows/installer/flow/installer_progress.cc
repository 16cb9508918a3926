// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/flow/installer_progress.h"

namespace velta {

InstallerProgress::InstallerProgress() = default;

InstallerProgress::~InstallerProgress() = default;

void InstallerProgress::AddObserver(InstallerProgressObserver* observer) {
  if (!observers_.HasObserver(observer))
    observers_.AddObserver(observer);
}

void InstallerProgress::RemoveObserver(InstallerProgressObserver* observer) {
  observers_.RemoveObserver(observer);
}

void InstallerProgress::SetPhase(uint32_t phase) {
  phase_ = phase;
  for (auto& observer : observers_)
    observer.OnPhaseEntered(phase);
}

void InstallerProgress::NotifyTotalSteps(uint32_t count) {
  for (auto& observer : observers_)
    observer.OnTotalSteps(count);
}

void InstallerProgress::NotifyStepsFinished(uint32_t finished) {
  for (auto& observer : observers_)
    observer.OnStepsFinished(finished);
}

uint32_t InstallerProgress::GetPhase() const {
  return phase_;
}

}  // namespace velta
