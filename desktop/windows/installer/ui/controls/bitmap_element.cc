// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/bitmap_element.h"

#include <utility>

#include "desktop/windows/installer/ui/controls/image_utils.h"

namespace velta {

BitmapElement::BitmapElement(HWND control, std::vector<uint32_t> layouts)
    : DrawableElement(control, std::move(layouts)) {}

BitmapElement::~BitmapElement() {
  SetBitmap(nullptr);
}

void BitmapElement::SetBitmap(HBITMAP bitmap) {
  if (bitmap_ && bitmap_ != bitmap)
    ::DeleteObject(bitmap_);
  bitmap_ = bitmap;
}

SIZE BitmapElement::GetSize() const {
  return GetBitmapSize(bitmap_);
}

void BitmapElement::Paint(const DRAWITEMSTRUCT& item) {
  if (bitmap_)
    DrawBitmapCentered(item, bitmap_);
}

}  // namespace velta
