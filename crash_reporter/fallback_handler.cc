// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/fallback_handler.h"

#include <windows.h>

#include <stdlib.h>

#include <atomic>
#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/time/time.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/client_info_items.h"
#include "crash_reporter/crash_counter.h"
#include "crash_reporter/crash_log_folder.h"
#include "crash_reporter/crash_reporting.h"
#include "crash_reporter/crash_role_hooks.h"
#include "crash_reporter/crash_role_switches.h"
#include "crash_reporter/crash_upload.h"
#include "crash_reporter/crt_handlers.h"
#include "crash_reporter/minidump_writer.h"
#include "crash_reporter/parameters_map.h"
#include "desktop/windows/installer/common/utils.h"

namespace velta {
namespace {

constexpr wchar_t kExceptionEventPrefix[] = L"VeltaCrashReporterException";
constexpr wchar_t kLastCrashValue[] = L"Last crash in crash reporter";
constexpr DWORD kFallbackWaitMs = 20000;
// With the done event: long enough for a dump on a loaded machine, but a
// fallback handler that hangs before it says anything does not keep the
// crashed process alive for ever.
constexpr DWORD kFallbackDumpWaitMs = 5 * 60 * 1000;
constexpr uint64_t kTicksPerDay = 864000000000ULL;
constexpr uint64_t kPauseDays = 3;

// Read by the fallback handler at its address in this process.
ReporterExceptionBlock g_exception_block = {};
bool g_prepared = false;
std::wstring* g_fallback_command_line = nullptr;
HANDLE g_exception_event = nullptr;
// The crash handler road hands its fallback an inherited handle of itself.
bool g_fallback_inherits = false;
std::atomic<int> g_handling{0};

std::wstring ExceptionEventName(uint32_t process_id) {
  return kExceptionEventPrefix + std::to_wstring(process_id);
}

void LaunchFallbackHandlerAndWait() {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::wstring command_line = *g_fallback_command_line;
  if (!::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, g_fallback_inherits, 0,
                        nullptr, nullptr, &startup, &process)) {
    return;
  }
  ::CloseHandle(process.hThread);
  // The wait ends when the fallback handler says it is done (its dump is
  // written, or it gave up on it), or when it has ended without saying so
  // (it crashed, or had nothing to write); every road of the fallback
  // handler ends in one of the two. The limit is generous (5 minutes): a
  // dump takes about 2 s on an idle machine and more than 20 s on a loaded
  // one, and a process that ends before its dump is written cannot be
  // dumped at all.
  // (Without the event, which Prepare* always makes, the fallback's end
  // would come only after its upload: then 20 s at most.)
  HANDLE waits[] = {process.hProcess, g_exception_event};
  ::WaitForMultipleObjects(g_exception_event ? 2 : 1, waits, FALSE,
                           g_exception_event ? kFallbackDumpWaitMs : kFallbackWaitMs);
  ::CloseHandle(process.hProcess);
}

// Lets only the first crashing thread through; later ones stop for good.
void PassFirstCrashOnly() {
  int expected = 0;
  if (!g_handling.compare_exchange_strong(expected, 1)) {
    for (;;)
      ::SuspendThread(::GetCurrentThread());
  }
}

LONG WINAPI OnUnhandledReporterException(EXCEPTION_POINTERS* pointers) {
  PassFirstCrashOnly();
  if (!g_prepared)
    return EXCEPTION_EXECUTE_HANDLER;
  g_exception_block.thread_id = ::GetCurrentThreadId();
  g_exception_block.exception_pointers = reinterpret_cast<uintptr_t>(pointers);
  g_exception_block.assertion.kind = kAssertionKindException;
  LaunchFallbackHandlerAndWait();
  return EXCEPTION_EXECUTE_HANDLER;
}

// A report of the C runtime, handed to the fallback handler as an exception
// of `code` raised here; `record` is filled already.
[[noreturn]] void ReportAndExit(uint32_t code) {
  if (g_prepared) {
    g_exception_block.thread_id = ::GetCurrentThreadId();
    g_exception_block.exception_pointers = reinterpret_cast<uintptr_t>(
        CaptureReportException(code, __builtin_return_address(0)));
    LaunchFallbackHandlerAndWait();
  }
  exit(0);
}

void __cdecl OnReporterInvalidParameter(const wchar_t* expression, const wchar_t* function,
                                        const wchar_t* file, unsigned int line, uintptr_t) {
  PassFirstCrashOnly();
  FillInvalidParameterRecord(expression, function, file, line, &g_exception_block.assertion);
  ReportAndExit(kInvalidParameterExceptionCode);
}

void __cdecl OnReporterPureCall() {
  PassFirstCrashOnly();
  g_exception_block.assertion = AssertionRecord();
  g_exception_block.assertion.kind = kAssertionKindPureCall;
  ReportAndExit(kPureCallExceptionCode);
}

uint32_t HandleReporterException(const base::CommandLine& command_line) {
  unsigned process_id = 0;
  if (!base::StringToUint(command_line.GetSwitchValueASCII(kCrashReporterParentIdSwitch),
                          &process_id)) {
    return 1;
  }
  uint64_t block_address = 0;
  if (!base::StringToUint64(command_line.GetSwitchValueASCII(kCrashReporterExceptionInfoSwitch),
                            &block_address)) {
    SignalFallbackDone(process_id);
    return 1;
  }
  CrashRoleHooks::GetInstance()->OnRoleReady("fallback_handler");
  uint64_t days = 0;
  if (!GetDaysSinceLastReporterCrash(&days) || days < kPauseDays) {
    SignalFallbackDone(process_id);
    return 0;
  }
  InitCrashLogDirectory();
  // Without a counter file the count could only be dropped: no counter, and
  // no half second of final attempts before the dump.
  if (!GetReporterCrashCountFile().empty()) {
    CrashCounter counter(GetReporterCrashCountFile());
    counter.Increment(kCrashReporterProcessType);
  }
  base::FilePath temp;
  base::GetTempDir(&temp);
  const base::FilePath dump =
      temp.AppendASCII(MakeDumpFileName(NextDumpSequenceNumber()));
  if (!WriteDumpFromExceptionBlock(process_id, block_address, dump, kReporterDumpSizeLimit)) {
    SignalFallbackDone(process_id);
    return 1;
  }
  auto parameters = std::make_unique<WideParametersMap>();
  CollectParametersForCrashReporter(process_id, parameters.get(), true);
  SignalFallbackDone(process_id);
  SetUploadUrl();
  if (UploadCrashReport(dump, std::move(parameters), false))
    SetLastReporterCrashTime();
  base::DeleteFile(dump);
  return 0;
}

// The crash handler road's fallback: dumps the crashed handler (the
// inherited handle `process`) from its exception block at `exception-info`
// into the report folder and sends the dump with the crash reporter's
// parameters. No pause between reports on this road, and a client's size
// limit: a crash handler has more threads than the own reporter.
uint32_t RunCrashpadFallbackHandlerRole(const base::CommandLine& command_line) {
  unsigned handle_value = 0;
  if (!base::StringToUint(command_line.GetSwitchValueASCII(kFallbackProcessSwitch),
                          &handle_value)) {
    return 1;
  }
  const HANDLE process = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle_value));
  const DWORD process_id = ::GetProcessId(process);
  if (process_id == 0)
    return 1;
  CrashRoleHooks::GetInstance()->OnRoleReady("fallback_handler");
  InitCrashLogDirectory();
  if (!GetReporterCrashCountFile().empty()) {
    CrashCounter counter(GetReporterCrashCountFile());
    counter.Increment(kCrashReporterProcessType);
  }
  NarrowParametersMap parameters;
  CollectParametersForCrashReporter(process_id, &parameters, false);

  uint64_t block_address = 0;
  base::FilePath folder = command_line.GetSwitchValuePath(kHandlerDatabaseSwitch);
  if (folder.empty())
    base::GetTempDir(&folder);
  const base::FilePath dump = folder.AppendASCII(MakeDumpFileName(NextDumpSequenceNumber()));
  if (!base::StringToUint64(command_line.GetSwitchValueASCII(kFallbackExceptionInfoSwitch),
                            &block_address) ||
      !WriteDumpFromExceptionBlock(process_id, block_address, dump, kClientDumpSizeLimit)) {
    LOG(ERROR) << "No dump of the crash handler " << process_id;
    SignalFallbackDone(process_id);
    return 1;
  }
  SignalFallbackDone(process_id);
  auto wide = std::make_unique<WideParametersMap>();
  for (const auto& [key, value] : parameters.entries())
    wide->Set(key, value);
  SetUploadUrlTo(command_line.GetSwitchValueNative(kHandlerUrlSwitch));
  UploadCrashReport(dump, std::move(wide), false);
  return 0;
}

}  // namespace

