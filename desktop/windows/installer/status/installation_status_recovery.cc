// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_recovery.h"

#include "base/process_wide.h"
#include "desktop/windows/installer/status/installation_status_recovery_impl.h"

namespace velta {

InstallationStatusRecovery* GetInstallationStatusRecovery() {
  return base::ProcessWide<InstallationStatusRecovery>::GetOrCreate<
      InstallationStatusRecoveryImpl>();
}

}  // namespace velta
