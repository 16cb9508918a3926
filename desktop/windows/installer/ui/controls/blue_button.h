// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_BLUE_BUTTON_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_BLUE_BUTTON_H_

#include <windows.h>

#include <optional>
#include <vector>

#include "desktop/windows/installer/ui/controls/hover_button.h"

namespace velta {

// The main action's button: a blue rounded frame and fill, white text.
class BlueButton : public HoverButton {
 public:
  BlueButton(HWND control, std::vector<uint32_t> layouts);

 protected:
  void DrawFrame(HDC dc, const RECT& rect) override;
  std::optional<COLORREF> GetTextColor() const override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_BLUE_BUTTON_H_
