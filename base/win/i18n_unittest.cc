// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/i18n.h"

#include "gtest/gtest.h"

namespace base::win::i18n {
namespace {

TEST(I18nTest, PreferredLanguagesAreNamesWithoutRepeats) {
  std::vector<std::wstring> languages;
  ASSERT_TRUE(GetThreadPreferredUILanguageList(&languages));
  ASSERT_FALSE(languages.empty());
  for (size_t i = 0; i < languages.size(); ++i) {
    EXPECT_FALSE(languages[i].empty());
    EXPECT_EQ(std::wstring::npos, languages[i].find(L'\0'));
    for (size_t j = 0; j < i; ++j)
      EXPECT_NE(languages[i], languages[j]);
  }
}

}  // namespace
}  // namespace base::win::i18n
