// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/hover_button.h"

#include <utility>

namespace velta {

HoverButton::HoverButton(HWND control, std::vector<uint32_t> layouts)
    : DrawableElement(control, std::move(layouts)) {
  ::SetWindowLongPtrW(control_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  previous_proc_ = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
      control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HoverButton::WindowProc)));
  state_ = IsHovered() ? kHover : kNormal;
}

HoverButton::~HoverButton() {
  // The control may outlive its element: it gets its own procedure back, or
  // it would answer every message with 0 from then on.
  if (control_ && ::IsWindow(control_)) {
    ::SetWindowLongPtrW(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_proc_));
    ::SetWindowLongPtrW(control_, GWLP_USERDATA, 0);
  }
}

SIZE HoverButton::GetSize() const {
  return GetWindowSize();
}

void HoverButton::Paint(const DRAWITEMSTRUCT& item) {
  DrawFrame(item.hDC, item.rcItem);
  wchar_t text[100] = {};
  const int length = ::GetWindowTextW(control_, text, 100);
  if (length <= 0)
    return;
  HGDIOBJ old_font = font_ ? ::SelectObject(item.hDC, font_) : nullptr;
  const std::optional<COLORREF> color = GetTextColor();
  const COLORREF old_color = color ? ::SetTextColor(item.hDC, *color) : 0;
  const int old_mode = ::SetBkMode(item.hDC, TRANSPARENT);
  RECT rect = item.rcItem;
  ::DrawTextW(item.hDC, text, length, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  ::SetBkMode(item.hDC, old_mode);
  if (color)
    ::SetTextColor(item.hDC, old_color);
  if (old_font)
    ::SelectObject(item.hDC, old_font);
}

void HoverButton::DrawFrame(HDC, const RECT&) {}

std::optional<COLORREF> HoverButton::GetTextColor() const {
  return std::nullopt;
}

void HoverButton::SetState(State state) {
  if (state == state_)
    return;
  state_ = state;
  ::InvalidateRect(control_, nullptr, TRUE);
}

// static
LRESULT CALLBACK HoverButton::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* button = reinterpret_cast<HoverButton*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!button)
    return 0;
  switch (message) {
    case WM_MOUSEMOVE:
      if (button->state_ == kNormal) {
        button->SetState(kHover);
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, window, HOVER_DEFAULT};
        ::TrackMouseEvent(&track);
      }
      break;
    case WM_LBUTTONDOWN:
      button->SetState(kPressed);
      break;
    case WM_LBUTTONUP:
      button->SetState(button->IsHovered() ? kHover : kNormal);
      break;
    case WM_MOUSELEAVE:
      if (button->state_ == kHover)
        button->SetState(kNormal);
      break;
    case WM_DESTROY: {
      // The control is going: forget it, and hand it its own procedure.
      WNDPROC previous = button->previous_proc_;
      ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      button->control_ = nullptr;
      return ::CallWindowProcW(previous, window, message, wparam, lparam);
    }
  }
  return ::CallWindowProcW(button->previous_proc_, window, message, wparam, lparam);
}

}  // namespace velta
