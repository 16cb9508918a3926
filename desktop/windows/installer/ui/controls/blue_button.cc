// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/blue_button.h"

#include <utility>

#include "desktop/windows/installer/ui/controls/gray_button.h"

namespace velta {

BlueButton::BlueButton(HWND control, std::vector<uint32_t> layouts)
    : HoverButton(control, std::move(layouts)) {}

void BlueButton::DrawFrame(HDC dc, const RECT& rect) {
  constexpr COLORREF kFills[] = {0xFF9901, 0xE68A00, 0xE67700};
  if (state() > kPressed)
    return;
  DrawRoundFrame(dc, rect, 0xFF8400, kFills[state()]);
}

std::optional<COLORREF> BlueButton::GetTextColor() const {
  return COLORREF{0xFFFFFF};
}

}  // namespace velta
