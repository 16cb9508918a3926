// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/conditional_element.h"

namespace velta {

ConditionalElement::ConditionalElement(HWND control) : UiElement(control, {LAYOUT_ERROR}) {}

bool ConditionalElement::IsVisible(uint32_t layout) const {
  return shown_ && IsInLayouts(layout);
}

}  // namespace velta
