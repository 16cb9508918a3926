// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/handler/crash_report_exception_handler.h"

#include <windows.h>

#include <psapi.h>
#include <stdio.h>
#include <string.h>

#include <optional>
#include <utility>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/time/time.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/client_info_items.h"
#include "crash_reporter/crash_counter.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_generation_server.h"
#include "crash_reporter/crash_log_folder.h"
#include "crash_reporter/crash_reporter_process.h"
#include "crash_reporter/crash_reporting.h"
#include "crash_reporter/crash_role_hooks.h"
#include "crash_reporter/crash_role_switches.h"
#include "crash_reporter/crash_upload.h"
#include "crash_reporter/fallback_handler.h"
#include "crash_reporter/minidump_writer.h"
#include "crash_reporter/parameters_map.h"
#include "crash_reporter/parent_process_watcher.h"
#include "crash_reporter/pending_work_counter.h"

namespace crashpad {
namespace {

using velta::TriState;

// The exit code for a client whose snapshot could not be taken.
constexpr uint32_t kSnapshotFailed = 0xFFFF7002;

bool ReadExactly(HANDLE process, uint64_t address, void* buffer, size_t size) {
  SIZE_T read = 0;
  return address &&
         ::ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)),
                             buffer, size, &read) &&
         read == size;
}

// The client's simple annotations, read out of its memory.
Annotations ReadAnnotations(HANDLE process, uint64_t dictionary_address) {
  Annotations annotations;
  auto dictionary = std::make_unique<velta::SimpleStringDictionary>();
  if (!ReadExactly(process, dictionary_address, dictionary.get(), sizeof(*dictionary)))
    return annotations;
  return ReadSimpleAnnotations(*dictionary);
}

void Put(Annotations* annotations, const char* key, uint64_t value) {
  (*annotations)[key] = base::NumberToString(static_cast<unsigned long long>(value));
}

}  // namespace

void FilterSimpleAnnotations(Annotations* annotations, const std::string& key,
                             std::string* value) {
  const auto found = annotations->find(key);
  if (found == annotations->end())
    return;
  *value = found->second;
  annotations->erase(found);
}

std::vector<std::string> GatherRestartArguments(Annotations* annotations) {
  std::vector<std::string> arguments;
  for (auto it = annotations->begin(); it != annotations->end();) {
    if (velta::ParseRestartAnnotation(&arguments, it->first, it->second))
      it = annotations->erase(it);
    else
      ++it;
  }
  return arguments;
}

void AddTimeAndMemoryAnnotations(void* process, int64_t start_seconds, int64_t crash_seconds,
                                 Annotations* annotations) {
  (*annotations)["StartupTime"] = base::NumberToString(static_cast<long long>(start_seconds));
  (*annotations)["CrashTime"] = base::NumberToString(static_cast<long long>(crash_seconds));
  (*annotations)["CrashUptime"] =
      base::NumberToString(static_cast<long long>(crash_seconds - start_seconds));

  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof(memory);
  if (process && ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                        sizeof(memory))) {
    Put(annotations, "process_private_usage", memory.PrivateUsage);
    Put(annotations, "process_peak_private_usage", memory.PeakPagefileUsage);
    Put(annotations, "process_working_set_size", memory.WorkingSetSize);
    Put(annotations, "process_peak_working_set_size", memory.PeakWorkingSetSize);
  }
  if (const std::optional<velta::ProcessVirtualMemory> virtual_memory =
          velta::GetProcessVirtualMemory(process)) {
    Put(annotations, "process_virtual_usage", virtual_memory->virtual_size);
    Put(annotations, "process_peak_virtual_usage", virtual_memory->peak_virtual_size);
  }
  MEMORYSTATUSEX status = {};
  status.dwLength = sizeof(status);
  if (::GlobalMemoryStatusEx(&status)) {
    Put(annotations, "mem_physical_total", status.ullTotalPhys);
    Put(annotations, "mem_physical_avail", status.ullAvailPhys);
    Put(annotations, "mem_page_file_total", status.ullTotalPageFile);
    Put(annotations, "mem_page_file_avail", status.ullAvailPageFile);
  }
}

std::string SerializeAnnotations(const Annotations& annotations) {
  std::string text;
  for (const auto& [key, value] : annotations) {
    text += key;
    text.push_back('\0');
    text += value;
    text.push_back('\0');
  }
  return text;
}

