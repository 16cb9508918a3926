// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_BITMAP_ELEMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_BITMAP_ELEMENT_H_

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/ui/controls/drawable_element.h"

namespace velta {

// A picture drawn centred in its control; its size is the picture's.
class BitmapElement : public DrawableElement {
 public:
  BitmapElement(HWND control, std::vector<uint32_t> layouts);
  ~BitmapElement() override;
  // Takes `bitmap` (may be null); the earlier one is deleted.
  void SetBitmap(HBITMAP bitmap);
  SIZE GetSize() const override;
  void Paint(const DRAWITEMSTRUCT& item) override;

 private:
  HBITMAP bitmap_ = nullptr;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_BITMAP_ELEMENT_H_
