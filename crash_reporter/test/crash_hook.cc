// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/test/crash_hook.h"

#include <windows.h>

#include <stdio.h>

#include <string>

#include "base/process_wide.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_role_hooks.h"
#include "crash_reporter/crt_handlers.h"

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

// Calls its pure Run from the constructor, through a pointer the compiler
// cannot see through, so the call goes to __cxa_pure_virtual.
class PureCaller {
 public:
  PureCaller() {
    PureCaller* volatile self = this;
    self->Run();
  }
  virtual ~PureCaller() = default;
  virtual void Run() = 0;
};

class PureCallee : public PureCaller {
 public:
  void Run() override {}
};

void ReportInvalidParameter() {
  using Report = void(__cdecl*)(const wchar_t*, const wchar_t*, const wchar_t*, unsigned int,
                                uintptr_t);
  using Setter = velta::InvalidParameterHandler(__cdecl*)(velta::InvalidParameterHandler);
  const auto report = base::win::GetFunction<Report>(L"msvcrt.dll", "_invalid_parameter");
  if (report && base::win::GetFunction<Setter>(L"msvcrt.dll", "_set_invalid_parameter_handler")) {
    report(L"kTestExpression", L"ReportInvalidParameter", L"crash_hook.cc", 42, 0);
  } else if (const velta::InvalidParameterHandler handler = velta::GetInvalidParameterHandler()) {
    handler(L"kTestExpression", L"ReportInvalidParameter", L"crash_hook.cc", 42, 0);
  }
}

// Gives the process named by kProcessWatcherVariable a handle of this
// process, which keeps it open to that watcher after its end.
void HandOverToProcessWatcher() {
  unsigned watcher_id = 0;
  if (!base::StringToUint(base::WideToUTF8(GetVariable(kProcessWatcherVariable)), &watcher_id))
    return;
  base::win::ScopedHandle watcher(::OpenProcess(PROCESS_DUP_HANDLE, FALSE, watcher_id));
  HANDLE handed_over = nullptr;
  if (watcher.IsValid()) {
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), watcher.Get(), &handed_over,
                      SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0);
  }
}

class TestCrashRoleHooks : public velta::CrashRoleHooks {
 public:
  void OnRoleStarting() override { HandOverToProcessWatcher(); }
  void OnRoleReady(const char* role) override { CrashIfAskedFor(role); }
};

// The crash roles run before any test code, from the test main: the hooks
// are in place by then. Both live until the process ends, like the real
// instance.
const bool g_crash_role_hooks_set = [] {
  new base::ProcessWide<velta::CrashRoleHooks>::ScopedOverride(new TestCrashRoleHooks());
  return true;
}();

}  // namespace

void CrashIfAskedFor(std::string_view role) {
  std::string kind;
  for (const std::string& request :
       base::SplitString(base::WideToUTF8(GetVariable(kTestCrashVariable)), ",",
                         base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    const size_t colon = request.find(':');
    if (colon != std::string::npos && request.substr(0, colon) == role)
      kind = request.substr(colon + 1);
  }
  if (kind == "worker-access-violation") {
    HANDLE thread = ::CreateThread(nullptr, 0, &WriteToBadAddress, nullptr, 0, nullptr);
    if (thread)
      ::WaitForSingleObject(thread, INFINITE);
  } else if (kind == "breakpoint") {
    WriteReport(::GetCurrentThreadId(), 0);
    ::DebugBreak();
  } else if (kind == "pure-call") {
    WriteReport(::GetCurrentThreadId(), 0);
    PureCallee callee;
  } else if (kind == "invalid-parameter") {
    WriteReport(::GetCurrentThreadId(), 0);
    ReportInvalidParameter();
  } else if (kind == "stall") {
    ::Sleep(kTestStallSeconds * 1000);
  }
}

}  // namespace velta::test
