// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/gray_button.h"

#include <utility>

namespace velta {

void DrawRoundFrame(HDC dc, const RECT& rect, COLORREF pen_color, COLORREF fill) {
  HPEN pen = ::CreatePen(PS_SOLID, 1, pen_color);
  HBRUSH brush = ::CreateSolidBrush(fill);
  HGDIOBJ old_pen = ::SelectObject(dc, pen);
  HGDIOBJ old_brush = ::SelectObject(dc, brush);
  ::RoundRect(dc, rect.left, rect.top, rect.right, rect.bottom, 4, 4);
  ::SelectObject(dc, old_brush);
  ::SelectObject(dc, old_pen);
  ::DeleteObject(brush);
  ::DeleteObject(pen);
}

GrayButton::GrayButton(HWND control, std::vector<uint32_t> layouts)
    : HoverButton(control, std::move(layouts)) {}

void GrayButton::DrawFrame(HDC dc, const RECT& rect) {
  if (state() > kPressed)
    return;
  DrawRoundFrame(dc, rect, 0xAAAAAA, 0xFFFFFF - state() * 0x222222);
}

std::optional<COLORREF> GrayButton::GetTextColor() const {
  return COLORREF{0x000000};
}

}  // namespace velta
