// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_role_hooks.h"

#include "base/process_wide.h"

namespace velta {

// static
CrashRoleHooks* CrashRoleHooks::GetInstance() {
  return base::ProcessWide<CrashRoleHooks>::GetOrCreate<CrashRoleHooks>();
}

}  // namespace velta