void RestartHandler::Set(bool restart, std::wstring command_line) {
  restart_ = restart;
  command_line_ = std::move(command_line);
}

void RestartHandler::Restart() const {
  if (!restart_ || command_line_.empty())
    return;
  // Built from what the crashed client asked for.
  if (!base::CommandLineFitsLaunch(command_line_))
    return;
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::wstring command_line = command_line_;
  if (::CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
  }
}

CrashReportExceptionHandler::CrashReportExceptionHandler(base::FilePath database,
                                                         base::FilePath count_file, bool keep_logs)
    : database_(std::move(database)), keep_logs_(keep_logs) {
  if (!count_file.empty())
    counter_ = std::make_unique<velta::CrashCounter>(count_file);
}

CrashReportExceptionHandler::~CrashReportExceptionHandler() = default;

uint32_t CrashReportExceptionHandler::ExceptionHandlerServerException(
    const velta::ClientDumpRequest& request, RestartHandler* restart_handler) {
  const HANDLE process = request.process;
  const uint32_t exit_code = velta::ReadClientExceptionCode(process, request.exception_pointers_address);
  if (exit_code == 0)
    return kSnapshotFailed;

  velta::CrashpadInfo block = {};
  CrashpadInfoClientOptions options;
  const bool has_block = ReadExactly(process, request.crash_info_address, &block, sizeof(block)) &&
                         ReadCrashpadOptions(reinterpret_cast<const uint8_t*>(&block),
                                             sizeof(block), &options);
  if (options.crashpad_handler_behavior == TriState::kDisabled) {
    LOG(INFO) << "Crash handling is disabled for client " << request.process_id;
    return exit_code;
  }

  Annotations annotations;
  if (has_block)
    annotations = ReadAnnotations(process, reinterpret_cast<uintptr_t>(block.simple_annotations));
  FILETIME creation, exit_time, kernel, user;
  const base::Time crash_time = base::Time::Now();
  base::Time start_time = crash_time;
  if (::GetProcessTimes(process, &creation, &exit_time, &kernel, &user))
    start_time = base::Time::FromFileTime(creation);
  AddTimeAndMemoryAnnotations(process, velta::ToUnixSeconds(start_time),
                              velta::ToUnixSeconds(crash_time), &annotations);

  // Restart step: the entries leave the dump whatever the client asked.
  const std::vector<std::string> arguments = GatherRestartArguments(&annotations);
  if (restart_handler) {
    const bool restart = options.restart == TriState::kEnabled;
    restart_handler->Set(restart,
                         restart ? velta::BuildRestartCommandLine(arguments) : std::wstring());
  }
  // Crash-count step.
  std::string name;
  FilterSimpleAnnotations(&annotations, velta::GetCrashCounterNameKey(), &name);
  if (counter_)
    counter_->Increment(name.empty() ? velta::GetDefaultCrashCounterName() : name);

  const std::string crash_info = SerializeAnnotations(annotations);
  const base::FilePath dump =
      database_.AppendASCII(velta::MakeDumpFileName(velta::NextDumpSequenceNumber()));
  if (!velta::WriteDumpForClient(request.process_id, request.thread_id_address,
                                 request.exception_pointers_address, request.assertion_address,
                                 dump, velta::kClientDumpSizeLimit, &crash_info)) {
    LOG(ERROR) << "WriteEverything failed";
    return exit_code;
  }
  auto parameters = std::make_unique<velta::WideParametersMap>();
  for (const auto& [key, value] : annotations)
    parameters->Set(key, value);
  velta::UploadCrashReportAsync(dump, std::move(parameters), !keep_logs_);
  return exit_code;
}

