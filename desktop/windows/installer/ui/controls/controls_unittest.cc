// Copyright 2026 Velta Software. All rights reserved.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/ui/controls/bitmap_element.h"
#include "desktop/windows/installer/ui/controls/blue_button.h"
#include "desktop/windows/installer/ui/controls/conditional_button.h"
#include "desktop/windows/installer/ui/controls/conditional_element.h"
#include "desktop/windows/installer/ui/controls/gray_button.h"
#include "desktop/windows/installer/ui/controls/image_button.h"
#include "desktop/windows/installer/ui/controls/image_utils.h"
#include "desktop/windows/installer/ui/controls/text_label.h"
#include "desktop/windows/installer/ui/controls/ui_element.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// A 32-bit top-down bitmap header.
BITMAPINFO TopDownInfo(int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// A 32-bit top-down DIB selected into a memory DC, cleared to `background`.
class Canvas {
 public:
  Canvas(int width, int height, COLORREF background) : dc_(nullptr) {
    BITMAPINFO info = TopDownInfo(width, height);
    bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_.reset(new ScopedMemoryDC(nullptr));
    old_ = ::SelectObject(dc_->Get(), bitmap_);
    RECT all = {0, 0, width, height};
    HBRUSH brush = ::CreateSolidBrush(background);
    ::FillRect(dc_->Get(), &all, brush);
    ::DeleteObject(brush);
  }
  ~Canvas() {
    ::SelectObject(dc_->Get(), old_);
    ::DeleteObject(bitmap_);
  }
  HDC dc() const { return dc_->Get(); }
  COLORREF At(int x, int y) const { return ::GetPixel(dc_->Get(), x, y); }
  DRAWITEMSTRUCT Item(RECT rect) const {
    DRAWITEMSTRUCT item = {};
    item.hDC = dc();
    item.rcItem = rect;
    return item;
  }

 private:
  std::unique_ptr<ScopedMemoryDC> dc_;
  HBITMAP bitmap_ = nullptr;
  void* bits_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

// A 32-bit bitmap of one premultiplied colour.
HBITMAP SolidBitmap(int width, int height, BYTE r, BYTE g, BYTE b) {
  BITMAPINFO info = TopDownInfo(width, height);
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  auto* pixels = static_cast<DWORD*>(bits);
  for (int i = 0; i < width * height; ++i)
    pixels[i] = 0xFF000000u | (r << 16) | (g << 8) | b;
  return bitmap;
}

class ControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    parent_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 50, 50,
                                400, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent_);
  }
  void TearDown() override { ::DestroyWindow(parent_); }

  HWND AddButton(const wchar_t* text, int x = 10, int y = 10, int width = 100, int height = 40) {
    return ::CreateWindowExW(0, L"BUTTON", text, WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, x, y,
                             width, height, parent_, nullptr, nullptr, nullptr);
  }

  HWND parent_ = nullptr;
};

struct FrameCase {
  const char* name;
  bool blue;
  HoverButton::State state;
  COLORREF pen;
  COLORREF fill;
};

class ButtonFrameTest : public ControlsTest, public testing::WithParamInterface<FrameCase> {};

