// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_UI_ELEMENT_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_UI_ELEMENT_H_

#include <windows.h>

#include <stdint.h>

#include <memory>
#include <vector>

namespace velta {

// The window's page layouts.
enum WindowLayout : uint32_t {
  LAYOUT_WELCOME = 0,
  LAYOUT_UNINSTALL = 1,
  LAYOUT_TERMS = 2,
  LAYOUT_OPTIONS = 3,
  LAYOUT_PROGRESS = 4,
  LAYOUT_ERROR = 5,
  LAYOUT_SURVEY = 6,
};

// One control of the installer window and the layouts it is shown in. The
// window owns its elements; each lives on the window's thread and must not
// outlive the control's window unless the control told it of its end.
class UiElement {
 public:
  UiElement(HWND control, std::vector<uint32_t> layouts);
  UiElement(const UiElement&) = delete;
  UiElement& operator=(const UiElement&) = delete;
  virtual ~UiElement();

  // Shows the control without activating it in the layouts where it is
  // visible, hides it elsewhere.
  virtual void Update(uint32_t layout);
  virtual bool IsVisible(uint32_t layout) const;
  // The size the window lays the control out with; {0, 0} for a plain one.
  virtual SIZE GetSize() const;

  HWND hwnd() const { return control_; }
  // The cursor lies in the control's window rectangle; false when either
  // cannot be read.
  bool IsHovered() const;
  void SetBounds(int left, int top, int right, int bottom);
  void MoveTo(int x, int y);
  // The control's window rectangle in its parent's client coordinates.
  RECT GetRectInParent() const;
  SIZE GetWindowSize() const;

 protected:
  bool IsInLayouts(uint32_t layout) const;

  HWND control_;

 private:
  const std::vector<uint32_t> layouts_;
};

// The plain element of control `id` of `dialog`.
std::unique_ptr<UiElement> CreateUiElement(HWND dialog, int id, std::vector<uint32_t> layouts);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_UI_ELEMENT_H_
