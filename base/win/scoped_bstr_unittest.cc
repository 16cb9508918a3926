// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_bstr.h"

#include <windows.h>
#include <oleauto.h>

#include <utility>

#include "gtest/gtest.h"

namespace base::win {
namespace {

TEST(ScopedBstrTest, HoldsEmbeddedNulsAndWorksAsAnOutParameter) {
  ScopedBstr text(std::wstring_view(L"a\0b", 3));
  EXPECT_EQ(3u, text.Length());
  EXPECT_EQ(6u, text.ByteLength());
  EXPECT_EQ(0, wmemcmp(L"a\0b", text.Get(), 3));

  ASSERT_EQ(S_OK, ::VarBstrFromI4(1603, LOCALE_INVARIANT, 0, text.Receive()));
  EXPECT_STREQ(L"1603", text.Get());

  ScopedBstr moved(std::move(text));
  EXPECT_EQ(nullptr, text.Get());
  EXPECT_EQ(0u, text.Length());
  BSTR owned = moved.Release();
  EXPECT_EQ(nullptr, moved.Get());
  EXPECT_STREQ(L"1603", owned);
  ::SysFreeString(owned);
}

}  // namespace
}  // namespace base::win
