// Copyright 2026 Velta Software. All rights reserved.

// The host executable's window resources, read from the built installer.exe.

#include <windows.h>

#include <string>

#include "desktop/windows/installer/ui/controls/image_utils.h"
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
                    ImageCase{IDR_PNG_LOGO_SIMPLIFIED, 80, 80}, ImageCase{IDR_PNG_ERROR_MARK, 32, 32},
                    ImageCase{IDR_PNG_FEATURE_TRACKERS, 32, 32}, ImageCase{IDR_PNG_FEATURE_SYNC, 32, 32},
                    ImageCase{IDR_PNG_FEATURE_CUSTOMISATION, 32, 32},
                    ImageCase{IDR_PNG_FEATURE_READING_LIST, 32, 32}, ImageCase{IDR_PNG_SLIDE_0, 240, 150, false},
                    ImageCase{IDR_PNG_SLIDE_3, 240, 150, false}, ImageCase{IDR_PNG_LEFT_PICTURE, 256, 400},
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
  // The test binary itself carries no terms.
  EXPECT_EQ(L"", LoadTermsText());
}

}  // namespace
}  // namespace velta
