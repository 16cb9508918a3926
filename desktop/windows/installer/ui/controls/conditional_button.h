// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_CONDITIONAL_BUTTON_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_CONDITIONAL_BUTTON_H_

#include <windows.h>

#include <stdint.h>

#include "desktop/windows/installer/ui/controls/gray_button.h"

namespace velta {

// A grey button of the error page (layout 5) shown only while its flag is
// set (the full-package offer).
class ConditionalButton : public GrayButton {
 public:
  explicit ConditionalButton(HWND control);
  void SetShown(bool shown) { shown_ = shown; }
  bool IsVisible(uint32_t layout) const override;

 private:
  bool shown_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_CONDITIONAL_BUTTON_H_
