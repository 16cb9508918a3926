// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/scoped_module.h"

#include <windows.h>

#include <utility>

#include "gtest/gtest.h"

namespace base::win {
namespace {

// A library the test binary does not load by itself: whether the scoper
// freed it shows in whether the process still has it.
constexpr wchar_t kLibrary[] = L"dbghelp.dll";

TEST(ScopedModuleTest, FreesTheLibraryItLoadedOnce) {
  if (::GetModuleHandleW(kLibrary))
    GTEST_SKIP() << "The library is already loaded in this process";
  {
    ScopedModule first(::LoadLibraryW(kLibrary));
    ASSERT_TRUE(first.IsValid());
    ScopedModule second(std::move(first));
    EXPECT_TRUE(::GetModuleHandleW(kLibrary));
  }
  EXPECT_FALSE(::GetModuleHandleW(kLibrary));
}

}  // namespace
}  // namespace base::win
