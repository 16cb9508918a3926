// Copyright 2026 Velta Software. All rights reserved.

// The installer window's look: fonts, colours, backgrounds, titles, the
// slideshow and the simplified variant's DPI-scaled placement.

#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <array>
#include <optional>

#include "base/logging.h"
#include "base/win/get_function.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/ui/controls/bitmap_element.h"
#include "desktop/windows/installer/ui/controls/conditional_button.h"
#include "desktop/windows/installer/ui/controls/hover_button.h"
#include "desktop/windows/installer/ui/controls/image_utils.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/controls/text_label.h"
#include "desktop/windows/installer/ui/controls/ui_element.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/installer/ui/terms_text.h"
#include "desktop/windows/installer/utils/display_scale.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

constexpr COLORREF kTitleColor = 0x474540;
constexpr COLORREF kClassicTitleColor = 0xB5651D;
constexpr COLORREF kTermsLinkColor = 0x686868;
constexpr int kTitleLineSpacingTwips = 550;
// The simplified title's size, and the smallest it takes for a long text.
constexpr int kTitlePoints = 25;
constexpr int kTitleSmallestPoints = 14;
// Room on each side of an owner-drawn button's text at 96 DPI.
constexpr int kButtonPadding = 10;

struct Slide {
  int picture;
  uint32_t title;
  uint32_t text;
};

constexpr Slide kSlides[] = {
    {IDR_PNG_SLIDE_0, IDS_SLIDE_TRACKERS_TITLE, IDS_SLIDE_TRACKERS_TEXT},
    {IDR_PNG_SLIDE_1, IDS_SLIDE_SAFER_TITLE, IDS_SLIDE_SAFER_TEXT},
    {IDR_PNG_SLIDE_2, IDS_SLIDE_CUSTOMIZATION_TITLE, IDS_SLIDE_CUSTOMIZATION_TEXT},
    {IDR_PNG_SLIDE_3, IDS_SLIDE_BOOKMARKS_TITLE, IDS_SLIDE_BOOKMARKS_TEXT},
};

