// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_IMAGE_UTILS_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_IMAGE_UTILS_H_

#include <windows.h>

#include <objidl.h>

namespace velta {

// The size of a bitmap in pixels; {0, 0} when it cannot be read.
SIZE GetBitmapSize(HBITMAP bitmap);

// A stream over a copy of resource `name` of type `type` of `module` (null:
// the running executable, the host); the stream frees its memory when
// released. Null when the resource cannot be found, loaded or copied.
IStream* CreateStreamFromResource(const wchar_t* name, const wchar_t* type,
                                  HMODULE module = nullptr);

// The PNG resource `name` of type `type` decoded through GDI+ into a 32-bit
// bitmap with premultiplied alpha (the caller owns it), or null. GDI+ is
// started and shut down within the call.
HBITMAP LoadPngResource(const wchar_t* name, const wchar_t* type, HMODULE module = nullptr);

// Draws `source` (a device context with a bitmap of premultiplied alpha
// selected) over `target` with per-pixel alpha.
bool AlphaBlendBitmap(HDC target, int x, int y, int width, int height, HDC source, int source_x,
                      int source_y, int source_width, int source_height);

// Draws `bitmap` centred in the item's rectangle. A bitmap larger than the
// rectangle shows its centre part, clipped to the rectangle.
void DrawBitmapCentered(const DRAWITEMSTRUCT& item, HBITMAP bitmap);

// A memory device context compatible with another; deleted with the object.
class ScopedMemoryDC {
 public:
  explicit ScopedMemoryDC(HDC compatible_with);
  ScopedMemoryDC(const ScopedMemoryDC&) = delete;
  ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
  ~ScopedMemoryDC();

  HDC Get() const { return dc_; }

 private:
  const HDC dc_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_IMAGE_UTILS_H_
