// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/controls/rich_static.h"

#include <windows.h>

#include <richedit.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace velta {
namespace {

struct RewriteCase {
  const char* name;
  const wchar_t* markup;
  const wchar_t* rewritten;
  const wchar_t* plain;
  std::vector<std::wstring> targets;
};

class MarkupTest : public testing::TestWithParam<RewriteCase> {};

TEST_P(MarkupTest, RewritesAndParses) {
  EXPECT_EQ(GetParam().rewritten, RichStatic::RewriteMarkup(GetParam().markup));
  std::vector<RichStatic::Link> links;
  EXPECT_EQ(GetParam().plain, RichStatic::ParseMarkup(GetParam().markup, &links));
  std::vector<std::wstring> targets;
  const std::wstring plain = GetParam().plain;
  for (const RichStatic::Link& link : links) {
    targets.push_back(link.target);
    EXPECT_LE(link.end, static_cast<LONG>(plain.size()));
  }
  EXPECT_EQ(GetParam().targets, targets);
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    MarkupTest,
    testing::Values(
        RewriteCase{"NoLinks", L"Plain text", L"Plain text", L"Plain text", {}},
        RewriteCase{"OneLink",
                    L"Agree to the <a href=\"tos\">Terms</a>.",
                    L"Agree to the $1tos$2Terms$3.",
                    L"Agree to the Terms.",
                    {L"tos"}},
        RewriteCase{"TwoLinks",
                    L"<a href=\"a\">A</a> and <a href=\"b\">B</a>",
                    L"$1a$2A$3 and $1b$2B$3",
                    L"A and B",
                    {L"a", L"b"}},
        // Mended: a link without href gets no target, not the next link's.
        RewriteCase{"LinkWithoutHref",
                    L"<a class=\"x\">one</a> <a href=\"two\">two</a>",
                    L"$1one$3 $1two$2two$3",
                    L"one two",
                    {L"", L"two"}},
        RewriteCase{"UnclosedLinkKeepsItsText",
                    L"see <a href=\"x\">here",
                    L"see $1x$2$3>here",
                    L"see >here",
                    {L"x"}}),
    [](const testing::TestParamInfo<RewriteCase>& info) { return info.param.name; });

// A parent that records the control's link notifications.
class RichStaticTest : public testing::Test {
 protected:
  static LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NOTIFY) {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->code == EN_LINK) {
        const auto* link = reinterpret_cast<const ENLINK*>(lparam);
        if (link->msg == WM_LBUTTONUP && current_)
          current_->clicked_.push_back(current_->control_->GetLinkTarget(link->chrg));
      }
    }
    if (message == WM_CTLCOLORSTATIC && current_ && current_->background_) {
      // The parent's background: one colour.
      HBRUSH brush = ::CreateSolidBrush(*current_->background_);
      RECT all = {0, 0, 2000, 2000};
      ::FillRect(reinterpret_cast<HDC>(wparam), &all, brush);
      ::DeleteObject(brush);
      return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  void SetUp() override {
    RichStatic::InitializeLibraries();
    WNDCLASSW window_class = {};
    window_class.lpfnWndProc = &ParentProc;
    window_class.lpszClassName = L"RichStaticTestParent";
    ::RegisterClassW(&window_class);
    parent_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"RichStaticTestParent", L"", WS_POPUP | WS_VISIBLE,
                                0, 0, 500, 300, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent_);
    edit_ = ::CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY,
                              10, 20, 300, 100, parent_, nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit_) << ::GetLastError();
    control_ = std::make_unique<RichStatic>(edit_, std::vector<uint32_t>{0});
    current_ = this;
  }
  void TearDown() override {
    current_ = nullptr;
    control_.reset();
    ::DestroyWindow(parent_);
  }

  COLORREF ColorAt(LONG position) {
    CHARRANGE range = {position, position + 1};
    ::SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATW format = {};
    format.cbSize = sizeof(format);
    ::SendMessageW(edit_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format.crTextColor;
  }

  static inline RichStaticTest* current_ = nullptr;
  HWND parent_ = nullptr;
  HWND edit_ = nullptr;
  std::unique_ptr<RichStatic> control_;
  std::vector<std::wstring> clicked_;
  std::optional<COLORREF> background_;
};

