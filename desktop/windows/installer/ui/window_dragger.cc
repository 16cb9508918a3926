// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/window_dragger.h"

namespace velta {

WindowDragger::WindowDragger(HWND window, int x, int y) : window_(window) {
  last_position_ = ToScreen(x, y);
  RECT bounds = {};
  ::GetWindowRect(window_, &bounds);
  window_origin_ = {bounds.left, bounds.top};
  ::SetCapture(window_);
}

WindowDragger::~WindowDragger() {
  // After a lost capture another window may hold it now: it keeps it.
  if (::GetCapture() == window_)
    ::ReleaseCapture();
}

void WindowDragger::MoveTo(int x, int y) {
  const POINT position = ToScreen(x, y);
  if (position.x == last_position_.x && position.y == last_position_.y)
    return;
  window_origin_.x += position.x - last_position_.x;
  window_origin_.y += position.y - last_position_.y;
  ::SetWindowPos(window_, nullptr, window_origin_.x, window_origin_.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
  last_position_ = position;
}

POINT WindowDragger::ToScreen(int x, int y) const {
  POINT point = {x, y};
  ::ClientToScreen(window_, &point);
  return point;
}

}  // namespace velta