void InstallFallbackExceptionHandlers() {
  static bool installed = false;
  if (installed)
    return;
  installed = true;
  ::SetUnhandledExceptionFilter(&OnUnhandledReporterException);
  SetCrtReportHandlers(&OnReporterInvalidParameter, &OnReporterPureCall);
}

void PrepareFallbackHandling() {
  if (g_prepared)
    return;
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH)
    return;
  g_exception_event = ::CreateEventW(nullptr, TRUE, FALSE,
                                     ExceptionEventName(::GetCurrentProcessId()).c_str());
  if (!g_exception_event)
    return;
  base::CommandLine command_line(base::FilePath(std::wstring(path, length)));
  command_line.AppendSwitchASCII(
      kCrashReporterExceptionInfoSwitch,
      base::NumberToString(static_cast<unsigned long long>(
          reinterpret_cast<uintptr_t>(&g_exception_block))));
  command_line.AppendSwitchASCII(kCrashReporterParentIdSwitch,
                                 base::NumberToString(::GetCurrentProcessId()));
  g_fallback_command_line = new std::wstring(command_line.GetCommandLineString());
  g_prepared = true;
}

void PrepareCrashpadFallbackHandling(const base::CommandLine& handler_command_line) {
  if (g_prepared)
    return;
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  HANDLE self = nullptr;
  if (length == 0 || length >= MAX_PATH ||
      !::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), &self,
                         PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, TRUE, 0)) {
    return;
  }
  g_exception_event = ::CreateEventW(nullptr, TRUE, FALSE,
                                     ExceptionEventName(::GetCurrentProcessId()).c_str());
  if (!g_exception_event) {
    ::CloseHandle(self);
    return;
  }
  base::CommandLine command_line(base::FilePath(std::wstring(path, length)));
  command_line.AppendSwitchASCII(kProcessTypeSwitch, kFallbackHandlerType);
  command_line.AppendSwitchASCII(
      kFallbackProcessSwitch,
      base::NumberToString(static_cast<unsigned>(reinterpret_cast<uintptr_t>(self))));
  command_line.AppendSwitchASCII(
      kFallbackExceptionInfoSwitch,
      base::NumberToString(static_cast<unsigned long long>(
          reinterpret_cast<uintptr_t>(&g_exception_block))));
  for (const char* name : {kHandlerDatabaseSwitch, kHandlerUrlSwitch}) {
    if (handler_command_line.HasSwitch(name))
      command_line.AppendSwitchNative(name, handler_command_line.GetSwitchValueNative(name));
  }
  g_fallback_command_line = new std::wstring(command_line.GetCommandLineString());
  g_fallback_inherits = true;
  g_prepared = true;
}

