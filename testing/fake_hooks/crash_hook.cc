// Copyright 2026 Velta Software. All rights reserved.

#include "testing/fake_hooks/crash_hook.h"

#include <windows.h>

#include <stdio.h>

#include <string>

#include "base/strings/utf_string_conversions.h"

namespace velta::test {
namespace {

std::wstring GetVariable(const wchar_t* name) {
  wchar_t value[1024];
  const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
  return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring();
}

void WriteReport(DWORD thread_id, uintptr_t address) {
  const std::wstring path = GetVariable(kTestCrashReportVariable);
  if (path.empty())
    return;
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file)
    return;
  fprintf(file, "thread=%lu\naddress=0x%llx\n", static_cast<unsigned long>(thread_id),
          static_cast<unsigned long long>(address));
  fclose(file);
}

DWORD WINAPI WriteToBadAddress(void*) {
  WriteReport(::GetCurrentThreadId(), kTestCrashAddress);
  *reinterpret_cast<volatile int*>(static_cast<uintptr_t>(kTestCrashAddress)) = 42;
  return 0;
}

}  // namespace

void CrashIfAskedFor(std::string_view role) {
  const std::string request = base::WideToUTF8(GetVariable(kTestCrashVariable));
  const size_t colon = request.find(':');
  if (colon == std::string::npos || request.substr(0, colon) != role)
    return;
  const std::string kind = request.substr(colon + 1);
  if (kind == "worker-access-violation") {
    HANDLE thread = ::CreateThread(nullptr, 0, &WriteToBadAddress, nullptr, 0, nullptr);
    if (thread)
      ::WaitForSingleObject(thread, INFINITE);
  } else if (kind == "breakpoint") {
    WriteReport(::GetCurrentThreadId(), 0);
    ::DebugBreak();
  }
}

}  // namespace velta::test
