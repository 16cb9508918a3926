// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_DRAWABLE_ELEMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_DRAWABLE_ELEMENT_H_

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/ui/controls/ui_element.h"

namespace velta {

// An element that paints itself (an owner-drawn control).
class DrawableElement : public UiElement {
 public:
  using UiElement::UiElement;
  virtual void Paint(const DRAWITEMSTRUCT& item) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_DRAWABLE_ELEMENT_H_