uint32_t RunFallbackHandlerProcess(const base::CommandLine& command_line) {
  if (command_line.HasSwitch(kCrashReporterExceptionInfoSwitch))
    return HandleReporterException(command_line);
  if (command_line.GetSwitchValueASCII(kProcessTypeSwitch) == kFallbackHandlerType)
    return RunCrashpadFallbackHandlerRole(command_line);
  return 1;
}

void SignalFallbackDone(uint32_t process_id) {
  base::win::ScopedHandle event(
      ::CreateEventW(nullptr, TRUE, FALSE, ExceptionEventName(process_id).c_str()));
  if (event.IsValid())
    ::SetEvent(event.Get());
}

bool GetDaysSinceLastReporterCrash(uint64_t* days) {
  base::win::RegKey key;
  if (key.Create(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(),
                 KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS) {
    return false;
  }
  uint64_t last = 0;
  DWORD size = sizeof(last);
  DWORD type = 0;
  const LONG result = key.ReadValue(kLastCrashValue, &last, &size, &type);
  if (result == ERROR_FILE_NOT_FOUND) {
    last = 0;
    if (key.WriteValue(kLastCrashValue, &last, sizeof(last), REG_QWORD) != ERROR_SUCCESS)
      return false;
  } else if (result != ERROR_SUCCESS || size != sizeof(last)) {
    return false;
  }
  const uint64_t now = base::Time::Now().ToFileTimeValue();
  if (last > now)
    return false;
  *days = (now - last) / kTicksPerDay;
  return true;
}

long SetLastReporterCrashTime() {
  base::win::RegKey key;
  const LONG result =
      key.Create(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(), KEY_SET_VALUE);
  if (result != ERROR_SUCCESS)
    return result;
  const uint64_t now = base::Time::Now().ToFileTimeValue();
  return key.WriteValue(kLastCrashValue, &now, sizeof(now), REG_QWORD);
}

}  // namespace velta
