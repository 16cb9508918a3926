// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/utils.h"

#include <windows.h>

#include <string>

#include "gtest/gtest.h"

namespace velta {
namespace {

TEST(FormatSystemErrorMessageTest, GivesOneLineEnglishTextAndTheCode) {
  std::string text = FormatSystemErrorMessage(ERROR_ACCESS_DENIED);
  // Windows says "Access is denied.", Wine "Access denied.".
  EXPECT_EQ(0u, text.find("Access ")) << text;
  EXPECT_EQ("denied. (0x5)", text.substr(text.size() - 13)) << text;
  EXPECT_EQ(std::string::npos, text.find_first_of("\r\n\t")) << text;
  EXPECT_NE(' ', text.front());
  EXPECT_EQ(std::string::npos, text.find("  ")) << text;
}

TEST(FormatSystemErrorMessageTest, PrintsLargeCodesInUpperCaseHex) {
  std::string text = FormatSystemErrorMessage(0x80070005u);
  EXPECT_EQ(" (0x80070005)", text.substr(text.size() - 13)) << text;
}

TEST(FormatSystemErrorMessageTest, NamesBothCodesWhenTheSystemHasNoText) {
  std::string text = FormatSystemErrorMessage(0x2FFFFFFu);
  EXPECT_EQ(0u, text.find("Error (0x")) << text;
  EXPECT_NE(std::string::npos, text.find(") while retrieving error. (0x2FFFFFF)")) << text;
}

}  // namespace
}  // namespace velta
