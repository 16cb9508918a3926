// Copyright 2026 Velta Software. All rights reserved.

// The host executable's window resources, read from the built installer.exe.

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "desktop/windows/installer/ui/controls/image_utils.h"
#include "desktop/windows/installer/ui/installer_window_elements.h"
#include "desktop/windows/installer/ui/terms_text.h"
#include "gtest/gtest.h"
#include "host/resource_ids.h"
#include "testing/host_resources.h"

namespace velta {
namespace {

class HostResourcesTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(resources_.module()); }

  test::ScopedHostResources resources_;
  const HMODULE host_ = resources_.module();
};

struct ImageCase {
  int id;
  int width;
  int height;
  bool has_clear_parts = true;
};

void PrintTo(const ImageCase& c, std::ostream* os) {
  *os << "PNG " << c.id;
}

class HostImagesTest : public HostResourcesTest, public testing::WithParamInterface<ImageCase> {};

// Each image decodes, has its size, and carries per-pixel alpha: some of it
// is transparent, some opaque.
TEST_P(HostImagesTest, DecodesWithItsSizeAndAlpha) {
  HBITMAP bitmap = LoadPngResource(MAKEINTRESOURCEW(GetParam().id), L"PNG", host_);
  ASSERT_TRUE(bitmap) << GetParam().id;
  const SIZE size = GetBitmapSize(bitmap);
  EXPECT_EQ(GetParam().width, size.cx);
  EXPECT_EQ(GetParam().height, size.cy);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size.cx;
  info.bmiHeader.biHeight = -size.cy;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::basic_string<DWORD> pixels(size.cx * size.cy, 0);
  HDC screen = ::GetDC(nullptr);
  ASSERT_EQ(size.cy, ::GetDIBits(screen, bitmap, 0, size.cy, pixels.data(), &info, DIB_RGB_COLORS));
  ::ReleaseDC(nullptr, screen);
  ::DeleteObject(bitmap);
  bool opaque = false;
  bool clear = false;
  for (DWORD pixel : pixels) {
    opaque = opaque || (pixel >> 24) == 0xFF;
    clear = clear || (pixel >> 24) < 0x80;
  }
  EXPECT_TRUE(opaque) << GetParam().id;
  EXPECT_EQ(GetParam().has_clear_parts, clear) << GetParam().id;
}

INSTANTIATE_TEST_SUITE_P(
    Images,
    HostImagesTest,
    testing::Values(ImageCase{IDR_PNG_BACKGROUND, 640, 400, false}, ImageCase{IDR_PNG_LOGO_CLASSIC, 64, 64},
                    ImageCase{IDR_PNG_LOGO_SIMPLIFIED, 56, 56}, ImageCase{IDR_PNG_ERROR_MARK, 32, 32},
                    ImageCase{IDR_PNG_FEATURE_TRACKERS, 32, 32}, ImageCase{IDR_PNG_FEATURE_SYNC, 32, 32},
                    ImageCase{IDR_PNG_FEATURE_CUSTOMISATION, 32, 32},
                    ImageCase{IDR_PNG_FEATURE_READING_LIST, 32, 32}, ImageCase{IDR_PNG_SLIDE_0, 240, 150, false},
                    ImageCase{IDR_PNG_SLIDE_3, 240, 150, false}, ImageCase{IDR_PNG_LEFT_PICTURE, 254, 396},
                    ImageCase{IDR_PNG_CLOSE_NORMAL, 16, 16}, ImageCase{IDR_PNG_CLOSE_PRESSED, 16, 16}));

TEST_F(HostResourcesTest, TermsHaveWindowsLineEndsAndNothingPastTheResource) {
  const std::wstring terms = LoadTermsText(host_);
  ASSERT_FALSE(terms.empty());
  EXPECT_EQ(0u, terms.find(L"VELTA TERMS OF SERVICE\r\n"));
  EXPECT_EQ(std::wstring::npos, terms.find(L'\0'));
  for (size_t i = 0; i < terms.size(); ++i) {
    if (terms[i] == L'\n') {
      EXPECT_EQ(L'\r', terms[i - 1]) << i;
    }
  }
  // The resource's last line ends the text.
  EXPECT_TRUE(terms.ends_with(L"the\r\nlaw allows.\r\n"));
}

