// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/get_function.h"

#include <windows.h>

#include <dbghelp.h>
#include <winhttp.h>

#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

// Declared for the look-ups below and defined nowhere: naming a function in
// BASE_WIN_GET_FUNCTION or BASE_WIN_LAZY_CALL must not need its definition.
extern "C" BOOL WINAPI VeltaNoSuchFunction(DWORD value);
extern "C" HANDLE WINAPI VeltaNoSuchHandleFunction(DWORD value);

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

TEST(GetFunctionTest, LazyCallCallsTheFunctionWithConvertedArguments) {
  // NULL and 0 convert to the declared pointer and integer parameters as in a
  // direct call.
  HINTERNET session = BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpOpen)(
      L"test", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  ASSERT_NE(nullptr, session);
  EXPECT_TRUE(BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpCloseHandle)(session));
  // A failure of the function itself comes back as it is, with its error.
  ::SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpCloseHandle)(nullptr));
  EXPECT_NE(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), ::GetLastError());
}

TEST(GetFunctionTest, LazyCallOfAMissingFunctionOrLibraryFailsLikeTheFunction) {
  ::SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(BASE_WIN_LAZY_CALL(L"kernel32.dll", VeltaNoSuchFunction)(1));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), ::GetLastError());

  ::SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(nullptr, BASE_WIN_LAZY_CALL(L"kernel32.dll", VeltaNoSuchHandleFunction)(1));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), ::GetLastError());

  ::SetLastError(ERROR_SUCCESS);
  EXPECT_FALSE(BASE_WIN_LAZY_CALL(L"velta_no_such_library.dll", VeltaNoSuchFunction)(1));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), ::GetLastError());
}

TEST(GetFunctionTest, ManyThreadsLookUpTheSameFunctionAtOnce) {
  // Every thread waits on one event, so the first look-up at this call site
  // and the loading of the library race.
  HANDLE start = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(nullptr, start);
  constexpr int kThreads = 16;
  std::vector<GenericFunction> found(kThreads);
  std::vector<BOOL> called(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      ::WaitForSingleObject(start, INFINITE);
      found[i] =
          reinterpret_cast<GenericFunction>(BASE_WIN_GET_FUNCTION(L"dbghelp.dll", SymCleanup));
      called[i] = BASE_WIN_LAZY_CALL(L"winhttp.dll", WinHttpCheckPlatform)();
    });
  }
  ::SetEvent(start);
  for (std::thread& thread : threads)
    thread.join();
  ::CloseHandle(start);
  ASSERT_NE(nullptr, found[0]);
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(found[0], found[i]) << i;
    EXPECT_EQ(called[0], called[i]) << i;
  }
}

}  // namespace
}  // namespace base::win