void SetFontOf(HWND control, HFONT font) {
  if (control && font)
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void FillWhite(HDC dc, const RECT& rect) {
  ::FillRect(dc, &rect, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

// The room `control`'s text needs in `font` (its own when null), on one
// line or, with `width`, wrapped at that width.
SIZE TextSize(HWND control, HFONT font, std::optional<LONG> width) {
  wchar_t text[512] = {};
  const int length = ::GetWindowTextW(control, text, 512);
  RECT needed = {0, 0, width.value_or(0), 0};
  HDC dc = ::GetDC(control);
  if (!dc)
    return {0, 0};
  if (!font)
    font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  ::DrawTextW(dc, text, length, &needed, DT_CALCRECT | (width ? DT_WORDBREAK : DT_SINGLELINE));
  if (old)
    ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return {needed.right, needed.bottom};
}

// SetWindowPos, unless the control stands there already: a move redraws
// the control and what it uncovers, even to the same place.
void MoveControl(HWND control, int x, int y, int width, int height, UINT flags) {
  RECT rect = {};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  const bool same_place = (flags & SWP_NOMOVE) || (rect.left == x && rect.top == y);
  const bool same_size =
      (flags & SWP_NOSIZE) || (rect.right - rect.left == width && rect.bottom - rect.top == height);
  if (!same_place || !same_size)
    ::SetWindowPos(control, nullptr, x, y, width, height, flags);
}

// The control's rectangle in its parent's client coordinates.
RECT RectInParent(HWND control) {
  RECT rect = {};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

// static
SIZE InstallerWindowImpl::SimplifiedWindowSize(int dpi) {
  return {::MulDiv(642, dpi, 96), ::MulDiv(403, dpi, 96)};
}

int InstallerWindowImpl::Scale(int value) const {
  return ::MulDiv(value, dpi_, 96);
}

HFONT InstallerWindowImpl::MakeFont(const wchar_t* face,
                                    int points,
                                    int weight,
                                    DWORD quality,
                                    DWORD pitch) const {
  return ::CreateFontW(-::MulDiv(points, dpi_, 72), 0, 0, 0, weight, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS, quality, pitch,
                       face);
}

void InstallerWindowImpl::DeleteFonts() {
  for (HFONT* font : {&body_font_, &small_bold_font_, &large_font_, &heading_font_, &title_font_,
                      &feature_font_, &slide_title_font_}) {
    if (*font)
      ::DeleteObject(*font);
    *font = nullptr;
  }
}

void InstallerWindowImpl::OnMainInitDialog() {
  if (simplified_) {
    // Without its caption the window takes the size its elements are placed
    // for, in pixels at its DPI: the template's dialog units follow the
    // dialog font's measures, which differ from one system to the next
    // (under Wine they make the window 749 pixels wide instead of 642).
    // The controls keep their places in proportion (those placed later by
    // DPI too).
    RECT template_client = {};
    ::GetClientRect(main_dialog_, &template_client);
    ::SetWindowLongPtrW(main_dialog_, GWL_STYLE,
                        ::GetWindowLongPtrW(main_dialog_, GWL_STYLE) & ~WS_DLGFRAME);
    const SIZE size = SimplifiedWindowSize(GetWindowDpi(main_dialog_));
    ::SetWindowPos(main_dialog_, nullptr, 0, 0, size.cx, size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    RECT client = {};
    ::GetClientRect(main_dialog_, &client);
    if (template_client.right > 0 && template_client.bottom > 0) {
      for (HWND child = ::GetWindow(main_dialog_, GW_CHILD); child;
           child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rect = {};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(HWND_DESKTOP, main_dialog_, reinterpret_cast<POINT*>(&rect), 2);
        const auto x = [&](LONG value) {
          return ::MulDiv(value, client.right, template_client.right);
        };
        const auto y = [&](LONG value) {
          return ::MulDiv(value, client.bottom, template_client.bottom);
        };
        ::SetWindowPos(child, nullptr, x(rect.left), y(rect.top), x(rect.right) - x(rect.left),
                       y(rect.bottom) - y(rect.top), SWP_NOZORDER | SWP_NOACTIVATE);
      }
    }
  } else {
    if (background_image_)
      ::DeleteObject(background_image_);
    background_image_ = LoadPngResource(MAKEINTRESOURCEW(IDR_PNG_BACKGROUND), L"PNG");
  }
  HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_INSTALLER));
  if (icon) {
    ::SendMessageW(main_dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(main_dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  }
  if (!run_immediately_ && !uninstall_mode_)
    ::SetDlgItemTextW(main_dialog_, IDC_TERMS_TEXT, LoadTermsText().c_str());
}

void InstallerWindowImpl::UpdateFonts() {
  DeleteFonts();
  body_font_ = simplified_
                   ? MakeFont(L"Segoe UI", 10, 378, DEFAULT_QUALITY, VARIABLE_PITCH)
                   : MakeFont(L"MS Shell Dlg", 8, 378, DEFAULT_QUALITY, DEFAULT_PITCH);
  small_bold_font_ = MakeFont(L"MS Shell Dlg", 8, 700, ANTIALIASED_QUALITY, VARIABLE_PITCH);
  large_font_ = MakeFont(L"MS Shell Dlg", 17, 400, ANTIALIASED_QUALITY, VARIABLE_PITCH);
  heading_font_ = MakeFont(L"MS Shell Dlg 2", 14, 500, ANTIALIASED_QUALITY, VARIABLE_PITCH);
  title_points_ = simplified_ ? kTitlePoints : 22;
  title_font_ = MakeFont(L"Segoe UI", title_points_, 900, ANTIALIASED_QUALITY, VARIABLE_PITCH);
  if (simplified_) {
    feature_font_ = MakeFont(L"Segoe UI", 12, 400, DEFAULT_QUALITY, VARIABLE_PITCH);
    slide_title_font_ = MakeFont(L"Segoe UI", 15, 700, ANTIALIASED_QUALITY, VARIABLE_PITCH);
    for (const auto& [control, label] : feature_labels_) {
      if (feature_font_)
        label->SetFont(feature_font_);
    }
    if (slide_title_ && slide_title_font_)
      slide_title_->SetFont(slide_title_font_);
    if (error_text_) {
      if (body_font_)
        error_text_->SetFont(body_font_);
      error_text_->SetTextColor(kErrorColor, {0, -1});
    }
    if (close_button_)
      static_cast<HoverButton*>(close_button_)->SetFont(body_font_);
  }
  if (title_) {
    title_->SetTextColor(kTitleColor, {0, -1});
    title_->SetLineSpacing(kTitleLineSpacingTwips);
    if (title_font_)
      title_->SetFont(title_font_);
  }
  if (terms_line_ && body_font_)
    terms_line_->SetFont(body_font_);
  if (!settings_->IsFetchingFolderDetails() && !uninstall_mode_)
    SetAcceptTextAndTermsLine();
  if (simplified_) {
    for (int control : {IDC_ACCEPT_BUTTON, IDC_RETRY_BUTTON, IDC_BACK_BUTTON, IDC_CANCEL_BUTTON,
                        IDC_REINSTALL_BUTTON, IDC_UNINSTALL_BUTTON, IDC_STATUS_TEXT,
                        IDC_FULL_PACKAGE_BUTTON, IDC_TERMS_TEXT, IDC_UNINSTALL_HEADING}) {
      SetFontOf(::GetDlgItem(main_dialog_, control), body_font_);
      const auto drawable = drawables_.find(control);
      if (drawable != drawables_.end())
        static_cast<HoverButton*>(drawable->second)->SetFont(body_font_);
    }
    if (slide_text_ && body_font_)
      slide_text_->SetFont(body_font_);
  }
  SetFontOf(::GetDlgItem(main_dialog_, IDC_CLASSIC_UNINSTALL_HEADING), small_bold_font_);
  SetFontOf(::GetDlgItem(main_dialog_, IDC_ERROR_MARK), large_font_);
  if (!simplified_) {
    SetFontOf(::GetDlgItem(main_dialog_, IDC_PROGRESS_HEADING), heading_font_);
    SetFontOf(::GetDlgItem(main_dialog_, IDC_FAILURE_HEADING), heading_font_);
  }
  if (options_dialog_)
    SetFontOf(::GetDlgItem(options_dialog_, IDC_INVALID_PATH_TEXT), small_bold_font_);
  if (survey_dialog_)
    SetFontOf(::GetDlgItem(survey_dialog_, IDC_SURVEY_QUESTION), heading_font_);
}

void InstallerWindowImpl::SetTitle() {
  if (!title_)
    return;
  if (simplified_) {
    uint32_t id = 0;
    if (layout_ == LAYOUT_WELCOME)
      id = IDS_TITLE_FAST_AND_SECURE;
    else if (layout_ == LAYOUT_UNINSTALL)
      id = IDS_INSTALLER_CAPTION;
    else if (layout_ == LAYOUT_ERROR)
      id = uninstall_mode_ ? IDS_UNINSTALL_FAILED_TITLE : IDS_INSTALL_FAILED_TITLE;
    if (!id)
      return;
    title_->SetText(GetL10nString(id));
    title_->SetTextColor(kTitleColor, {0, -1});
    title_->SetLineSpacing(kTitleLineSpacingTwips);
    return;
  }
  const std::wstring word = GetL10nString(IDS_TITLE_PRODUCT_WORD);
  const std::wstring text = GetL10nStringWithOneArg(IDS_TITLE_BROWSE_FREELY, word);
  title_->SetText(text);
  title_->SetTextColor(kClassicTitleColor, {0, -1});
  const size_t at = text.find(word);
  if (at != std::wstring::npos && !word.empty()) {
    title_->SetTextColor(0x000000, {static_cast<LONG>(at), static_cast<LONG>(at + word.size())});
  }
}

HBRUSH InstallerWindowImpl::OnMainCtlColorStatic(HDC dc, HWND control) {
  const int id = ::GetDlgCtrlID(control);
  COLORREF color = 0x000000;
  if (id >= IDC_FEATURE_TEXT_1 && id <= IDC_FEATURE_TEXT_4)
    color = 0xFFFFFF;
  else if (id == IDC_ERROR_MARK || id == 1214)
    color = 0x0000FF;
  ::SetTextColor(dc, color);
  if (id == IDC_DELETE_USER_DATA || id == IDC_TERMS_TEXT)
    return ::GetSysColorBrush(COLOR_WINDOW);
  // The dialog clips its children, so nothing of its background is under a
  // transparent static: the control gets the piece of the background it
  // covers before its text is drawn.
  RECT rect = {};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, main_dialog_, reinterpret_cast<POINT*>(&rect), 2);
  POINT origin = {};
  ::OffsetViewportOrgEx(dc, -rect.left, -rect.top, &origin);
  PaintBackground(dc);
  ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
  ::SetBkMode(dc, TRANSPARENT);
  return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

BOOL InstallerWindowImpl::PaintBackground(HDC dc) {
  if (layout_ == LAYOUT_OPTIONS || layout_ == LAYOUT_SURVEY)
    return FALSE;
  RECT client = {};
  ::GetClientRect(main_dialog_, &client);
  if (simplified_) {
    if (layout_ == LAYOUT_WELCOME || layout_ == LAYOUT_UNINSTALL || layout_ == LAYOUT_ERROR) {
      const LONG split = static_cast<LONG>((client.right - client.left) * 0.4);
      TRIVERTEX vertices[2] = {
          {client.left, client.top, 0x4D00, 0x0F00, 0xF500, 0},
          {client.left + split, client.bottom, 0x0800, 0xAD00, 0xFF00, 0},
      };
      GRADIENT_RECT rect = {0, 1};
      BASE_WIN_LAZY_CALL(L"msimg32.dll", GradientFill)(dc, vertices, 2, &rect, 1,
                                                       GRADIENT_FILL_RECT_V);
      RECT rest = client;
      rest.left += split;
      FillWhite(dc, rest);
    } else {
      FillWhite(dc, client);
    }
    return TRUE;
  }
  // The status line's place is white on the pages that show it.
  HWND status = ::GetDlgItem(main_dialog_, IDC_STATUS_TEXT);
  RECT status_rect = {};
  if (status && (layout_ == LAYOUT_PROGRESS || layout_ == LAYOUT_ERROR)) {
    ::GetWindowRect(status, &status_rect);
    ::MapWindowPoints(HWND_DESKTOP, main_dialog_, reinterpret_cast<POINT*>(&status_rect), 2);
    FillWhite(dc, status_rect);
    ::ExcludeClipRect(dc, status_rect.left, status_rect.top, status_rect.right,
                      status_rect.bottom);
  }
  if (background_) {
    ScopedMemoryDC source(dc);
    HGDIOBJ old = ::SelectObject(source.Get(), background_);
    ::BitBlt(dc, 0, 0, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY);
    ::SelectObject(source.Get(), old);
  }
  ::SelectClipRgn(dc, nullptr);
  return TRUE;
}

void InstallerWindowImpl::RebuildBackground(bool force) {
  if (background_ && !force)
    return;
  RECT client = {};
  ::GetClientRect(main_dialog_, &client);
  HDC dc = ::GetDC(main_dialog_);
  if (!dc)
    return;
  HBITMAP bitmap = ::CreateCompatibleBitmap(dc, client.right, client.bottom);
  if (bitmap) {
    if (background_)
      ::DeleteObject(background_);
    background_ = bitmap;
    ScopedMemoryDC target(dc);
    HGDIOBJ old = ::SelectObject(target.Get(), background_);
    ::FillRect(target.Get(), &client, ::GetSysColorBrush(COLOR_BTNFACE));
    if (background_image_) {
      const SIZE size = GetBitmapSize(background_image_);
      ScopedMemoryDC source(dc);
      HGDIOBJ old_source = ::SelectObject(source.Get(), background_image_);
      AlphaBlendBitmap(target.Get(), 0, 0, client.right, client.bottom, source.Get(), 0, 0,
                       size.cx, size.cy);
      ::SelectObject(source.Get(), old_source);
    }
    ::SelectObject(target.Get(), old);
  }
  ::ReleaseDC(main_dialog_, dc);
}

void InstallerWindowImpl::FitRichTexts() {
  // Never lower than the template makes them. The privacy link keeps its
  // top; in the classic window the title does too and the terms line keeps
  // its bottom, on the buttons' row (the simplified window places its title
  // and terms line itself).
  for (RichStatic* text :
       {privacy_link_, simplified_ ? nullptr : title_, simplified_ ? nullptr : terms_line_}) {
    if (!text)
      continue;
    const RECT rect = text->GetRectInParent();
    int& template_height = template_heights_[::GetDlgCtrlID(text->hwnd())];
    if (!template_height)
      template_height = rect.bottom - rect.top;
    const LONG height = std::max<LONG>(text->GetSize().cy, template_height);
    const LONG top = text == terms_line_ ? rect.bottom - height : rect.top;
    ::SetWindowPos(text->hwnd(), nullptr, rect.left, top, rect.right - rect.left, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void InstallerWindowImpl::ScaleControls(int from_dpi, int to_dpi) {
  const auto scale = [from_dpi, to_dpi](LONG value) { return ::MulDiv(value, to_dpi, from_dpi); };
  for (HWND dialog : {main_dialog_, options_dialog_, survey_dialog_}) {
    if (!dialog)
      continue;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      RECT rect = {};
      ::GetWindowRect(child, &rect);
      ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
      ::SetWindowPos(child, nullptr, scale(rect.left), scale(rect.top),
                     scale(rect.right) - scale(rect.left), scale(rect.bottom) - scale(rect.top),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  if (privacy_link_)
    privacy_link_->UpdateSize();
  for (auto& [control, height] : template_heights_)
    height = scale(height);
  for (auto& [control, width] : template_widths_)
    width = scale(width);
  survey_question_gap_ = scale(survey_question_gap_);
  survey_row_gap_ = scale(survey_row_gap_);
  for (std::array<int, 2>* tops : {&collapsed_tops_, &expanded_tops_}) {
    for (int& top : *tops)
      top = scale(top);
  }
}

void InstallerWindowImpl::FitHeightToText(HWND control, int indent) {
  if (!control)
    return;
  const RECT rect = RectInParent(control);
  int& one_line = template_heights_[::GetDlgCtrlID(control)];
  if (!one_line)
    one_line = rect.bottom - rect.top;
  const LONG height =
      std::max<LONG>(one_line, TextSize(control, nullptr, rect.right - rect.left - indent).cy);
  ::SetWindowPos(control, nullptr, 0, 0, rect.right - rect.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void InstallerWindowImpl::WidenButtonToText(UiElement* button) {
  if (!button || !button->hwnd())
    return;
  const RECT rect = button->GetRectInParent();
  const LONG width =
      std::max<LONG>(TemplateWidth(*button), TextSize(button->hwnd(), body_font_, std::nullopt).cx +
                                                 2 * Scale(kButtonPadding));
  ::SetWindowPos(button->hwnd(), nullptr, rect.right - width, rect.top, width,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

int InstallerWindowImpl::TemplateWidth(const UiElement& button) {
  int& width = template_widths_[::GetDlgCtrlID(button.hwnd())];
  if (!width)
    width = button.GetWindowSize().cx;
  return width;
}

bool InstallerWindowImpl::SetTitlePoints(int points) {
  HFONT font = MakeFont(L"Segoe UI", points, 900, ANTIALIASED_QUALITY, VARIABLE_PITCH);
  if (!font || !title_)
    return false;
  title_->SetFont(font);
  if (title_font_)
    ::DeleteObject(title_font_);
  title_font_ = font;
  title_points_ = points;
  return true;
}

void InstallerWindowImpl::PlaceElements() {
  if (!main_dialog_)
    return;
  FitRichTexts();
  if (!simplified_) {
    FitHeightToText(::GetDlgItem(main_dialog_, IDC_FAILURE_HEADING), 0);
    return;
  }
  RECT r = {};
  ::GetClientRect(main_dialog_, &r);
  constexpr UINT kMove = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE;
  constexpr UINT kPlace = SWP_NOZORDER | SWP_NOACTIVATE;

  // Logo and error mark.
  SIZE logo_size = {0, 0};
  if (logo_) {
    logo_size = logo_->GetSize();
    MoveControl(logo_->hwnd(), Scale(296), Scale(96), logo_size.cx, logo_size.cy, kPlace);
  }
  if (error_mark_) {
    // As large as its character in the large font.
    const SIZE mark = TextSize(error_mark_->hwnd(), large_font_, std::nullopt);
    MoveControl(error_mark_->hwnd(), Scale(296) + logo_size.cx, Scale(96) + logo_size.cy / 2,
                mark.cx, mark.cy, kPlace);
  }

  // Buttons.
  if (accept_button_) {
    const SIZE size = accept_button_->GetSize();
    const int left = r.right - Scale(32) - size.cx;
    const int top = r.bottom - Scale(32) - size.cy;
    MoveControl(accept_button_->hwnd(), left, top, size.cx, size.cy, kPlace);
    if (retry_button_) {
      // From its template width, not the width the last placement widened
      // it to, which would move it right by that widening each time.
      const SIZE retry = retry_button_->GetSize();
      MoveControl(retry_button_->hwnd(), left, top, TemplateWidth(*retry_button_), retry.cy,
                  kPlace);
      WidenButtonToText(retry_button_);
      const RECT retry_rect = retry_button_->GetRectInParent();
      if (back_button_) {
        const SIZE back = back_button_->GetSize();
        const int back_left = retry_rect.left - Scale(10) - back.cx;
        MoveControl(back_button_->hwnd(), back_left, retry_rect.top, back.cx, back.cy, kPlace);
        if (full_package_button_) {
          // Above Back, or further left when its text needs more room than
          // there is up to Try again's right edge.
          WidenButtonToText(full_package_button_);
          const SIZE full = full_package_button_->GetWindowSize();
          ::SetWindowPos(full_package_button_->hwnd(), nullptr,
                         std::min<LONG>(back_left, retry_rect.right - full.cx),
                         retry_rect.top - Scale(5) - full.cy, 0, 0, kMove);
        }
      }
    }
  }
  // Cancel (uninstall pages) has room on its left.
  const auto cancel = drawables_.find(IDC_CANCEL_BUTTON);
  if (cancel != drawables_.end())
    WidenButtonToText(cancel->second);

  // Title and texts, above the buttons and the uninstall heading below
  // them: a title too long for that room takes a smaller font.
  if (title_) {
    LONG room_bottom = r.bottom;
    for (int control : {IDC_ACCEPT_BUTTON, IDC_RETRY_BUTTON, IDC_BACK_BUTTON,
                        IDC_FULL_PACKAGE_BUTTON, IDC_REINSTALL_BUTTON, IDC_UNINSTALL_HEADING}) {
      HWND below = ::GetDlgItem(main_dialog_, control);
      if (below && ::IsWindowVisible(below))
        room_bottom = std::min(room_bottom, RectInParent(below).top - Scale(10));
    }
    const int width = r.right - Scale(296) - Scale(32);
    // Measured at the width they get.
    for (RichStatic* text : {title_, terms_line_, error_text_}) {
      if (!text || text->GetSize().cx == width)
        continue;
      const RECT rect = text->GetRectInParent();
      MoveControl(text->hwnd(), 0, 0, width, rect.bottom - rect.top,
                  SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      text->UpdateSize();
    }
    // Places the title in its font and the texts below it; whether they
    // end above the room's bottom.
    const auto place = [&]() {
      MoveControl(title_->hwnd(), Scale(296), Scale(156), width,
                  std::max<LONG>(title_->GetSize().cy, 1), kPlace);
      const int below = title_->GetRectInParent().bottom + Scale(10);
      LONG texts_bottom = below;
      for (RichStatic* text : {terms_line_, error_text_}) {
        if (!text)
          continue;
        MoveControl(text->hwnd(), Scale(296), below, width, std::max<LONG>(text->GetSize().cy, 1),
                    kPlace);
        if (::IsWindowVisible(text->hwnd()))
          texts_bottom = std::max<LONG>(texts_bottom, text->GetRectInParent().bottom);
      }
      return texts_bottom <= room_bottom;
    };
    // The largest size from kTitleSmallestPoints up whose texts fit (the
    // smallest when none does), the full size tried first; the size found
    // last holds while the texts and their room are the same.
    const auto fits_at = [&](int points) {
      return (points == title_points_ || SetTitlePoints(points)) && place();
    };
    const auto fit_key = [&]() {
      std::wstring key = title_->GetPlainText() + L"\n" + std::to_wstring(width) + L"x" +
                         std::to_wstring(room_bottom) + L"@" + std::to_wstring(title_points_);
      for (RichStatic* text : {terms_line_, error_text_}) {
        if (text && ::IsWindowVisible(text->hwnd()))
          key += L"\n" + text->GetPlainText();
      }
      return key;
    };
    if (fit_key() == title_fit_key_) {
      place();
    } else if (!fits_at(kTitlePoints)) {
      int low = kTitleSmallestPoints;
      int high = kTitlePoints - 1;
      while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (fits_at(middle))
          low = middle;
        else
          high = middle - 1;
      }
      if (low != title_points_)
        SetTitlePoints(low);
      place();
    }
    title_fit_key_ = fit_key();
  }

  // Feature rows.
  if (feature_icons_[0]) {
    const int height = r.bottom - r.top;
    const int margin = Scale(108);
    const SIZE icon = feature_icons_[0]->GetSize();
    const int count = static_cast<int>(feature_labels_.size());
    const int gap = count > 1 ? (height - 2 * margin - count * icon.cy) / (count - 1) : 0;
    int y = margin;
    int row = 0;
    for (const auto& [control, label] : feature_labels_) {
      if (row < 4 && feature_icons_[row]) {
        MoveControl(feature_icons_[row]->hwnd(), Scale(35), y, icon.cx, icon.cy, kPlace);
      }
      const int x = icon.cx + Scale(51);
      const SIZE window = label->GetWindowSize();
      // Up to the gradient's edge: a long word of a translation still fits.
      MoveControl(label->hwnd(), x, y, static_cast<LONG>(r.right * 0.4) - x,
                  std::max<LONG>(window.cy, 1), kPlace);
      // As high as its text at this width and font: a text that wraps to
      // more lines than the template's height is not cut.
      const SIZE text = label->GetSize();
      MoveControl(label->hwnd(), x, y + (icon.cy - text.cy) / 2, text.cx,
                  std::max<LONG>(text.cy, window.cy), kPlace);
      y += icon.cy + gap;
      ++row;
    }
  }
  if (left_picture_) {
    const SIZE size = left_picture_->GetSize();
    MoveControl(left_picture_->hwnd(), 0, (r.bottom - size.cy) / 2, size.cx, size.cy, kPlace);
  }

  // Close button.
  if (close_button_) {
    const SIZE size = close_button_->GetSize();
    MoveControl(close_button_->hwnd(), r.right - Scale(16) - size.cx, Scale(16), size.cx, size.cy,
                kPlace);
  }

  // The slideshow.
  if (slide_picture_) {
    const SIZE picture = slide_picture_->GetSize();
    const bool odd = slide_index_ % 2 == 1;
    MoveControl(slide_picture_->hwnd(), odd ? r.right - picture.cx : 0, r.bottom - picture.cy,
                picture.cx, picture.cy, kPlace);
    if (slide_title_ && slide_text_) {
      const int width = r.right - picture.cx - Scale(70);
      MoveControl(slide_title_->hwnd(), 0, 0, width, Scale(30), kPlace | SWP_NOMOVE);
      MoveControl(slide_text_->hwnd(), 0, 0, width, Scale(80), kPlace | SWP_NOMOVE);
      const int t = slide_title_->GetSize().cy;
      const int b = slide_text_->GetSize().cy;
      const int p = ::MulDiv(picture.cy, dpi_, 96);
      const int y = r.bottom - (p + Scale(12) + Scale(80) + t) / 2;
      const int x = odd ? Scale(35) : r.right - Scale(35) - width;
      MoveControl(slide_title_->hwnd(), x, y, width, std::max(t, 1), kPlace);
      MoveControl(slide_text_->hwnd(), x, y + t + Scale(12), width, std::max(b, 1), kPlace);
    }
  }
}

void InstallerWindowImpl::SetSlideTexts() {
  if (!slide_title_ || !slide_text_)
    return;
  const Slide& slide = kSlides[slide_index_ % 4];
  ::SetWindowTextW(slide_title_->hwnd(), GetL10nString(slide.title).c_str());
  ::SetWindowTextW(slide_text_->hwnd(), GetL10nString(slide.text).c_str());
}

void InstallerWindowImpl::ShowNextSlide() {
  slide_index_ = (slide_index_ + 1) % 4;
  if (slide_picture_)
    slide_picture_->SetBitmap(LoadPngResource(MAKEINTRESOURCEW(kSlides[slide_index_].picture), L"PNG"));
  SetSlideTexts();
  PlaceElements();
  // The picture and the texts change sides: each is drawn anew where it now
  // stands, else the texts keep pieces of the slide before behind them.
  ::RedrawWindow(main_dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void InstallerWindowImpl::WidenFullPackageButton() {
  HWND full = ::GetDlgItem(main_dialog_, IDC_FULL_PACKAGE_BUTTON);
  HWND retry = ::GetDlgItem(main_dialog_, IDC_RETRY_BUTTON);
  if (!full || !retry)
    return;
  wchar_t text[256] = {};
  const int length = ::GetWindowTextW(full, text, 256);
  HDC dc = ::GetDC(full);
  if (!dc)
    return;
  HGDIOBJ old = body_font_ ? ::SelectObject(dc, body_font_) : nullptr;
  SIZE extent = {};
  ::GetTextExtentExPointW(dc, text, length, 0, nullptr, nullptr, &extent);
  if (old)
    ::SelectObject(dc, old);
  ::ReleaseDC(full, dc);
  RECT full_rect = {};
  RECT retry_rect = {};
  ::GetWindowRect(full, &full_rect);
  ::GetWindowRect(retry, &retry_rect);
  ::MapWindowPoints(HWND_DESKTOP, main_dialog_, reinterpret_cast<POINT*>(&full_rect), 2);
  const int width = std::max<int>(extent.cx + 30, retry_rect.right - retry_rect.left);
  ::SetWindowPos(full, nullptr, full_rect.right - width, full_rect.top, width,
                 full_rect.bottom - full_rect.top, SWP_NOZORDER);
}

}  // namespace velta
