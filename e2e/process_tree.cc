// Copyright 2026 Velta Software. All rights reserved.

#include "e2e/process_tree.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/process/process.h"
#include "base/strings/string_util.h"
#include "base/win/get_function.h"
#include "crash_reporter/test/crash_hook.h"

namespace velta::test {
namespace {

constexpr wchar_t kWineDebugger[] = L"winedbg.exe";

// Sets the variables of `changes` in this process (an empty value removes
// one) and puts the earlier values back when it goes, so that a child
// started in between inherits the changes.
class ScopedEnvironmentChanges {
 public:
  explicit ScopedEnvironmentChanges(const base::EnvironmentMap& changes) {
    for (const auto& [name, value] : changes) {
      saved_.emplace_back(name, Get(name));
      ::SetEnvironmentVariableW(name.c_str(), value.empty() ? nullptr : value.c_str());
    }
  }
  ~ScopedEnvironmentChanges() {
    for (const auto& [name, value] : saved_)
      ::SetEnvironmentVariableW(name.c_str(), value ? value->c_str() : nullptr);
  }

 private:
  static std::optional<std::wstring> Get(const std::wstring& name) {
    const DWORD size = ::GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (size == 0)
      return std::nullopt;
    std::wstring value(size, L'\0');
    value.resize(::GetEnvironmentVariableW(name.c_str(), value.data(), size));
    return value;
  }

  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;
};

// Parent, name and, once ended, exit code of a held process.
void Describe(WatchedProcess* process) {
  const HANDLE handle = process->handle.Get();
  if (process->name.empty()) {
    wchar_t path[MAX_PATH];
    DWORD size = MAX_PATH;
    if (::QueryFullProcessImageNameW(handle, 0, path, &size))
      process->name = base::FilePath(std::wstring(path, size)).BaseName().value();
  }
  if (process->parent == 0) {
    static const auto query = BASE_WIN_GET_FUNCTION(L"ntdll.dll", NtQueryInformationProcess);
    PROCESS_BASIC_INFORMATION information = {};
    if (query && query(handle, ProcessBasicInformation, &information, sizeof(information),
                       nullptr) >= 0) {
      process->parent = static_cast<DWORD>(information.InheritedFromUniqueProcessId);
    }
  }
  DWORD exit_code = 0;
  if (process->ended && ::GetExitCodeProcess(handle, &exit_code))
    process->exit_code = exit_code;
}

// Opens `process` by its id when it is not held yet: possible while it runs,
// or after its end while someone (its crash hook's handle) keeps it.
void Hold(WatchedProcess* process) {
  if (!process->handle.IsValid()) {
    process->handle.Set(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process->id));
  }
  if (process->handle.IsValid())
    Describe(process);
}

// The last watched process with `id` that has not ended (ids are reused
// only once a process is gone), or null.
WatchedProcess* FindRunning(std::vector<WatchedProcess>* watched, DWORD id) {
  for (auto it = watched->rbegin(); it != watched->rend(); ++it) {
    if (it->id == id && !it->ended)
      return &*it;
  }
  return nullptr;
}

// A job whose notifications arrive at `port`, and which takes what still
// runs with it when it is closed.
bool MakeWatchedJob(base::win::ScopedHandle* job, base::win::ScopedHandle* port) {
  job->Set(::CreateJobObjectW(nullptr, nullptr));
  port->Set(::CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1));
  if (!job->IsValid() || !port->IsValid())
    return false;
  JOBOBJECT_ASSOCIATE_COMPLETION_PORT association = {};
  association.CompletionKey = job->Get();
  association.CompletionPort = port->Get();
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  return ::SetInformationJobObject(job->Get(), JobObjectAssociateCompletionPortInformation,
                                   &association, sizeof(association)) &&
         ::SetInformationJobObject(job->Get(), JobObjectExtendedLimitInformation, &limits,
                                   sizeof(limits));
}

