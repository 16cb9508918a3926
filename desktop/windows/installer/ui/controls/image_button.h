// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_IMAGE_BUTTON_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_IMAGE_BUTTON_H_

#include <windows.h>

#include <vector>

#include "desktop/windows/installer/ui/controls/hover_button.h"

namespace velta {

// A button drawn as one of three pictures: normal, hovered, pressed. It owns
// them and deletes them with itself.
class ImageButton : public HoverButton {
 public:
  ImageButton(HWND control, std::vector<uint32_t> layouts, HBITMAP normal, HBITMAP hover,
              HBITMAP pressed);
  ~ImageButton() override;

  SIZE GetSize() const override;
  void Paint(const DRAWITEMSTRUCT& item) override;

 private:
  HBITMAP BitmapOfState() const;

  const HBITMAP normal_;
  const HBITMAP hover_;
  const HBITMAP pressed_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_IMAGE_BUTTON_H_