TEST(TermsTextTest, MissingResourceIsEmpty) {
  // A system library carries no terms.
  EXPECT_EQ(L"", LoadTermsText(::GetModuleHandleW(L"kernel32.dll")));
}

// One control of a dialog template: its window class and style.
struct TemplateControl {
  std::wstring window_class;
  DWORD style = 0;
};

// Reads the controls of DIALOGEX template `id` of `module` by id; false when
// the template is missing or not an extended one.
bool ReadDialogTemplate(HMODULE module, int id, DWORD* dialog_style,
                        std::map<int, TemplateControl>* controls) {
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const auto* words = loaded ? static_cast<const WORD*>(::LockResource(loaded)) : nullptr;
  if (!words || words[0] != 1 || words[1] != 0xFFFF)
    return false;
  const auto dword_at = [](const WORD* at) { return at[0] | (static_cast<DWORD>(at[1]) << 16); };
  // A name or ordinal: 0, 0xFFFF and a number, or a NUL-terminated string.
  const auto skip_name = [](const WORD*& at, std::wstring* name) {
    if (*at == 0xFFFF) {
      if (name)
        *name = L"#" + std::to_wstring(at[1]);
      at += 2;
      return;
    }
    std::wstring text;
    while (*at)
      text.push_back(static_cast<wchar_t>(*at++));
    ++at;
    // The resource compiler writes a predefined class by name or by atom.
    if (_wcsicmp(text.c_str(), L"Button") == 0)
      text = L"#128";
    else if (_wcsicmp(text.c_str(), L"Edit") == 0)
      text = L"#129";
    else if (_wcsicmp(text.c_str(), L"Static") == 0)
      text = L"#130";
    else if (_wcsicmp(text.c_str(), L"ComboBox") == 0)
      text = L"#133";
    if (name)
      *name = text;
  };
  *dialog_style = dword_at(words + 6);
  const WORD count = words[8];
  const WORD* at = words + 13;
  skip_name(at, nullptr);  // menu
  skip_name(at, nullptr);  // class
  skip_name(at, nullptr);  // title
  if (*dialog_style & DS_SETFONT) {
    at += 3;  // point size, weight, italic and charset
    skip_name(at, nullptr);
  }
  for (WORD i = 0; i < count; ++i) {
    at = reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(at) + 3) & ~uintptr_t{3});
    TemplateControl control;
    control.style = dword_at(at + 4);
    const int control_id = static_cast<int>(dword_at(at + 10));
    at += 12;
    skip_name(at, &control.window_class);
    skip_name(at, nullptr);
    at = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(at + 1) + *at);
    (*controls)[control_id] = control;
  }
  return true;
}

