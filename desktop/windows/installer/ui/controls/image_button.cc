// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/image_button.h"

#include <utility>

#include "desktop/windows/installer/ui/controls/image_utils.h"

namespace velta {

ImageButton::ImageButton(HWND control, std::vector<uint32_t> layouts, HBITMAP normal,
                         HBITMAP hover, HBITMAP pressed)
    : HoverButton(control, std::move(layouts)), normal_(normal), hover_(hover), pressed_(pressed) {}

ImageButton::~ImageButton() {
  for (HBITMAP bitmap : {normal_, hover_, pressed_}) {
    if (bitmap)
      ::DeleteObject(bitmap);
  }
}

SIZE ImageButton::GetSize() const {
  return GetBitmapSize(BitmapOfState());
}

void ImageButton::Paint(const DRAWITEMSTRUCT& item) {
  if (HBITMAP bitmap = BitmapOfState())
    DrawBitmapCentered(item, bitmap);
}

HBITMAP ImageButton::BitmapOfState() const {
  switch (state()) {
    case kHover:
      return hover_;
    case kPressed:
      return pressed_;
    default:
      return normal_;
  }
}

}  // namespace velta
