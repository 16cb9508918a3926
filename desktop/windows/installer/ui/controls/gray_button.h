// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_GRAY_BUTTON_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_GRAY_BUTTON_H_

#include <windows.h>

#include <optional>
#include <vector>

#include "desktop/windows/installer/ui/controls/hover_button.h"

namespace velta {

// A rounded button with a grey frame and black text; its fill darkens from
// white as it is hovered and pressed.
class GrayButton : public HoverButton {
 public:
  GrayButton(HWND control, std::vector<uint32_t> layouts);

 protected:
  void DrawFrame(HDC dc, const RECT& rect) override;
  std::optional<COLORREF> GetTextColor() const override;
};

// Draws a rounded frame (corners 4 by 4) in `pen` filled with `fill`.
void DrawRoundFrame(HDC dc, const RECT& rect, COLORREF pen, COLORREF fill);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_GRAY_BUTTON_H_
