// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/text_label.h"

#include <utility>

namespace velta {

TextLabel::TextLabel(HWND control, std::vector<uint32_t> layouts)
    : UiElement(control, std::move(layouts)) {}

SIZE TextLabel::GetSize() const {
  const SIZE window = GetWindowSize();
  RECT text_rect = {0, 0, window.cx, 0};
  const std::wstring text = GetText();
  HDC dc = ::GetDC(control_);
  if (!dc)
    return {window.cx, 0};
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control_, WM_GETFONT, 0, 0));
  HGDIOBJ old_font = font ? ::SelectObject(dc, font) : nullptr;
  // A static that breaks words too long for a line (SS_EDITCONTROL) is
  // measured as it draws them.
  const bool breaks_words = (::GetWindowLongPtrW(control_, GWL_STYLE) & SS_EDITCONTROL) != 0;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &text_rect,
              DT_CALCRECT | DT_WORDBREAK | (breaks_words ? DT_EDITCONTROL : 0));
  if (old_font)
    ::SelectObject(dc, old_font);
  ::ReleaseDC(control_, dc);
  return {window.cx, text_rect.bottom - text_rect.top};
}

std::wstring TextLabel::GetText() const {
  const int length = ::GetWindowTextLengthW(control_);
  std::wstring text(length + 1, L'\0');
  text.resize(::GetWindowTextW(control_, text.data(), length + 1));
  return text;
}

void TextLabel::SetFont(HFONT font) {
  ::SendMessageW(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

}  // namespace velta
