// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/product_info.h"

#include "base/process_wide.h"
#include "base/strings/string_number_conversions.h"
#include "base/version.h"
#include "desktop/windows/installer/common/product/named_urls.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

TEST(ProductConstantsTest, IdentityOfThisBuild) {
  EXPECT_EQ("marlin", GetChannelName());
  EXPECT_EQ("Veltamarlin", GetBrandAndChannel());
  EXPECT_EQ("Velta marlin", GetBrandAndChannelSpaced());
  EXPECT_EQ("Velta marlin Internet Browser", GetFullProductName());
  EXPECT_EQ(2u, ProductInfo::GetInstance()->GetStream());
}

TEST(ProductConstantsTest, InternalVersionIsLastTwoNumbers) {
  const base::Version version(GetProductVersion());
  ASSERT_EQ(4u, version.components().size()) << GetProductVersion();
  EXPECT_EQ(base::NumberToString(version.components()[2]) + "." +
                base::NumberToString(version.components()[3]),
            GetInternalVersion());
}

TEST(ProductConstantsTest, FormatWithProductName) {
  EXPECT_EQ("velta_installer", FormatWithProductName("%s_installer", true));
  EXPECT_EQ("Velta installer starting - version ",
            FormatWithProductName("%s installer starting - version ", false));
  EXPECT_EQ(L"Velta Installer", GetInstallerFolderName());
}

TEST(NamedUrlsTest, KeysMatchExactly) {
  EXPECT_EQ("https://www.velta.example/", GetNamedUrl("homepage"));
  EXPECT_EQ("", GetNamedUrl("Homepage"));
  EXPECT_EQ("", GetNamedUrl("no_such_page"));
  EXPECT_EQ("https://crashstats.velta.example/reports/submit", GetNamedUrl("crash_collector"));
  EXPECT_EQ(0u, GetNamedUrl("geolocation_privacy").find("http://"));
}

class GraniteProductInfo : public ProductInfo {
 public:
  uint32_t GetStream() const override { return static_cast<uint32_t>(Stream::kGranite); }
};

TEST(ProductInfoTest, ShortcutFileNameIgnoresDisplayNameOutsideGranite) {
  EXPECT_EQ(L"Velta marlin.lnk", ProductInfo::GetInstance()->GetShortcutFileName(L"Anything"));
  GraniteProductInfo granite;
  base::ProcessWide<ProductInfo>::ScopedOverride override_product_info(&granite);
  EXPECT_EQ(L"Velta Browser.lnk", ProductInfo::GetInstance()->GetShortcutFileName(L"Velta Browser"));
}

}  // namespace
}  // namespace velta