TEST_F(RichStaticTest, LinkTextIsShownColouredAndClickable) {
  control_->SetTextColor(0x000064, {0, -1});
  control_->SetMarkup(L"Get it from <a href=\"download\">our site</a> now.", 0x686868);
  EXPECT_EQ(L"Get it from our site now.", control_->GetPlainText());
  ASSERT_EQ(1u, control_->links().size());
  EXPECT_EQ(12, control_->links()[0].start);
  EXPECT_EQ(20, control_->links()[0].end);
  EXPECT_EQ(COLORREF{0x686868}, ColorAt(14));
  // The text around the link keeps the colour given to the whole text.
  EXPECT_EQ(COLORREF{0x000064}, ColorAt(2));
  EXPECT_EQ(COLORREF{0x000064}, ColorAt(22));
  EXPECT_EQ(L"download", control_->GetLinkTarget({13, 14}));
  EXPECT_EQ(L"", control_->GetLinkTarget({2, 3}));

  // A click on the link's text reaches the parent as EN_LINK.
  POINTL at = {};
  ::SendMessageW(edit_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), 15);
  const LPARAM where = MAKELPARAM(at.x + 2, at.y + 4);
  ::SendMessageW(edit_, WM_LBUTTONDOWN, MK_LBUTTON, where);
  ::SendMessageW(edit_, WM_LBUTTONUP, 0, where);
  EXPECT_EQ(std::vector<std::wstring>{L"download"}, clicked_);
}

TEST_F(RichStaticTest, MarkupWithoutLinksIsShownUnchanged) {
  control_->SetMarkup(L"Nothing to click.", 0x686868);
  EXPECT_EQ(L"Nothing to click.", control_->GetPlainText());
  EXPECT_TRUE(control_->links().empty());
  EXPECT_NE(COLORREF{0x686868}, ColorAt(3));
}

TEST_F(RichStaticTest, MeasuredHeightGrowsWithWrapping) {
  control_->SetText(L"One line");
  const SIZE one = control_->GetSize();
  EXPECT_EQ(300, one.cx);
  EXPECT_GT(one.cy, 0);
  control_->SetText(std::wstring(40, L'w') + L" " + std::wstring(40, L'w') + L" " +
                    std::wstring(40, L'w'));
  EXPECT_GE(control_->GetSize().cy, 2 * one.cy);
  // Measuring leaves the text as it was.
  EXPECT_EQ(std::wstring::npos, control_->GetPlainText().find(L"\r\n"));
  EXPECT_EQ(70, control_->vertical_center());
}

TEST_F(RichStaticTest, LinksStayMarkedAfterMeasuring) {
  control_->SetMarkup(L"<a href=\"policy\">Privacy Policy</a>", 0x686868);
  control_->SetLineSpacing(550);
  EXPECT_EQ(L"Privacy Policy", control_->GetPlainText());
  CHARRANGE range = {2, 3};
  ::SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format = {};
  format.cbSize = sizeof(format);
  ::SendMessageW(edit_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  // A hyperlink field, or a range marked by hand in the link colour.
  EXPECT_TRUE((format.dwEffects & CFE_LINK) || (format.dwEffects & CFE_UNDERLINE));
  EXPECT_EQ(COLORREF{0x686868}, format.crTextColor);
}

// The measure is the step between two lines once for each line the text
// wraps to, the last included.
TEST_F(RichStaticTest, MeasureCoversEveryLine) {
  std::wstring text;
  for (int i = 0; i < 30; ++i)
    text += L"word ";
  control_->SetText(text);
  control_->SetLineSpacing(300);
  const LRESULT lines = ::SendMessageW(edit_, EM_GETLINECOUNT, 0, 0);
  ASSERT_GE(lines, 3);
  POINTL first = {};
  POINTL second = {};
  ::SendMessageW(edit_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&first), 0);
  ::SendMessageW(edit_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&second),
                 ::SendMessageW(edit_, EM_LINEINDEX, 1, 0));
  EXPECT_GT(second.y, first.y);
  EXPECT_EQ((second.y - first.y) * lines, control_->GetSize().cy);
}

struct LettersCase {
  const char* name;
  const wchar_t* text;
};

class RichStaticLettersTest : public RichStaticTest,
                              public testing::WithParamInterface<LettersCase> {};

// Setting, measuring and linking keep every letter, whatever the script:
// none goes through a code page.
TEST_P(RichStaticLettersTest, KeepsEveryLetter) {
  const std::wstring text = GetParam().text;
  control_->SetText(text);
  control_->SetLineSpacing(550);
  control_->SetFont(static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)));
  EXPECT_EQ(text, control_->GetPlainText());
  control_->SetMarkup(L"<a href=\"tos\">" + text + L"</a> " + text, 0x686868);
  EXPECT_EQ(text + L" " + text, control_->GetPlainText());
  EXPECT_EQ(L"tos", control_->GetLinkTarget({1, 2}));
}