TEST_P(ButtonFrameTest, FrameAndFillFollowTheState) {
  HWND control = AddButton(L"");
  std::unique_ptr<HoverButton> button;
  if (GetParam().blue)
    button = std::make_unique<BlueButton>(control, std::vector<uint32_t>{0});
  else
    button = std::make_unique<GrayButton>(control, std::vector<uint32_t>{0});
  // Drive the state with the messages a mouse sends.
  if (GetParam().state == HoverButton::kPressed)
    ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  if (GetParam().state == HoverButton::kHover && button->state() == HoverButton::kNormal)
    ::SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  ASSERT_EQ(GetParam().state, button->state());

  Canvas canvas(100, 40, RGB(1, 2, 3));
  button->Paint(canvas.Item({0, 0, 100, 40}));
  EXPECT_EQ(GetParam().pen, canvas.At(0, 20));
  EXPECT_EQ(GetParam().fill, canvas.At(5, 20));
  EXPECT_EQ(GetParam().fill, canvas.At(50, 20));  // no text: frame only
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    ButtonFrameTest,
    testing::Values(FrameCase{"GrayPressed", false, HoverButton::kPressed, 0xAAAAAA, 0xBBBBBB},
                    FrameCase{"GrayHover", false, HoverButton::kHover, 0xAAAAAA, 0xDDDDDD},
                    FrameCase{"BluePressed", true, HoverButton::kPressed, 0xFF8400, 0xE67700},
                    FrameCase{"BlueHover", true, HoverButton::kHover, 0xFF8400, 0xE68A00}),
    [](const testing::TestParamInfo<FrameCase>& info) { return info.param.name; });

TEST_F(ControlsTest, BlueButtonFillIsTheBrandBlueAndItsTextWhite) {
  HWND control = AddButton(L"Install");
  BlueButton button(control, {0});
  ::SendMessageW(control, WM_MOUSELEAVE, 0, 0);
  if (button.state() != HoverButton::kNormal)
    GTEST_SKIP() << "the cursor rests on the button";
  Canvas canvas(100, 40, RGB(1, 2, 3));
  button.Paint(canvas.Item({0, 0, 100, 40}));
  EXPECT_EQ(RGB(0x01, 0x99, 0xFF), canvas.At(5, 20));
  int white = 0;
  for (int x = 20; x < 80; ++x) {
    for (int y = 10; y < 30; ++y)
      white += canvas.At(x, y) == RGB(255, 255, 255);
  }
  EXPECT_GT(white, 10);
}

