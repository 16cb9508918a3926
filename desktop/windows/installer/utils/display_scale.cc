// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/display_scale.h"

#include <windows.h>

#include <cmath>
#include <iterator>

#include "base/win/windows_version.h"

namespace velta {

namespace {

constexpr int kDefaultDpi = 96;

constexpr double kScales[] = {1.0, 1.25, 1.5, 2.0, 2.5};

// shcore.dll's PROCESS_DPI_AWARENESS and MONITOR_DPI_TYPE values.
constexpr int kProcessPerMonitorDpiAware = 2;
constexpr int kMdtEffectiveDpi = 0;

using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetProcessDpiAwarenessFunction = HRESULT(WINAPI*)(HANDLE, int*);
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

// What shcore.dll (Windows 8.1 and later) offers, looked up once; the
// library stays loaded for the process's life.
struct ShcoreFunctions {
  GetDpiForMonitorFunction get_dpi_for_monitor = nullptr;
  GetProcessDpiAwarenessFunction get_process_dpi_awareness = nullptr;
};

const ShcoreFunctions& GetShcoreFunctions() {
  // A function-local static: initialised once, thread-safely.
  static const ShcoreFunctions functions = [] {
    ShcoreFunctions result;
    HMODULE shcore = ::LoadLibraryW(L"shcore.dll");
    if (shcore) {
      result.get_dpi_for_monitor = reinterpret_cast<GetDpiForMonitorFunction>(
          reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")));
      result.get_process_dpi_awareness = reinterpret_cast<GetProcessDpiAwarenessFunction>(
          reinterpret_cast<void*>(::GetProcAddress(shcore, "GetProcessDpiAwareness")));
    }
    return result;
  }();
  return functions;
}

bool IsProcessPerMonitorDpiAware() {
  const ShcoreFunctions& shcore = GetShcoreFunctions();
  int awareness = 0;
  return shcore.get_process_dpi_awareness &&
         SUCCEEDED(shcore.get_process_dpi_awareness(nullptr, &awareness)) &&
         awareness == kProcessPerMonitorDpiAware;
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
  const GetDpiForMonitorFunction get_dpi_for_monitor = GetShcoreFunctions().get_dpi_for_monitor;
  UINT dpi_x = 0;
  UINT dpi_y = 0;
  if (get_dpi_for_monitor && IsProcessPerMonitorDpiAware() &&
      SUCCEEDED(get_dpi_for_monitor(monitor, kMdtEffectiveDpi, &dpi_x, &dpi_y))) {
    dpis->push_back(static_cast<int>(dpi_x));
  } else {
    dpis->push_back(GetScreenDpi(LOGPIXELSX));
  }
  // Every monitor counts: never stop early.
  return TRUE;
}

}  // namespace

double GetScaleForScaleFactor(ScaleFactor factor) {
  const int index = static_cast<int>(factor);
  if (index < 0 || index >= static_cast<int>(std::size(kScales)))
    return kScales[0];
  return kScales[index];
}

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
    // Loaded by name on each call, and released again.
    HMODULE user32 = ::LoadLibraryW(L"user32.dll");
    if (!user32)
      return kDefaultDpi;
    auto get_dpi_for_window = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(user32, "GetDpiForWindow")));
    const int dpi = get_dpi_for_window ? static_cast<int>(get_dpi_for_window(window)) : kDefaultDpi;
    ::FreeLibrary(user32);
    return dpi;
  }
  HDC context = ::GetDC(window);
  if (!context)
    return kDefaultDpi;
  const int dpi = ::GetDeviceCaps(context, LOGPIXELSY);
  ::ReleaseDC(window, context);
  return dpi;
}

}  // namespace velta
