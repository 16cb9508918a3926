// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/image_utils.h"

#include <string.h>

#include <algorithm>

// GDI+'s C++ headers use min and max unqualified.
using std::max;
using std::min;
#include <gdiplus.h>

#include "base/logging.h"
#include "base/win/get_function.h"

namespace velta {

SIZE GetBitmapSize(HBITMAP bitmap) {
  BITMAP info = {};
  if (!bitmap || !::GetObjectW(bitmap, sizeof(info), &info))
    return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

IStream* CreateStreamFromResource(const wchar_t* name, const wchar_t* type, HMODULE module) {
  HRSRC found = ::FindResourceW(module, name, type);
  if (!found)
    return nullptr;
  const DWORD size = ::SizeofResource(module, found);
  HGLOBAL loaded = ::LoadResource(module, found);
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data || size == 0)
    return nullptr;
  HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE, size);
  if (!copy)
    return nullptr;
  void* target = ::GlobalLock(copy);
  if (!target) {
    ::GlobalFree(copy);
    return nullptr;
  }
  memcpy(target, data, size);
  ::GlobalUnlock(copy);
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(copy, /*fDeleteOnRelease=*/TRUE, &stream))) {
    ::GlobalFree(copy);
    return nullptr;
  }
  return stream;
}

HBITMAP LoadPngResource(const wchar_t* name, const wchar_t* type, HMODULE module) {
  // GDI+ is looked up on first use: processes that show no window do not
  // load gdiplus.dll. Without it no image loads, as when it does not start.
  using namespace Gdiplus;
  using namespace Gdiplus::DllExports;
  const auto startup = BASE_WIN_GET_FUNCTION(L"gdiplus.dll", GdiplusStartup);
  const auto shutdown = BASE_WIN_GET_FUNCTION(L"gdiplus.dll", GdiplusShutdown);
  const auto create_bitmap = BASE_WIN_GET_FUNCTION(L"gdiplus.dll", GdipCreateBitmapFromStream);
  const auto create_hbitmap = BASE_WIN_GET_FUNCTION(L"gdiplus.dll", GdipCreateHBITMAPFromBitmap);
  const auto dispose_image = BASE_WIN_GET_FUNCTION(L"gdiplus.dll", GdipDisposeImage);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (!startup || !shutdown || !create_bitmap || !create_hbitmap || !dispose_image ||
      startup(&token, &input, nullptr) != Gdiplus::Ok) {
    LOG(ERROR) << "GDI+ did not start";
    return nullptr;
  }
  HBITMAP result = nullptr;
  if (IStream* stream = CreateStreamFromResource(name, type, module)) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (create_bitmap(stream, &bitmap) == Gdiplus::Ok) {
      if (create_hbitmap(bitmap, &result, 0) != Gdiplus::Ok)
        result = nullptr;
      dispose_image(bitmap);
    }
    stream->Release();
  }
  shutdown(token);
  return result;
}

bool AlphaBlendBitmap(HDC target, int x, int y, int width, int height, HDC source, int source_x,
                      int source_y, int source_width, int source_height) {
  BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  // msimg32.dll is looked up on first use: processes that draw nothing do
  // not load it.
  const auto alpha_blend = BASE_WIN_LAZY_CALL(L"msimg32.dll", AlphaBlend);
  return alpha_blend(target, x, y, width, height, source, source_x, source_y, source_width,
                     source_height, blend);
}

void DrawBitmapCentered(const DRAWITEMSTRUCT& item, HBITMAP bitmap) {
  const SIZE bitmap_size = GetBitmapSize(bitmap);
  const int rect_width = item.rcItem.right - item.rcItem.left;
  const int rect_height = item.rcItem.bottom - item.rcItem.top;
  ScopedMemoryDC memory(item.hDC);
  HGDIOBJ old = ::SelectObject(memory.Get(), bitmap);
  const int x = rect_width > bitmap_size.cx ? item.rcItem.left + (rect_width - bitmap_size.cx) / 2
                                            : item.rcItem.left;
  const int y = rect_height > bitmap_size.cy ? item.rcItem.top + (rect_height - bitmap_size.cy) / 2
                                             : item.rcItem.top;
  const int source_x = bitmap_size.cx > rect_width ? (bitmap_size.cx - rect_width) / 2 : 0;
  const int source_y = bitmap_size.cy > rect_height ? (bitmap_size.cy - rect_height) / 2 : 0;
  // A bitmap larger than the item is clipped to it: only the item's size is
  // drawn, from the bitmap's centre, so nothing spills over the neighbours.
  const int width = std::min<int>(bitmap_size.cx, rect_width);
  const int height = std::min<int>(bitmap_size.cy, rect_height);
  if (width > 0 && height > 0)
    AlphaBlendBitmap(item.hDC, x, y, width, height, memory.Get(), source_x, source_y, width, height);
  ::SelectObject(memory.Get(), old);
}

ScopedMemoryDC::ScopedMemoryDC(HDC compatible_with) : dc_(::CreateCompatibleDC(compatible_with)) {}

ScopedMemoryDC::~ScopedMemoryDC() {
  if (dc_)
    ::DeleteDC(dc_);
}

}  // namespace velta
