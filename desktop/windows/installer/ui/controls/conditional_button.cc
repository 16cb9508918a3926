// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/conditional_button.h"

namespace velta {

ConditionalButton::ConditionalButton(HWND control) : GrayButton(control, {LAYOUT_ERROR}) {}

bool ConditionalButton::IsVisible(uint32_t layout) const {
  return shown_ && IsInLayouts(layout);
}

}  // namespace velta
