// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win_api.h"

#include "desktop/windows/installer/common/win_api_impl.h"

namespace velta {
namespace {

WinApi* g_win_api_for_testing = nullptr;

}  // namespace

WinApi::~WinApi() = default;

// static
WinApi* WinApi::GetInstance() {
  if (g_win_api_for_testing)
    return g_win_api_for_testing;
  static WinApi* instance = new WinApiImpl();
  return instance;
}

// static
void WinApi::SetInstanceForTesting(WinApi* win_api) {
  g_win_api_for_testing = win_api;
}

ScopedWinApiForTesting::ScopedWinApiForTesting(WinApi* win_api)
    : previous_(g_win_api_for_testing) {
  WinApi::SetInstanceForTesting(win_api);
}

ScopedWinApiForTesting::~ScopedWinApiForTesting() {
  WinApi::SetInstanceForTesting(previous_);
}

}  // namespace velta
