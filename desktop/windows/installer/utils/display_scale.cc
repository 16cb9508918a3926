// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/display_scale.h"

#include <windows.h>

#include <cmath>
#include <iterator>

#include "base/logging.h"
#include "base/win/get_function.h"
#include "base/win/mingw_sdk_gaps.h"
#include "base/win/windows_version.h"

namespace velta {

namespace {

constexpr int kDefaultDpi = 96;

constexpr double kScales[] = {1.0, 1.25, 1.5, 2.0, 2.5};

// shcore.dll, which answers this and the monitors' DPI, exists from Windows
// 8.1 on; before, every monitor has the screen's DPI.
bool IsProcessPerMonitorDpiAware() {
  auto get_process_dpi_awareness = BASE_WIN_GET_FUNCTION(L"shcore.dll", GetProcessDpiAwareness);
  PROCESS_DPI_AWARENESS awareness = PROCESS_DPI_UNAWARE;
  return get_process_dpi_awareness &&
         SUCCEEDED(get_process_dpi_awareness(nullptr, &awareness)) &&
         awareness == PROCESS_PER_MONITOR_DPI_AWARE;
}

int GetScreenDpi(int index) {
  HDC screen = ::GetDC(nullptr);
  if (!screen)
    return kDefaultDpi;
  const int dpi = ::GetDeviceCaps(screen, index);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kDefaultDpi;
}

BOOL CALLBACK CollectMonitorDpi(HMONITOR monitor, HDC, RECT*, LPARAM context) {
  auto* dpis = reinterpret_cast<std::vector<int>*>(context);
  auto get_dpi_for_monitor = BASE_WIN_GET_FUNCTION(L"shcore.dll", GetDpiForMonitor);
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  if (get_dpi_for_monitor && IsProcessPerMonitorDpiAware() &&
      SUCCEEDED(get_dpi_for_monitor(monitor, MDT_EFFECTIVE_DPI, &dpi_x, &dpi_y))) {
    dpis->push_back(static_cast<int>(dpi_x));
  } else {
    dpis->push_back(GetScreenDpi(LOGPIXELSX));
  }
  // Every monitor counts: never stop early.
  return TRUE;
}

}  // namespace

ScaleFactor GetNearestScaleFactor(double scale) {
  int best = 0;
  for (int i = 1; i < static_cast<int>(std::size(kScales)); ++i) {
    // Strictly nearer only: a tie keeps the earlier, smaller entry.
    if (std::fabs(scale - kScales[i]) < std::fabs(scale - kScales[best]))
      best = i;
  }
  return static_cast<ScaleFactor>(best);
}

std::set<ScaleFactor> GetScaleFactorsForDpis(const std::vector<int>& dpis) {
  std::set<ScaleFactor> factors;
  for (int dpi : dpis)
    factors.insert(GetNearestScaleFactor(static_cast<double>(dpi) / kDefaultDpi));
  return factors;
}

std::set<ScaleFactor> GetSupportedScaleFactors() {
  std::vector<int> dpis;
  ::EnumDisplayMonitors(nullptr, nullptr, &CollectMonitorDpi, reinterpret_cast<LPARAM>(&dpis));
  return GetScaleFactorsForDpis(dpis);
}

int GetWindowDpi(HWND__* window) {
  if (base::win::GetVersion() >= base::win::VERSION_WIN10_RS1) {
    auto get_dpi_for_window = BASE_WIN_GET_FUNCTION(L"user32.dll", GetDpiForWindow);
    return get_dpi_for_window ? static_cast<int>(get_dpi_for_window(window)) : kDefaultDpi;
  }
  HDC context = ::GetDC(window);
  if (!context)
    return kDefaultDpi;
  const int dpi = ::GetDeviceCaps(context, LOGPIXELSY);
  ::ReleaseDC(window, context);
  return dpi;
}

bool EnableHighDpiSupport() {
  return EnableHighDpiSupportWith(
      BASE_WIN_GET_FUNCTION(L"user32.dll", SetProcessDpiAwarenessContext), &::SetProcessDPIAware);
}

bool EnableHighDpiSupportWith(SetDpiAwarenessContextFunction set_awareness_context,
                              SetDpiAwareFunction set_dpi_aware) {
  if (set_awareness_context) {
    for (DPI_AWARENESS_CONTEXT context :
         {DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2, DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE}) {
      if (set_awareness_context(context))
        return true;
    }
    // ERROR_ACCESS_DENIED: the awareness was set before (by a manifest).
    const DWORD error = ::GetLastError();
    LOG(WARNING) << "Cannot make the process per-monitor DPI aware: " << error;
  }
  set_dpi_aware();
  return false;
}

}  // namespace velta
