// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/get_function.h"

#include <windows.h>

#include "gtest/gtest.h"

namespace base::win {
namespace {

TEST(GetFunctionTest, FindsAFunctionAndCallsItWithItsDeclaredType) {
  auto get_current_process_id = BASE_WIN_GET_FUNCTION(L"kernel32.dll", GetCurrentProcessId);
  ASSERT_NE(nullptr, get_current_process_id);
  EXPECT_EQ(::GetCurrentProcessId(), get_current_process_id());
}

TEST(GetFunctionTest, MissingFunctionOrLibraryIsNull) {
  EXPECT_EQ(nullptr, GetFunctionAddress(L"kernel32.dll", "VeltaNoSuchFunction"));
  EXPECT_EQ(nullptr, GetFunctionAddress(L"velta_no_such_library.dll", "Anything"));
}

TEST(GetFunctionTest, LoadsASystemLibraryThatIsNotLoadedYet) {
  // version.dll is linked into nothing the tests start with.
  auto get_size = GetFunction<decltype(&::GetFileVersionInfoSizeW)>(
      L"version.dll", "GetFileVersionInfoSizeW");
  ASSERT_NE(nullptr, get_size);
  wchar_t kernel32[MAX_PATH];
  ASSERT_NE(0u, ::GetSystemDirectoryW(kernel32, MAX_PATH));
  std::wstring path = std::wstring(kernel32) + L"\\kernel32.dll";
  DWORD ignored = 0;
  EXPECT_GT(get_size(path.c_str(), &ignored), 0u);
}

}  // namespace
}  // namespace base::win
