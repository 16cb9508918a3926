// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_RICH_STATIC_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_RICH_STATIC_H_

#include <windows.h>

#include <richedit.h>
#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/windows/installer/ui/controls/ui_element.h"

namespace velta {

// A read-only rich-edit control (the rich-edit 4.1 library) that looks like
// static text and shows links written in a small markup:
//   By clicking you agree to the <a href="tos">Terms of Service</a>
// Links become hyperlink fields; where the rich-edit control drops those
// fields (the link text vanishes), the control keeps the plain text, draws
// the link ranges underlined in the link colour and reports their clicks
// itself (a CFE_LINK range would be drawn in the control's own link blue).
// Either way a click reaches the parent as EN_LINK, and GetLinkTarget maps
// its range to the link's target. The control hides its caret and keeps the
// arrow cursor. Main thread only.
//
// A rich-edit control always fills its background. A transparent RichStatic
// (SetTransparent) shows its parent's background under its text instead, as
// a transparent static does: at each paint it asks the parent to paint the
// piece it covers (WM_CTLCOLORSTATIC with the drawing context), draws its
// text once over white and once over black, and lays the difference of the
// two over that piece, so anti-aliased edges blend into any background.
class RichStatic : public UiElement {
 public:
  // A link of the shown text: its character range and its target ("tos").
  struct Link {
    LONG start;
    LONG end;
    std::wstring target;
  };

  // Starts the common controls and loads the rich-edit library, once,
  // before any window. Failures are logged; start-up goes on.
  static void InitializeLibraries();

  // The markup with "$1" before each link target, "$2" between target and
  // link text and "$3" after the link text; a link without href gets neither
  // a target nor "$2".
  static std::wstring RewriteMarkup(const std::wstring& markup);
  // The text a reader sees, and its links.
  static std::wstring ParseMarkup(const std::wstring& markup, std::vector<Link>* links);

  RichStatic(HWND control, std::vector<uint32_t> layouts);
  ~RichStatic() override;

  void SetText(const std::wstring& text);
  void SetMarkup(const std::wstring& markup, COLORREF link_color);
  // {0, -1} is the whole text; its colour is kept for text set later.
  void SetTextColor(COLORREF color, CHARRANGE range);
  // `font` is not owned.
  void SetFont(HFONT font);
  // Exactly `twips` between lines.
  void SetLineSpacing(int twips);
  // Whether the parent's background shows under the text (see above).
  void SetTransparent(bool transparent);

  // Measures the text again at the control's current width (a new text,
  // font or line spacing is measured at once).
  void UpdateSize();
  // The measured text: the control's width and the height of its lines.
  SIZE GetSize() const override;
  // The control's vertical centre in its parent when it was made.
  int vertical_center() const { return vertical_center_; }
  const std::vector<Link>& links() const { return links_; }
  // The target of the link that `range` (an EN_LINK notification's) falls
  // in; empty when it is no link's.
  std::wstring GetLinkTarget(const CHARRANGE& range) const;
  std::wstring GetPlainText() const;

 private:
  static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR data);
  // Sets `plain` and makes each of `links` a hyperlink field, with a line
  // break before each when `break_before`.
  void InsertLinkFields(const std::wstring& plain, const std::vector<Link>& links,
                        bool break_before);
  // Gives each run of letters that the font lacks the face that the
  // system's font link gives the font for them, as GDI would draw them: a
  // rich-edit control may shape its text with each run's own font alone
  // (Wine's does), which draws such letters as boxes. Only the plain
  // text's runs (hyperlink fields hold text of their own).
  void BindFonts();
  // The number of characters, a paragraph break counting one.
  LONG TextLength() const;
  // Streams `rtf` in (over the selection with SFF_SELECTION).
  void StreamInRtf(const std::string& rtf, UINT flags);
  // Marks every link range underlined in the link colour.
  void MarkLinks();
  // The marked link under `point` (client coordinates), or null.
  const Link* MarkedLinkAt(POINT point) const;
  // Draws the text over the parent's background into `target` (client
  // coordinates).
  void PaintOverBackground(HDC target);

  SIZE size_ = {0, 0};
  HFONT font_ = nullptr;
  int vertical_center_ = 0;
  std::vector<Link> links_;
  COLORREF link_color_ = 0;
  // The colour given to the whole text, if any.
  std::optional<COLORREF> text_color_;
  // The hyperlink fields were dropped: the links are marked by range.
  bool links_marked_ = false;
  bool transparent_ = false;
  // The text is being drawn over white and black: the control paints as
  // rich-edit controls do.
  bool painting_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_CONTROLS_RICH_STATIC_H_
