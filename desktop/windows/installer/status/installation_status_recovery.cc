// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_recovery.h"

#include "base/no_destructor.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/status/installation_status_recovery_impl.h"

namespace velta {
namespace {

std::unique_ptr<InstallationStatusRecovery> CreateDefaultStatusRecovery() {
  return std::make_unique<InstallationStatusRecoveryImpl>();
}

// The factory in place (null: the default) and what it made; both guarded
// by RecoveryLock(), as the loader may first run on any thread.
InstallationStatusRecoveryFactory g_recovery_factory = nullptr;

base::Lock& RecoveryLock() {
  static base::NoDestructor<base::Lock> lock;
  return *lock;
}

std::unique_ptr<InstallationStatusRecovery>& RecoveryInstance() {
  static base::NoDestructor<std::unique_ptr<InstallationStatusRecovery>> instance;
  return *instance;
}

}  // namespace

InstallationStatusRecovery* GetInstallationStatusRecovery() {
  base::AutoLock auto_lock(RecoveryLock());
  std::unique_ptr<InstallationStatusRecovery>& instance = RecoveryInstance();
  if (!instance)
    instance = g_recovery_factory ? g_recovery_factory() : CreateDefaultStatusRecovery();
  return instance.get();
}

InstallationStatusRecoveryFactory SetInstallationStatusRecoveryFactory(
    InstallationStatusRecoveryFactory factory) {
  base::AutoLock auto_lock(RecoveryLock());
  InstallationStatusRecoveryFactory previous = g_recovery_factory;
  g_recovery_factory = factory;
  RecoveryInstance().reset();
  return previous;
}

}  // namespace velta
