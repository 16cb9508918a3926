// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_HOVER_BUTTON_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_HOVER_BUTTON_H_

#include <windows.h>

#include <stdint.h>

#include <optional>
#include <vector>

#include "desktop/windows/installer/ui/controls/drawable_element.h"

namespace velta {

// An owner-drawn push button that follows the mouse: normal, hovered or
// pressed. It subclasses its control while it lives and gives the control
// back its own window procedure when it dies. Paints a frame (none here;
// see the coloured buttons) and its text centred on one line.
class HoverButton : public DrawableElement {
 public:
  enum State : uint32_t { kNormal = 0, kHover = 1, kPressed = 2 };

  HoverButton(HWND control, std::vector<uint32_t> layouts);
  ~HoverButton() override;

  // DrawableElement:
  SIZE GetSize() const override;
  void Paint(const DRAWITEMSTRUCT& item) override;

  // `font` is not owned; null keeps the device context's font.
  void SetFont(HFONT font) { font_ = font; }
  State state() const { return state_; }

 protected:
  virtual void DrawFrame(HDC dc, const RECT& rect);
  // The text colour to draw with; none keeps the device context's.
  virtual std::optional<COLORREF> GetTextColor() const;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  void SetState(State state);

  WNDPROC previous_proc_ = nullptr;
  HFONT font_ = nullptr;
  State state_ = kNormal;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_HOVER_BUTTON_H_
