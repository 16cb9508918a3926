// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_reporting.h"

#include <windows.h>

#include <list>
#include <memory>
#include <string_view>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process_wide.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_client.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_info_block.h"
#include "crash_reporter/crash_key_table.h"
#include "crash_reporter/crash_keys.h"
#include "crash_reporter/crash_reporter_process.h"
#include "crash_reporter/crash_role_hooks.h"
#include "crash_reporter/crash_role_switches.h"
#include "crash_reporter/fallback_handler.h"
#include "desktop/windows/installer/common/product/named_urls.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

constexpr DWORD kLaunchWaitMs = 2000;
constexpr DWORD kCallbackFilterFlag = 0x1;
// How long a client waits for its crash handler to be ready.
constexpr DWORD kHandlerWaitMs = 10000;

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

// Crash keys kept as simple annotations of the crash-info block, where the
// crash handler reads them.
class AnnotationCrashKeys : public CrashKeyImplementation {
 public:
  CrashKey* Allocate(const char* name, size_t value_size) override {
    keys_.push_back(CrashKey{name, value_size});
    return &keys_.back();
  }
  void Set(CrashKey* key, std::string_view value) override {
    SimpleStringDictionary* dictionary = GetCrashpadInfo()->simple_annotations;
    if (!dictionary || !key->name)
      return;
    const size_t limit = key->value_size == 0 ? 0 : key->value_size - 1;
    dictionary->SetKeyValue(key->name, value.substr(0, Utf8PrefixLength(value, limit)));
  }
  void Clear(CrashKey* key) override {
    SimpleStringDictionary* dictionary = GetCrashpadInfo()->simple_annotations;
    if (dictionary && key->name)
      dictionary->RemoveKey(key->name);
  }

 private:
  std::list<CrashKey> keys_;
};

// Starts the crash handler for this process and connects to it. The
// handler's options: the report folder, the upload address
// (VELTA_CRASH_SERVER_URL, else the named crash collector) and the crash
// counter file. False when there is no report folder or no handler.
bool StartCrashpadClient(const base::FilePath& handler, const std::string& process_type) {
  base::FilePath database;
  if (!GetCrashDumpDirectory(&database))
    return false;
  std::string url = GetEnvironmentUtf8(GetCrashEnvVarName("CRASH_SERVER_URL"));
  if (url.empty())
    url = GetNamedUrl("crash_collector");

  base::FilePath count_file;
  GetCrashCountFilePath(&count_file);
  const uint32_t handler_id =
      LaunchCrashHandler(handler, database, base::UTF8ToWide(url), count_file,
                         CrashHandlerClient::kProcess);
  if (handler_id == 0)
    return false;
  InstallerCrashReporterClient::GetInstance()->set_handler_process_id(handler_id);

  InitializeCrashpadInfo(true);
  SetRestartCommandLine(nullptr);
  SetCrashCounterName(process_type.empty() ? "browser" : process_type);
  SetCrashKeyImplementation(std::make_unique<AnnotationCrashKeys>());
  return ConnectCrashClient(kCrashHandlerPipePrefix + std::to_wstring(handler_id), handler_id,
                            nullptr, 0, GetCrashpadInfo());
}

}  // namespace

uint32_t LaunchCrashHandler(const base::FilePath& handler, const base::FilePath& database,
                            const std::wstring& url, const base::FilePath& count_file,
                            CrashHandlerClient client) {
  base::CommandLine command_line(handler);
  command_line.AppendSwitchASCII(kProcessTypeSwitch, kCrashpadHandlerType);
  command_line.AppendArg("/prefetch:7");
  command_line.AppendSwitchPath(kHandlerDatabaseSwitch, database);
  command_line.AppendSwitchNative(kHandlerUrlSwitch, url);
  if (!count_file.empty())
    command_line.AppendSwitchPath(kHandlerCrashCountFileSwitch, count_file);
  command_line.AppendSwitchASCII(kHandlerInitialClientSwitch,
                                 std::to_string(::GetCurrentProcessId()));
  if (client == CrashHandlerClient::kCrashHandler)
    command_line.AppendSwitch(kHandlerMonitorSwitch);

  const std::wstring ready_name =
      kCrashHandlerReadyEventPrefix + std::to_wstring(::GetCurrentProcessId());
  base::win::ScopedHandle ready(::CreateEventW(nullptr, TRUE, FALSE, ready_name.c_str()));
  if (!ready.IsValid())
    return 0;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring text = command_line.GetCommandLineString();
  if (!::CreateProcessW(nullptr, text.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &info)) {
    return 0;
  }
  ::CloseHandle(info.hThread);
  base::win::ScopedHandle process(info.hProcess);
  const HANDLE handles[] = {ready.Get(), process.Get()};
  if (::WaitForMultipleObjects(2, handles, FALSE, kHandlerWaitMs) != WAIT_OBJECT_0)
    return 0;
  return info.dwProcessId;
}

bool ConnectToCrashHandler(uint32_t handler_id) {
  return ConnectCrashClient(kCrashHandlerPipePrefix + std::to_wstring(handler_id), handler_id,
                            nullptr, 0, GetCrashpadInfo());
}

// static
InstallerCrashReporterClient* InstallerCrashReporterClient::GetInstance() {
  return base::ProcessWide<InstallerCrashReporterClient>::GetOrCreate<
      InstallerCrashReporterClient>();
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
  CrashRoleHooks::GetInstance()->OnRoleStarting();
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
  // It carries this process's own arguments and more: it may not fit.
  if (!base::CommandLineFitsLaunch(command_line_text) ||
      !::CreateProcessW(nullptr, command_line_text.data(), nullptr, nullptr, FALSE, 0, nullptr,
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
      if (StartCrashpadClient(reporter, process_type))
        SetInitialCrashKeys(process_type, true);
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
