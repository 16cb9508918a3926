// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_CONDITIONAL_ELEMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_CONDITIONAL_ELEMENT_H_

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/ui/controls/ui_element.h"

namespace velta {

// An element of the error page (layout 5) that is shown only while its flag
// is set (the full-package offer).
class ConditionalElement : public UiElement {
 public:
  explicit ConditionalElement(HWND control);
  void SetShown(bool shown) { shown_ = shown; }
  bool IsVisible(uint32_t layout) const override;

 private:
  bool shown_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_CONDITIONAL_ELEMENT_H_
