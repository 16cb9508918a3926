// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_TEXT_LABEL_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_TEXT_LABEL_H_

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/ui/controls/ui_element.h"

namespace velta {

// A static text whose size is the height its text needs at the control's
// width, with the control's font, wrapped at word boundaries.
class TextLabel : public UiElement {
 public:
  TextLabel(HWND control, std::vector<uint32_t> layouts);
  SIZE GetSize() const override;
  std::wstring GetText() const;
  // `font` is not owned and must outlive the control's use of it.
  void SetFont(HFONT font);
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_TEXT_LABEL_H_