INSTANTIATE_TEST_SUITE_P(
    Scripts,
    RichStaticLettersTest,
    testing::Values(LettersCase{"Greek", L"\x03a0\x0395\x03a1\x0399\x0393\x0398 \x03c3\x03c4\x03bf"},
                    LettersCase{"Japanese", L"\x9ad8\x901f\x3067\x5b89\x5168\x306a"},
                    LettersCase{"Hebrew", L"\x05d4\x05ea\x05e7\x05e0\x05d4 \x05de\x05d4\x05d9\x05e8\x05d4"},
                    LettersCase{"Russian", L"\x0421\x0412\x041e\x0411\x041e\x0414\x041d\x042b\x0419"},
                    LettersCase{"RtfMarks", L"{\\b not bold} \\u123?"}),
    [](const testing::TestParamInfo<LettersCase>& info) { return info.param.name; });

// A click beside the link's text, or on plain text, reports no link.
TEST_F(RichStaticTest, ClicksOutsideTheLinkReportNothing) {
  control_->SetMarkup(L"Get it from <a href=\"download\">our site</a>", 0x686868);
  for (const LONG character : {3L, 8L}) {
    POINTL at = {};
    ::SendMessageW(edit_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), character);
    const LPARAM where = MAKELPARAM(at.x + 1, at.y + 4);
    ::SendMessageW(edit_, WM_LBUTTONDOWN, MK_LBUTTON, where);
    ::SendMessageW(edit_, WM_LBUTTONUP, 0, where);
  }
  POINTL end = {};
  ::SendMessageW(edit_, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&end), 19);
  const LPARAM beside = MAKELPARAM(end.x + 120, end.y + 4);
  ::SendMessageW(edit_, WM_LBUTTONDOWN, MK_LBUTTON, beside);
  ::SendMessageW(edit_, WM_LBUTTONUP, 0, beside);
  EXPECT_TRUE(clicked_.empty());
}

struct BackgroundCase {
  const char* name;
  bool transparent;
  COLORREF parent;
  COLORREF text;
  // The colour of the control where no text is.
  COLORREF expected_background;
};

class RichStaticBackgroundTest : public RichStaticTest,
                                 public testing::WithParamInterface<BackgroundCase> {};

// A transparent control shows its parent's background under its text and
// its text in the text's colour; an opaque one stays white.
TEST_P(RichStaticBackgroundTest, ShowsTheParentsBackgroundWhenTransparent) {
  background_ = GetParam().parent;
  control_->SetTransparent(GetParam().transparent);
  control_->SetTextColor(GetParam().text, {0, -1});
  control_->SetText(L"Wide words WWW MMM ### shown here");
  // The control paints what is pending, through its own paint.
  ::UpdateWindow(edit_);
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 300, 100);
  HGDIOBJ old = ::SelectObject(dc, bitmap);
  RECT all = {0, 0, 300, 100};
  ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(GRAY_BRUSH)));
  ::SendMessageW(edit_, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  if (GetParam().transparent) {
    // The edges too, which the rich-edit control may leave unpainted.
    for (const int x : {0, 299})
      EXPECT_EQ(GetParam().expected_background, ::GetPixel(dc, x, 90)) << x;
  }
  int background = 0;
  int text = 0;
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 300; ++x) {
      const COLORREF pixel = ::GetPixel(dc, x, y);
      background += pixel == GetParam().expected_background;
      text += std::abs(GetRValue(pixel) - GetRValue(GetParam().text)) < 16 &&
              std::abs(GetGValue(pixel) - GetGValue(GetParam().text)) < 16 &&
              std::abs(GetBValue(pixel) - GetBValue(GetParam().text)) < 16;
    }
  }
  ::SelectObject(dc, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  EXPECT_GT(background, 300 * 100 * 3 / 4);
  EXPECT_GT(text, 40);
  // Painting leaves nothing to paint again.
  RECT pending = {};
  EXPECT_FALSE(::GetUpdateRect(edit_, &pending, FALSE));
}

INSTANTIATE_TEST_SUITE_P(
    Backgrounds,
    RichStaticBackgroundTest,
    testing::Values(
        BackgroundCase{"OpaqueStaysWhite", false, RGB(0xF4, 0xF7, 0xFC), RGB(0, 0, 0),
                       RGB(0xFF, 0xFF, 0xFF)},
        BackgroundCase{"BlackOnLightBlue", true, RGB(0xF4, 0xF7, 0xFC), RGB(0, 0, 0),
                       RGB(0xF4, 0xF7, 0xFC)},
        BackgroundCase{"BlueOnViolet", true, RGB(0x4D, 0x0F, 0xF5), RGB(0x1D, 0x65, 0xB5),
                       RGB(0x4D, 0x0F, 0xF5)},
        BackgroundCase{"WhiteOnDarkGrey", true, RGB(0x30, 0x30, 0x30), RGB(0xFF, 0xFF, 0xFF),
                       RGB(0x30, 0x30, 0x30)}),
    [](const testing::TestParamInfo<BackgroundCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
