// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/ui_element.h"

#include <algorithm>
#include <utility>

namespace velta {

UiElement::UiElement(HWND control, std::vector<uint32_t> layouts)
    : control_(control), layouts_(std::move(layouts)) {}

UiElement::~UiElement() = default;

void UiElement::Update(uint32_t layout) {
  ::ShowWindow(control_, IsVisible(layout) ? SW_SHOWNOACTIVATE : SW_HIDE);
}

bool UiElement::IsVisible(uint32_t layout) const {
  return IsInLayouts(layout);
}

SIZE UiElement::GetSize() const {
  return {0, 0};
}

bool UiElement::IsHovered() const {
  POINT cursor = {};
  RECT bounds = {};
  if (!::GetCursorPos(&cursor) || !::GetWindowRect(control_, &bounds))
    return false;
  return ::PtInRect(&bounds, cursor);
}

void UiElement::SetBounds(int left, int top, int right, int bottom) {
  ::SetWindowPos(control_, nullptr, left, top, right - left, bottom - top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void UiElement::MoveTo(int x, int y) {
  ::SetWindowPos(control_, nullptr, x, y, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
}

RECT UiElement::GetRectInParent() const {
  RECT bounds = {};
  ::GetWindowRect(control_, &bounds);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control_), reinterpret_cast<POINT*>(&bounds), 2);
  return bounds;
}

SIZE UiElement::GetWindowSize() const {
  RECT bounds = {};
  ::GetWindowRect(control_, &bounds);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

bool UiElement::IsInLayouts(uint32_t layout) const {
  return std::find(layouts_.begin(), layouts_.end(), layout) != layouts_.end();
}

std::unique_ptr<UiElement> CreateUiElement(HWND dialog, int id, std::vector<uint32_t> layouts) {
  return std::make_unique<UiElement>(::GetDlgItem(dialog, id), std::move(layouts));
}

}  // namespace velta
