// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_WINDOW_DRAGGER_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_WINDOW_DRAGGER_H_

#include <windows.h>

namespace velta {

// Moves a captionless window while the user drags its body: made when the
// left button goes down, told of every mouse move, destroyed when the button
// comes up or the window loses the mouse capture. Holds the capture while it
// lives. Main thread only.
class WindowDragger {
 public:
  // Starts at (`x`, `y`) in `window`'s client coordinates.
  WindowDragger(HWND window, int x, int y);
  WindowDragger(const WindowDragger&) = delete;
  WindowDragger& operator=(const WindowDragger&) = delete;
  // Releases the capture, unless another window took it meanwhile: the drag
  // ends.
  ~WindowDragger();

  // The cursor is now at (`x`, `y`) in client coordinates: the window
  // follows it, unless it has not moved.
  void MoveTo(int x, int y);

 private:
  POINT ToScreen(int x, int y) const;

  const HWND window_;
  POINT window_origin_ = {};
  POINT last_position_ = {};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_WINDOW_DRAGGER_H_
