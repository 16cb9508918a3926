// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_reporter_process.h"

#include <windows.h>

#include <sddl.h>

#include <memory>
#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/client_info_items.h"
#include "crash_reporter/crash_counter.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_generation_server.h"
#include "crash_reporter/crash_log_folder.h"
#include "crash_reporter/crash_reporting.h"
#include "crash_reporter/crash_reporting_settings.h"
#include "crash_reporter/crash_role_hooks.h"
#include "crash_reporter/crash_role_switches.h"
#include "crash_reporter/crash_upload.h"
#include "crash_reporter/fallback_handler.h"
#include "crash_reporter/handler/crash_report_exception_handler.h"
#include "crash_reporter/minidump_writer.h"
#include "crash_reporter/parameters_map.h"
#include "crash_reporter/parent_process_watcher.h"
#include "crash_reporter/pending_work_counter.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

// A low mandatory label with no-write-up: low-integrity clients may connect.
constexpr wchar_t kLowIntegritySddl[] = L"S:(ML;;NW;;;S-1-16-4096)";

struct DumpContext {
  CrashCounter* counter;
  bool keep_logs;
};

}  // namespace

void InitCrashReporterLogging() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
  const std::wstring name =
      base::UTF8ToWide(FormatWithProductName("%s_crashreporter.log", true));
  logging::LoggingSettings settings;
  std::wstring path;
  if (length == 0 || length > MAX_PATH || length + name.size() >= 262) {
    settings.logging_dest = logging::LOG_TO_SYSTEM_DEBUG_LOG;
  } else {
    path = std::wstring(temp, length) + name;
    settings.logging_dest = logging::LOG_TO_FILE;
    settings.log_file_path = path.c_str();
    settings.lock_log = logging::LOCK_LOG_FILE;
    settings.delete_old = logging::DELETE_OLD_LOG_FILE;
  }
  logging::InitLogging(settings);
  logging::SetMinLogLevel(logging::LOG_INFO);
}

namespace {

bool OnClientDumpRequest(const DumpContext& context, const ClientDumpRequest& request) {
  GetPendingWorkCounter().Increment();
  const ClientInfoItems items(request.entries.data(), request.entries.size());
  const std::wstring process_type = items.Get("ptype");
  if (!process_type.empty())
    context.counter->Increment(base::WideToUTF8(process_type));
  const base::FilePath dump(base::UTF8ToWide(MakeDumpFileName(NextDumpSequenceNumber())));
  LOG(INFO) << "Writing the dump of client " << request.process_id << " to " << dump.value();
  const bool written = WriteDumpForClient(request.process_id, request.thread_id_address,
                                          request.exception_pointers_address,
                                          request.assertion_address, dump, kClientDumpSizeLimit);
  if (written) {
    auto parameters = std::make_unique<WideParametersMap>();
    CollectParametersForClient(request.process, items, parameters.get());
    UploadCrashReportAsync(dump, std::move(parameters), !context.keep_logs);
  } else {
    LOG(ERROR) << "No dump of client " << request.process_id;
  }
  GetPendingWorkCounter().Decrement();
  return written;
}

uint32_t RunOwnCrashReporter(const base::CommandLine& command_line) {
  PrepareFallbackHandling();
  unsigned parent_id = 0;
  if (!base::StringToUint(command_line.GetSwitchValueASCII(kCrashReporterParentIdSwitch),
                          &parent_id)) {
    return kCrashReporterFailed;
  }
  InitCrashReporterLogging();
  SetUploadUrl();
  if (!GetPendingWorkCounter().Init())
    return kCrashReporterFailed;
  ParentProcessWatcher watcher(&GetPendingWorkCounter());
  if (!watcher.Start(parent_id)) {
    LOG(ERROR) << "Cannot watch the parent process " << parent_id;
    return kCrashReporterFailed;
  }
  base::win::ScopedHandle init_event(::OpenEventW(
      EVENT_MODIFY_STATE, FALSE, (kCrashReporterInitEventPrefix + std::to_wstring(parent_id)).c_str()));
  if (!init_event.IsValid()) {
    LOG(ERROR) << "Cannot open the init event of process " << parent_id;
    return kCrashReporterFailed;
  }
  if (!base::SetCurrentDirectory(GetCrashLogDirectory())) {
    LOG(ERROR) << "Cannot enter the crash log folder " << GetCrashLogDirectory().value();
    return kCrashReporterFailed;
  }

  PSECURITY_DESCRIPTOR descriptor = nullptr;
  SECURITY_ATTRIBUTES attributes = {};
  SECURITY_ATTRIBUTES* pipe_security = nullptr;
  BOOL has_sacl = FALSE;
  BOOL defaulted = FALSE;
  PACL sacl = nullptr;
  if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(kLowIntegritySddl, SDDL_REVISION_1,
                                                             &descriptor, nullptr) &&
      ::GetSecurityDescriptorSacl(descriptor, &has_sacl, &sacl, &defaulted) && has_sacl) {
    attributes.nLength = sizeof(attributes);
    attributes.lpSecurityDescriptor = descriptor;
    attributes.bInheritHandle = FALSE;
    pipe_security = &attributes;
  }

  uint32_t result = kCrashReporterFailed;
  {
    const bool keep_logs = GetEnvBool(GetCrashEnvVarName("CRASH_KEEP_LOGS"), false);
    CrashCounter counter(GetReporterCrashCountFile());
    const DumpContext context{&counter, keep_logs};
    const std::wstring pipe_name =
        kCrashReporterPipePrefix + std::to_wstring(::GetCurrentProcessId());
    CrashGenerationServer server(pipe_name, pipe_security,
                                 [&context](const ClientDumpRequest& request) {
                                   return OnClientDumpRequest(context, request);
                                 });
    if (server.Start()) {
      LOG(INFO) << "Serving crashes of process " << parent_id;
      ::SetEvent(init_event.Get());
      init_event.Close();
      CrashRoleHooks::GetInstance()->OnRoleReady("crash_reporter");
      GetPendingWorkCounter().WaitUntilIdle();
      result = kCrashReporterServed;
    } else {
      LOG(ERROR) << "The crash pipe server did not start";
    }
  }
  if (descriptor)
    ::LocalFree(descriptor);
  return result;
}

}  // namespace

uint32_t RunCrashReporterProcess(const base::CommandLine& command_line) {
  if (!InitCrashLogDirectory())
    return kCrashReporterFailed;
  ReadCrashReportingSettings(GetLocalStateFile());
  if (!IsCrashReportingEnabled())
    return kCrashReportingDisabled;
  if (command_line.HasSwitch(kCrashReporterParentIdSwitch)) {
    if (IsCrashpadEnabled())
      return kCrashReporterUseCrashHandler;
    return RunOwnCrashReporter(command_line);
  }
  if (command_line.GetSwitchValueASCII(kProcessTypeSwitch) == kCrashpadHandlerType)
    return crashpad::RunCrashpadHandlerRole(command_line);
  return kCrashReporterFailed;
}

}  // namespace velta
