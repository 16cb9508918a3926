// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/win_api.h"

#include "base/process_wide.h"
#include "desktop/windows/installer/common/win/win_api_impl.h"

namespace velta {

WinApi::~WinApi() = default;

// static
WinApi* WinApi::GetInstance() {
  return base::ProcessWide<WinApi>::GetOrCreate<WinApiImpl>();
}

}  // namespace velta
