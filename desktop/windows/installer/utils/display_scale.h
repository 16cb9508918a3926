// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_DISPLAY_SCALE_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_DISPLAY_SCALE_H_

#include <set>
#include <vector>

struct HWND__;

namespace velta {

// The image scales the installer's window has pictures for.
enum class ScaleFactor : int {
  k100Percent = 0,
  k125Percent = 1,
  k150Percent = 2,
  k200Percent = 3,
  k250Percent = 4,
};

// The supported factor nearest to `scale` by absolute difference; on a tie
// the smaller one. Scales beyond the table map to its ends.
ScaleFactor GetNearestScaleFactor(double scale);

// The factors that monitors with these horizontal DPIs need (96 DPI is 1.0).
std::set<ScaleFactor> GetScaleFactorsForDpis(const std::vector<int>& dpis);

// The factors the attached monitors need: each monitor's effective DPI when
// the process is per-monitor DPI aware and the system can tell it, else the
// screen's logical DPI for every monitor.
std::set<ScaleFactor> GetSupportedScaleFactors();

// Makes this process DPI aware before its first window: per monitor (version
// 2, else 1) where user32 has SetProcessDpiAwarenessContext (Windows 10 1703
// on), so that windows get WM_DPICHANGED and each monitor's DPI counts;
// system-wide (SetProcessDPIAware) before that. True when it made the
// process per-monitor aware.
bool EnableHighDpiSupport();

// EnableHighDpiSupport with the two user32 functions given (typed as
// SetProcessDpiAwarenessContext, taking an awareness context, and
// SetProcessDPIAware); `set_awareness_context` is null where user32 lacks it.
using SetDpiAwarenessContextFunction = int(__stdcall*)(struct DPI_AWARENESS_CONTEXT__*);
using SetDpiAwareFunction = int(__stdcall*)();
bool EnableHighDpiSupportWith(SetDpiAwarenessContextFunction set_awareness_context,
                              SetDpiAwareFunction set_dpi_aware);

// The DPI of `window`: GetDpiForWindow on Windows 10 version 1607 and later
// (96 when user32 lacks it), else the window's logical vertical DPI.
int GetWindowDpi(HWND__* window);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_DISPLAY_SCALE_H_