// What a kind of element needs of its control.
bool ControlSuits(ElementKind kind, const TemplateControl& control) {
  switch (kind) {
    case ElementKind::kBitmap:
      return control.window_class == L"#130" && (control.style & SS_TYPEMASK) == SS_OWNERDRAW;
    case ElementKind::kTextLabel:
      return control.window_class == L"#130";
    case ElementKind::kRichStatic:
      return control.window_class == L"RICHEDIT50W";
    case ElementKind::kBlueButton:
    case ElementKind::kGrayButton:
    case ElementKind::kImageButton:
    case ElementKind::kInteractiveInstallButton:
    case ElementKind::kConditionalButton:
      return control.window_class == L"#128" && (control.style & BS_TYPEMASK) == BS_OWNERDRAW;
    case ElementKind::kSettingsFlag:
      return control.window_class == L"#128" && (control.style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
    default:
      return true;
  }
}

class WindowTemplateTest : public HostResourcesTest,
                           public testing::WithParamInterface<ElementRow> {};

// Every element the window makes finds a control of its kind in the
// template of each variant that has it, and the child pages are children.
TEST_P(WindowTemplateTest, HoldsTheElementsControl) {
  const ElementRow& row = GetParam();
  std::vector<int> templates;
  if (row.dialog != 0) {
    templates.push_back(row.dialog);
  } else {
    if (row.variant != ElementVariant::kClassic)
      templates.push_back(IDD_INSTALLER_SIMPLIFIED);
    if (row.variant != ElementVariant::kSimplified)
      templates.push_back(IDD_INSTALLER_CLASSIC);
  }
  for (int dialog : templates) {
    DWORD style = 0;
    std::map<int, TemplateControl> controls;
    ASSERT_TRUE(ReadDialogTemplate(host_, dialog, &style, &controls)) << dialog;
    const DWORD kind = row.dialog == 0 ? WS_POPUP : WS_CHILD;
    EXPECT_EQ(kind, style & (WS_POPUP | WS_CHILD)) << dialog;
    if (row.kind == ElementKind::kOptionsPage || row.kind == ElementKind::kSurveyPage) {
      std::map<int, TemplateControl> page;
      ASSERT_TRUE(ReadDialogTemplate(host_, row.control, &style, &page));
      EXPECT_EQ(static_cast<DWORD>(WS_CHILD), style & (WS_POPUP | WS_CHILD));
      continue;
    }
    const auto control = controls.find(row.control);
    ASSERT_NE(controls.end(), control) << dialog;
    EXPECT_TRUE(ControlSuits(row.kind, control->second)) << dialog;
  }
}

INSTANTIATE_TEST_SUITE_P(Elements,
                         WindowTemplateTest,
                         testing::ValuesIn(GetWindowElementTable().begin(),
                                           GetWindowElementTable().end()),
                         [](const testing::TestParamInfo<ElementRow>& info) {
                           return std::to_string(info.index) + "_" +
                                  std::to_string(info.param.control);
                         });

// The pages' controls that the window fills and reads, by their classes.
TEST_F(HostResourcesTest, PagesHoldTheirControls) {
  struct Expected {
    int dialog;
    int control;
    const wchar_t* window_class;
  };
  const Expected expected[] = {
      {IDD_OPTIONS, IDC_LANGUAGE_LIST, L"#133"},      {IDD_OPTIONS, IDC_INSTALL_TYPE_LIST, L"#133"},
      {IDD_OPTIONS, IDC_FOLDER_COMBO, L"#133"},       {IDD_OPTIONS, IDC_CHANGE_FOLDER_BUTTON, L"#128"},
      {IDD_OPTIONS, IDC_DEFAULT_BROWSER_CHECK, L"#128"}, {IDD_OPTIONS, IDC_IMPORT_DATA_CHECK, L"#128"},
      {IDD_OPTIONS, IDC_SEND_STATS_CHECK, L"#128"},   {IDD_OPTIONS, IDC_LANGUAGE_LABEL, L"#130"},
      {IDD_OPTIONS, IDC_INSTALL_FOR_LABEL, L"#130"},  {IDD_OPTIONS, IDC_INSTALL_PATH_LABEL, L"#130"},
      {IDD_SURVEY, IDC_SURVEY_QUESTION, L"#130"},     {IDD_SURVEY, IDC_SURVEY_ALL_FINE, L"#128"},
      {IDD_SURVEY, IDC_SURVEY_NOT_CONVINCED, L"#128"}, {IDD_SURVEY, IDC_SURVEY_QUALITY, L"#128"},
      {IDD_SURVEY, IDC_SURVEY_VIDEO, L"#128"},        {IDD_SURVEY, IDC_SURVEY_SLOW, L"#128"},
      {IDD_SURVEY, IDC_SURVEY_OTHER, L"#128"},        {IDD_SURVEY, IDC_SURVEY_DESCRIPTION, L"#129"},
  };
  for (const Expected& e : expected) {
    DWORD style = 0;
    std::map<int, TemplateControl> controls;
    ASSERT_TRUE(ReadDialogTemplate(host_, e.dialog, &style, &controls)) << e.dialog;
    ASSERT_TRUE(controls.count(e.control)) << e.control;
    EXPECT_EQ(e.window_class, controls[e.control].window_class) << e.control;
  }
}

}  // namespace
}  // namespace velta