// Starts `command_line` suspended, puts it into `job` and lets it run.
base::win::ScopedHandle StartInJob(const base::CommandLine& command_line,
                                   const base::EnvironmentMap& environment, HANDLE job) {
  base::EnvironmentMap changes = environment;
  changes[kProcessWatcherVariable] = std::to_wstring(::GetCurrentProcessId());
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  std::wstring text = command_line.GetCommandLineString();
  {
    const ScopedEnvironmentChanges scoped_changes(changes);
    if (!::CreateProcessW(nullptr, text.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                          nullptr, nullptr, &startup, &info)) {
      PLOG(ERROR) << "Cannot start " << text;
      return base::win::ScopedHandle();
    }
  }
  base::win::ScopedHandle process(info.hProcess);
  base::win::ScopedHandle thread(info.hThread);
  if (!::AssignProcessToJobObject(job, process.Get())) {
    PLOG(ERROR) << "Cannot put " << text << " into the watched job";
    ::TerminateProcess(process.Get(), 0xDEAD);
    return base::win::ScopedHandle();
  }
  ::ResumeThread(thread.Get());
  return process;
}

}  // namespace

std::vector<WatchedProcess> RunAndWatchProcessTree(const base::CommandLine& command_line,
                                                   const base::EnvironmentMap& environment,
                                                   base::TimeDelta timeout) {
  std::vector<WatchedProcess> watched;
  base::win::ScopedHandle job;
  base::win::ScopedHandle port;
  if (!MakeWatchedJob(&job, &port)) {
    PLOG(ERROR) << "Cannot make the watched job";
    return watched;
  }
  base::win::ScopedHandle root = StartInJob(command_line, environment, job.Get());
  if (!root.IsValid())
    return watched;
  const DWORD root_id = ::GetProcessId(root.Get());

  const base::TimeTicks deadline = base::TimeTicks::Now() + timeout;
  bool all_ended = false;
  while (!all_ended) {
    const int64_t left = (deadline - base::TimeTicks::Now()).InMilliseconds();
    DWORD message = 0;
    ULONG_PTR key = 0;
    OVERLAPPED* value = nullptr;
    if (left <= 0 || !::GetQueuedCompletionStatus(port.Get(), &message, &key, &value,
                                                  static_cast<DWORD>(left))) {
      break;
    }
    const DWORD id = static_cast<DWORD>(reinterpret_cast<uintptr_t>(value));
    switch (message) {
      case JOB_OBJECT_MSG_NEW_PROCESS: {
        WatchedProcess process;
        process.id = id;
        if (id == root_id) {
          HANDLE duplicate = nullptr;
          ::DuplicateHandle(::GetCurrentProcess(), root.Get(), ::GetCurrentProcess(), &duplicate,
                            0, FALSE, DUPLICATE_SAME_ACCESS);
          process.handle.Set(duplicate);
        }
        Hold(&process);
        watched.push_back(std::move(process));
        break;
      }
      // Windows reports an end by an exception code as abnormal; Wine
      // reports every end as a plain exit.
      case JOB_OBJECT_MSG_EXIT_PROCESS:
      case JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS:
        if (WatchedProcess* process = FindRunning(&watched, id)) {
          process->ended = true;
          Hold(process);
        }
        break;
      case JOB_OBJECT_MSG_ACTIVE_PROCESS_ZERO:
        all_ended = true;
        break;
      default:
        break;
    }
  }
  if (!all_ended)
    ::TerminateJobObject(job.Get(), 0xDEAD);
  watched.erase(std::remove_if(watched.begin(), watched.end(),
                               [](const WatchedProcess& process) {
                                 return base::EqualsCaseInsensitiveASCII(process.name,
                                                                         kWineDebugger);
                               }),
                watched.end());
  return watched;
}

std::vector<const WatchedProcess*> ChildrenOf(const std::vector<WatchedProcess>& watched,
                                              DWORD parent) {
  std::vector<const WatchedProcess*> children;
  for (const WatchedProcess& process : watched) {
    if (process.parent == parent)
      children.push_back(&process);
  }
  return children;
}

std::vector<std::wstring> EndProgramsIn(const base::FilePath& folder) {
  std::vector<std::wstring> ended;
  base::win::ScopedHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid())
    return ended;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more;
       more = ::Process32NextW(snapshot.Get(), &entry)) {
    base::Process process = base::Process::OpenWithAccess(
        entry.th32ProcessID, PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE);
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (process.IsValid() && ::QueryFullProcessImageNameW(process.Handle(), 0, image, &size) &&
        base::StartsWith(image, folder.value() + L"\\", base::CompareCase::INSENSITIVE_ASCII)) {
      process.Terminate(1, /*wait=*/true);
      ended.push_back(image);
    }
  }
  return ended;
}

}  // namespace velta::test