TEST_F(ControlsTest, PressedButtonStaysPressedWhileTheMouseMoves) {
  HWND control = AddButton(L"Go");
  GrayButton button(control, {0});
  ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  ::SendMessageW(control, WM_MOUSEMOVE, MK_LBUTTON, 0);
  EXPECT_EQ(HoverButton::kPressed, button.state());
  // Released: hovered or normal by where the cursor is.
  ::SendMessageW(control, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(button.IsHovered() ? HoverButton::kHover : HoverButton::kNormal, button.state());
}

// Mended: the control outlives its element and keeps working.
TEST_F(ControlsTest, ButtonGetsItsOwnProcedureBackFromADeadElement) {
  HWND control = AddButton(L"Text");
  const LONG_PTR original = ::GetWindowLongPtrW(control, GWLP_WNDPROC);
  {
    GrayButton button(control, {0});
    EXPECT_NE(original, ::GetWindowLongPtrW(control, GWLP_WNDPROC));
  }
  EXPECT_EQ(original, ::GetWindowLongPtrW(control, GWLP_WNDPROC));
  wchar_t text[10] = {};
  EXPECT_EQ(4, ::GetWindowTextW(control, text, 10));
}

TEST_F(ControlsTest, DestroyedControlIsForgottenByItsElement) {
  HWND control = AddButton(L"Text");
  GrayButton button(control, {0});
  ::DestroyWindow(control);
  EXPECT_EQ(nullptr, button.hwnd());
}

struct CenterCase {
  const char* name;
  int bitmap_width;
  int bitmap_height;
  RECT inside;   // drawn in the bitmap's colour
  POINT outside; // left as the background
};

class DrawBitmapCenteredTest : public testing::TestWithParam<CenterCase> {};

TEST_P(DrawBitmapCenteredTest, PlacesTheBitmapInTheItem) {
  Canvas canvas(60, 40, RGB(255, 255, 255));
  HBITMAP bitmap = SolidBitmap(GetParam().bitmap_width, GetParam().bitmap_height, 10, 20, 30);
  DrawBitmapCentered(canvas.Item({10, 10, 40, 30}), bitmap);
  ::DeleteObject(bitmap);
  const RECT& in = GetParam().inside;
  EXPECT_EQ(RGB(10, 20, 30), canvas.At(in.left, in.top));
  EXPECT_EQ(RGB(10, 20, 30), canvas.At(in.right - 1, in.bottom - 1));
  EXPECT_EQ(RGB(255, 255, 255), canvas.At(GetParam().outside.x, GetParam().outside.y));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    DrawBitmapCenteredTest,
    testing::Values(
        // 30 x 20 item at (10, 10).
        CenterCase{"SmallerIsCentred", 10, 10, {20, 15, 30, 25}, {19, 15}},
        CenterCase{"SameSizeAtTheOrigin", 30, 20, {10, 10, 40, 30}, {40, 30}},
        // Mended: a larger bitmap is clipped to the item, nothing spills out.
        CenterCase{"LargerIsClipped", 50, 40, {10, 10, 40, 30}, {45, 20}}),
    [](const testing::TestParamInfo<CenterCase>& info) { return info.param.name; });

TEST(ImageUtilsTest, PngResourceDecodesWithItsAlpha) {
  HBITMAP bitmap = LoadPngResource(MAKEINTRESOURCEW(500), L"PNG");
  ASSERT_TRUE(bitmap);
  const SIZE size = GetBitmapSize(bitmap);
  EXPECT_EQ(4, size.cx);
  EXPECT_EQ(2, size.cy);
  BITMAPINFO info = TopDownInfo(4, 2);
  DWORD pixels[8] = {};
  HDC screen = ::GetDC(nullptr);
  ASSERT_EQ(2, ::GetDIBits(screen, bitmap, 0, 2, pixels, &info, DIB_RGB_COLORS));
  ::ReleaseDC(nullptr, screen);
  ::DeleteObject(bitmap);
  EXPECT_EQ(0xFFFF0000u, pixels[0]);      // opaque red
  EXPECT_EQ(0x80u, pixels[1] >> 24);      // half-transparent
  EXPECT_EQ(0x00000000u, pixels[2]);      // transparent
  EXPECT_EQ(0xFF00FF00u, pixels[3]);      // opaque green
  EXPECT_EQ(0xFFFFFFFFu, pixels[4]);
}

TEST(ImageUtilsTest, MissingPngIsNullAndLeavesGdiPlusUsable) {
  EXPECT_EQ(nullptr, LoadPngResource(MAKEINTRESOURCEW(501), L"PNG"));
  EXPECT_EQ(nullptr, CreateStreamFromResource(MAKEINTRESOURCEW(501), L"PNG"));
  HBITMAP again = LoadPngResource(MAKEINTRESOURCEW(500), L"PNG");
  EXPECT_TRUE(again);
  ::DeleteObject(again);
}

TEST_F(ControlsTest, ElementsShowOnlyInTheirLayouts) {
  HWND plain = AddButton(L"a");
  HWND offer = AddButton(L"b");
  HWND offer_button = AddButton(L"c");
  UiElement element(plain, {LAYOUT_WELCOME, LAYOUT_OPTIONS});
  ConditionalElement conditional(offer);
  ConditionalButton conditional_button(offer_button);
  struct Row {
    uint32_t layout;
    bool shown;
    bool plain, offer;
  };
  for (const Row& row : {Row{LAYOUT_OPTIONS, false, true, false},
                         Row{LAYOUT_PROGRESS, false, false, false},
                         Row{LAYOUT_ERROR, false, false, false},
                         Row{LAYOUT_ERROR, true, false, true},
                         Row{LAYOUT_WELCOME, true, true, false}}) {
    conditional.SetShown(row.shown);
    conditional_button.SetShown(row.shown);
    for (UiElement* e : std::vector<UiElement*>{&element, &conditional, &conditional_button})
      e->Update(row.layout);
    EXPECT_EQ(row.plain, !!::IsWindowVisible(plain)) << row.layout;
    EXPECT_EQ(row.offer, !!::IsWindowVisible(offer)) << row.layout << row.shown;
    EXPECT_EQ(row.offer, !!::IsWindowVisible(offer_button)) << row.layout << row.shown;
  }
}

TEST_F(ControlsTest, TextLabelGrowsWithWrapping) {
  HWND control = ::CreateWindowExW(0, L"STATIC", L"short", WS_CHILD | WS_VISIBLE, 10, 10, 120, 20,
                                   parent_, nullptr, nullptr, nullptr);
  TextLabel label(control, {0});
  const SIZE one_line = label.GetSize();
  EXPECT_EQ(120, one_line.cx);
  EXPECT_GT(one_line.cy, 0);
  ::SetWindowTextW(control, L"a much longer text that cannot fit on a single line of this label");
  EXPECT_GE(label.GetSize().cy, 2 * one_line.cy);
  EXPECT_EQ(L"a much longer text that cannot fit on a single line of this label", label.GetText());
}

// A word longer than the label's width takes the lines it is broken into
// when the static breaks words (SS_EDITCONTROL), else the one it overflows.
TEST_F(ControlsTest, TextLabelMeasuresLongWordsAsItDrawsThem) {
  const wchar_t kText[] = L"one averyveryverylongwordthatcannotfitasingleline two";
  struct Row {
    LONG style;
    int min_lines;
    int max_lines;
  };
  HWND measure = ::CreateWindowExW(0, L"STATIC", L"one", WS_CHILD | WS_VISIBLE, 10, 10, 60, 20,
                                   parent_, nullptr, nullptr, nullptr);
  const LONG line = TextLabel(measure, {0}).GetSize().cy;
  ASSERT_GT(line, 0);
  for (const Row& row : {Row{0, 3, 3}, Row{SS_EDITCONTROL, 5, 20}}) {
    HWND control = ::CreateWindowExW(0, L"STATIC", kText, WS_CHILD | WS_VISIBLE | row.style, 10,
                                     40, 60, 20, parent_, nullptr, nullptr, nullptr);
    const LONG height = TextLabel(control, {0}).GetSize().cy;
    EXPECT_GE(height, row.min_lines * line) << row.style;
    EXPECT_LE(height, row.max_lines * line) << row.style;
  }
}

TEST_F(ControlsTest, ElementGeometryIsInParentCoordinates) {
  UiElement element(AddButton(L"x", 10, 10, 100, 40), {0});
  element.SetBounds(20, 30, 80, 50);
  RECT rect = element.GetRectInParent();
  EXPECT_EQ(20, rect.left);
  EXPECT_EQ(30, rect.top);
  EXPECT_EQ(60, element.GetWindowSize().cx);
  element.MoveTo(5, 6);
  rect = element.GetRectInParent();
  EXPECT_EQ(5, rect.left);
  EXPECT_EQ(6, rect.top);
  EXPECT_EQ(20, element.GetWindowSize().cy);
}

TEST_F(ControlsTest, ImageButtonShowsTheBitmapOfItsState) {
  HWND control = AddButton(L"", 10, 10, 40, 40);
  ImageButton button(control, {0}, SolidBitmap(10, 10, 1, 1, 1), SolidBitmap(12, 12, 2, 2, 2),
                     SolidBitmap(14, 14, 3, 3, 3));
  ::SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(14, button.GetSize().cx);
  Canvas canvas(40, 40, RGB(255, 255, 255));
  button.Paint(canvas.Item({0, 0, 40, 40}));
  EXPECT_EQ(RGB(3, 3, 3), canvas.At(20, 20));
}

TEST_F(ControlsTest, BitmapElementTakesOwnershipAndSizesToTheBitmap) {
  BitmapElement element(AddButton(L""), {0});
  EXPECT_EQ(0, element.GetSize().cx);
  element.SetBitmap(SolidBitmap(7, 9, 0, 0, 0));
  EXPECT_EQ(7, element.GetSize().cx);
  EXPECT_EQ(9, element.GetSize().cy);
}

}  // namespace
}  // namespace velta