namespace {

// The options a caller gives the handler; "--monitoring-handler" is the
// handler's own, for the second handler it starts.
constexpr char kUsage[] =
    "Usage: %ls --type=crashpad-handler [OPTION]...\n"
    "Write and upload the crash reports of the processes that connect.\n"
    "\n"
    "      --database=PATH         store the crash dump database at PATH\n"
    "      --crash-count-file=PATH store number of crashes at PATH\n"
    "      --initial-client-pid=PID\n"
    "                              serve the process PID first, and end when it has\n"
    "                              ended and all work is done\n"
    "      --monitor-self          run a second handler for this handler's own crashes\n"
    "      --url=URL               send crash reports to URL\n"
    "      --help                  display this help and exit\n";

// "--monitor-self": a second handler, with the same report folder, address
// and counter file, serves this handler's own crashes as those of a crash
// reporter. Without it (or when it does not start) the fallback handler
// stays this handler's last resort.
void StartSelfMonitor(const base::CommandLine& command_line) {
  base::FilePath executable;
  if (!base::PathService::Get(base::FILE_EXE, &executable))
    return;
  const uint32_t monitor = velta::LaunchCrashHandler(
      executable, command_line.GetSwitchValuePath(velta::kHandlerDatabaseSwitch),
      command_line.GetSwitchValueNative(velta::kHandlerUrlSwitch),
      command_line.GetSwitchValuePath(velta::kHandlerCrashCountFileSwitch),
      velta::CrashHandlerClient::kCrashHandler);
  if (monitor == 0) {
    LOG(ERROR) << "The monitoring crash handler did not start";
    return;
  }
  velta::InitializeCrashpadInfo(false);
  velta::SetCrashCounterName(velta::kCrashReporterProcessType);
  // The monitor sends this handler's crash as a crash reporter's, with what
  // the fallback role would send (ptype, product, version); it adds the
  // times and memory figures of the crash itself.
  velta::NarrowParametersMap parameters;
  velta::CollectParametersForCrashReporter(::GetCurrentProcessId(), &parameters, false);
  for (const auto& [key, value] : parameters.entries())
    velta::GetCrashpadInfo()->simple_annotations->SetKeyValue(key, value);
  if (!velta::ConnectToCrashHandler(monitor))
    LOG(ERROR) << "Cannot connect to the monitoring crash handler " << monitor;
}

}  // namespace

uint32_t RunCrashpadHandlerRole(const base::CommandLine& command_line) {
  if (command_line.HasSwitch(velta::kHandlerHelpSwitch)) {
    printf(kUsage, command_line.GetProgram().BaseName().value().c_str());
    fflush(stdout);
    return 0;
  }
  velta::PrepareCrashpadFallbackHandling(command_line);
  velta::InitCrashReporterLogging();
  const base::FilePath database = command_line.GetSwitchValuePath(velta::kHandlerDatabaseSwitch);
  unsigned client_id = 0;
  if (database.empty() ||
      !base::StringToUint(command_line.GetSwitchValueASCII(velta::kHandlerInitialClientSwitch),
                          &client_id)) {
    LOG(ERROR) << "The crash handler has no report folder or no client";
    return 1;
  }
  velta::SetUploadUrlTo(command_line.GetSwitchValueNative(velta::kHandlerUrlSwitch));
  if (!velta::GetPendingWorkCounter().Init())
    return 1;
  velta::ParentProcessWatcher watcher(&velta::GetPendingWorkCounter());
  if (!watcher.Start(client_id))
    return 1;
  base::win::ScopedHandle ready(::OpenEventW(
      EVENT_MODIFY_STATE, FALSE,
      (velta::kCrashHandlerReadyEventPrefix + std::to_wstring(client_id)).c_str()));
  if (!ready.IsValid())
    return 1;

  uint32_t result = 1;
  {
    CrashReportExceptionHandler handler(
        database, command_line.GetSwitchValuePath(velta::kHandlerCrashCountFileSwitch),
        velta::GetEnvBool(velta::GetCrashEnvVarName("CRASH_KEEP_LOGS"), false));
    velta::CrashGenerationServer server(
        velta::kCrashHandlerPipePrefix + std::to_wstring(::GetCurrentProcessId()), nullptr,
        [&handler](const velta::ClientDumpRequest& request) {
          velta::GetPendingWorkCounter().Increment();
          RestartHandler restart;
          const uint32_t exit_code = handler.ExceptionHandlerServerException(request, &restart);
          ::TerminateProcess(request.process, exit_code);
          restart.Restart();
          velta::GetPendingWorkCounter().Decrement();
          return true;
        });
    if (server.Start()) {
      ::SetEvent(ready.Get());
      ready.Close();
      if (command_line.HasSwitch(velta::kHandlerMonitorSelfSwitch))
        StartSelfMonitor(command_line);
      velta::CrashRoleHooks::GetInstance()->OnRoleReady(
          command_line.HasSwitch(velta::kHandlerMonitorSwitch) ? "crashpad_handler_monitor"
                                                               : "crashpad_handler");
      velta::GetPendingWorkCounter().WaitUntilIdle();
      result = 0;
    }
  }
  return result;
}

}  // namespace crashpad
