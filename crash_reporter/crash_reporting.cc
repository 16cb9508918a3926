// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_reporting.h"

#include <windows.h>

#include <memory>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/path_service.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_client.h"
#include "crash_reporter/crash_key_table.h"
#include "crash_reporter/crash_keys.h"
#include "crash_reporter/crash_reporter_process.h"
#include "crash_reporter/crash_role_switches.h"
#include "crash_reporter/fallback_handler.h"
#include "desktop/windows/installer/common/product_constants.h"

namespace velta {
namespace {

constexpr DWORD kLaunchWaitMs = 2000;
constexpr DWORD kCallbackFilterFlag = 0x1;

bool ConnectToCrashReporter() {
  static bool connected = false;
  if (connected)
    return false;
  const uint32_t reporter = InstallerCrashReporterClient::GetInstance()->reporter_process_id();
  const std::wstring pipe_name = kCrashReporterPipePrefix + std::to_wstring(reporter);
  auto table = std::make_unique<CrashKeyTable>();
  const CrashKeyEntry* entries = table->entries();
  SetCrashKeyImplementation(std::move(table));
  connected = ConnectCrashClient(pipe_name, reporter, entries, CrashKeyTable::kEntryCount);
  if (!connected)
    SetCrashKeyImplementation(nullptr);
  return connected;
}

}  // namespace

// static
InstallerCrashReporterClient* InstallerCrashReporterClient::GetInstance() {
  static InstallerCrashReporterClient* const client = new InstallerCrashReporterClient();
  return client;
}

bool IsCrashReporterProcess(const base::CommandLine& command_line) {
  return command_line.HasSwitch(kCrashReporterParentIdSwitch) ||
         command_line.GetSwitchValueASCII(kProcessTypeSwitch) == kCrashpadHandlerType;
}

bool IsFallbackHandlerProcess(const base::CommandLine& command_line) {
  return command_line.HasSwitch(kCrashReporterExceptionInfoSwitch) ||
         command_line.GetSwitchValueASCII(kProcessTypeSwitch) == kFallbackHandlerType;
}

bool RunCrashRoleIfAsked(const base::CommandLine& command_line, uint32_t* exit_code) {
  const bool is_fallback = IsFallbackHandlerProcess(command_line);
  if (!is_fallback && !IsCrashReporterProcess(command_line))
    return false;
  InstallFallbackExceptionHandlers();
  *exit_code = is_fallback ? RunFallbackHandlerProcess(command_line)
                           : RunCrashReporterProcess(command_line);
  return true;
}

void EnableCrashingOnCrashes() {
  using GetPolicyFunction = BOOL(WINAPI*)(DWORD*);
  using SetPolicyFunction = BOOL(WINAPI*)(DWORD);
  const auto get_policy = base::win::GetFunction<GetPolicyFunction>(
      L"kernel32.dll", "GetProcessUserModeExceptionPolicy");
  const auto set_policy = base::win::GetFunction<SetPolicyFunction>(
      L"kernel32.dll", "SetProcessUserModeExceptionPolicy");
  DWORD flags = 0;
  if (get_policy && set_policy && get_policy(&flags))
    set_policy(flags & ~kCallbackFilterFlag);
}

CrashReporterLaunch LaunchCrashReporter(const base::FilePath& reporter) {
  InstallerCrashReporterClient::GetInstance()->set_reporter_process_id(0);
  base::CommandLine command_line(reporter);
  command_line.AppendArguments(*base::CommandLine::ForCurrentProcess(), false);
  command_line.AppendSwitchASCII(kCrashReporterParentIdSwitch,
                                 std::to_string(::GetCurrentProcessId()));

  const std::wstring event_name =
      kCrashReporterInitEventPrefix + std::to_wstring(::GetCurrentProcessId());
  base::win::ScopedHandle init_event(::CreateEventW(nullptr, TRUE, FALSE, event_name.c_str()));
  if (!init_event.IsValid())
    return CrashReporterLaunch::kFailed;

  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring command_line_text = command_line.GetCommandLineString();
  if (!::CreateProcessW(nullptr, command_line_text.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
    return CrashReporterLaunch::kFailed;
  }
  ::CloseHandle(info.hThread);
  base::win::ScopedHandle process(info.hProcess);

  CrashReporterLaunch result = CrashReporterLaunch::kFailed;
  const HANDLE handles[] = {init_event.Get(), process.Get()};
  const DWORD waited = ::WaitForMultipleObjects(2, handles, FALSE, kLaunchWaitMs);
  if (waited == WAIT_OBJECT_0) {
    result = CrashReporterLaunch::kReady;
  } else if (waited == WAIT_OBJECT_0 + 1) {
    DWORD exit_code = 0;
    if (::GetExitCodeProcess(process.Get(), &exit_code)) {
      if (exit_code == kCrashReporterUseCrashHandler)
        result = CrashReporterLaunch::kUseCrashHandler;
      else if (exit_code == kCrashReportingDisabled)
        result = CrashReporterLaunch::kDisabled;
    }
  }
  if (result == CrashReporterLaunch::kReady)
    InstallerCrashReporterClient::GetInstance()->set_reporter_process_id(info.dwProcessId);
  return result;
}

void InitCrashReporting(const std::string& process_type) {
  if (GetBuildNumber() < 0)
    return;
  base::FilePath reporter;
  if (!base::PathService::Get(base::FILE_EXE, &reporter))
    return;
  switch (LaunchCrashReporter(reporter)) {
    case CrashReporterLaunch::kReady:
      if (ConnectToCrashReporter())
        SetInitialCrashKeys(process_type, false);
      break;
    case CrashReporterLaunch::kUseCrashHandler:
      // The crash handler road is not built yet (crash_reporter/TODO.md):
      // the process runs without crash reporting, as when no handler starts.
      break;
    case CrashReporterLaunch::kFailed:
    case CrashReporterLaunch::kDisabled:
      break;
  }
}

void StartCrashReporting(const std::string& process_type) {
  EnableCrashingOnCrashes();
  InitCrashReporting(process_type);
}

}  // namespace velta
