// Copyright 2026 Velta Software. All rights reserved.

#include "base/process/launch.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <utility>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"

namespace base {
namespace {

// How often LaunchProcess starts a process that ended during its start-up.
constexpr int kLaunchAttempts = 3;

// Owns a PROC_THREAD_ATTRIBUTE_LIST holding one handle list. The handle
// vector it points at must outlive it.
class HandleListAttribute {
 public:
  HandleListAttribute() = default;
  HandleListAttribute(const HandleListAttribute&) = delete;
  HandleListAttribute& operator=(const HandleListAttribute&) = delete;
  ~HandleListAttribute() {
    if (initialized_) {
      auto delete_list =
          BASE_WIN_GET_FUNCTION(L"kernel32.dll", DeleteProcThreadAttributeList);
      if (delete_list)
        delete_list(list());
    }
  }

  // Returns false (with the system error set) when the list cannot be made.
  bool Init(std::vector<HANDLE>* handles) {
    auto initialize =
        BASE_WIN_GET_FUNCTION(L"kernel32.dll", InitializeProcThreadAttributeList);
    auto update = BASE_WIN_GET_FUNCTION(L"kernel32.dll", UpdateProcThreadAttribute);
    if (!initialize || !update) {
      ::SetLastError(ERROR_NOT_SUPPORTED);
      return false;
    }
    SIZE_T size = 0;
    initialize(nullptr, 1, 0, &size);  // fails with the size needed
    if (size == 0)
      return false;
    buffer_ = std::make_unique<char[]>(size);
    if (!initialize(list(), 1, 0, &size))
      return false;
    initialized_ = true;
    return update(list(), 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles->data(),
                  handles->size() * sizeof(HANDLE), nullptr, nullptr) != FALSE;
  }

  LPPROC_THREAD_ATTRIBUTE_LIST list() {
    return reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.get());
  }

 private:
  std::unique_ptr<char[]> buffer_;
  bool initialized_ = false;
};

bool NameEqualsIgnoreCase(std::wstring_view a, std::wstring_view b) {
  return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// This process's environment with `changes` applied, as a CreateProcessW
// environment block (NUL-separated, double-NUL terminated).
std::wstring MakeEnvironmentBlock(const EnvironmentMap& changes) {
  std::wstring block;
  wchar_t* current = ::GetEnvironmentStringsW();
  if (current) {
    for (const wchar_t* entry = current; *entry; entry += wcslen(entry) + 1) {
      const std::wstring_view text(entry);
      // "=C:=C:\dir" entries (per-drive folders) start with their "=".
      const size_t equals = text.find(L'=', 1);
      const std::wstring_view name = text.substr(0, equals);
      const bool replaced = std::any_of(changes.begin(), changes.end(), [&](const auto& change) {
        return NameEqualsIgnoreCase(change.first, name);
      });
      if (!replaced) {
        block.append(text);
        block.push_back(L'\0');
      }
    }
    ::FreeEnvironmentStringsW(current);
  }
  for (const auto& [name, value] : changes) {
    if (value.empty())
      continue;
    block.append(name).append(L"=").append(value);
    block.push_back(L'\0');
  }
  if (block.empty())
    block.push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

// Starts `cmdline` with its standard output going into a new pipe, whose
// read end goes into `read_end`; its standard input is the NUL device, its
// standard error this process's. Invalid (logged) when either fails.
Process StartWithOutputPipe(const CommandLine& cmdline, win::ScopedHandle* read_end) {
  SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
  HANDLE read_raw = nullptr;
  HANDLE write_raw = nullptr;
  if (!::CreatePipe(&read_raw, &write_raw, &inheritable, 0)) {
    PLOG(ERROR) << "Cannot create the output pipe for " << cmdline.GetCommandLineString();
    return Process();
  }
  read_end->Set(read_raw);
  win::ScopedHandle write_end(write_raw);
  // Only the child's end is inherited.
  ::SetHandleInformation(read_end->Get(), HANDLE_FLAG_INHERIT, 0);

  win::ScopedHandle nul(::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                                      OPEN_EXISTING, 0, nullptr));
  // The child's errors go where ours go; a copy of our handle, since ours may
  // not be inheritable.
  win::ScopedHandle error_copy;
  const HANDLE our_stderr = ::GetStdHandle(STD_ERROR_HANDLE);
  HANDLE duplicate = nullptr;
  if (our_stderr && our_stderr != INVALID_HANDLE_VALUE &&
      ::DuplicateHandle(::GetCurrentProcess(), our_stderr, ::GetCurrentProcess(), &duplicate, 0,
                        TRUE, DUPLICATE_SAME_ACCESS)) {
    error_copy.Set(duplicate);
  }

  LaunchOptions options;
  options.stdin_handle = nul.Get();
  options.stdout_handle = write_end.Get();
  options.stderr_handle = error_copy.IsValid() ? error_copy.Get() : nul.Get();
  Process process = LaunchProcess(cmdline, options);
  // Our copies of the child's ends must go, or the reads never end.
  write_end.Close();
  nul.Close();
  error_copy.Close();
  return process;
}

}  // namespace

bool CommandLineFitsLaunch(const std::wstring& cmdline) {
  if (cmdline.size() < kMaxCommandLineLength)
    return true;
  LOG(ERROR) << "Cannot launch " << CommandLine::FromString(cmdline).GetProgram().value()
             << ": its command line is " << cmdline.size()
             << " characters long, longer than Windows starts a program with ("
             << kMaxCommandLineLength - 1 << ")";
  ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
  return false;
}

LaunchOptions::LaunchOptions() = default;
LaunchOptions::LaunchOptions(const LaunchOptions&) = default;
LaunchOptions& LaunchOptions::operator=(const LaunchOptions&) = default;
LaunchOptions::~LaunchOptions() = default;

Process LaunchProcess(const CommandLine& cmdline, const LaunchOptions& options) {
  if (options.elevated)
    return LaunchElevatedProcess(cmdline, options);
  return LaunchProcess(cmdline.GetCommandLineString(), options);
}

Process LaunchProcess(const std::wstring& cmdline, const LaunchOptions& options) {
  if (options.elevated)
    return LaunchElevatedProcess(CommandLine::FromString(cmdline), options);
  if (!CommandLineFitsLaunch(cmdline))
    return Process();

  STARTUPINFOEXW startup_info_ex = {};
  STARTUPINFOW& startup_info = startup_info_ex.StartupInfo;
  startup_info.cb = sizeof(startup_info);
  DWORD flags = 0;
  if (options.start_hidden) {
    startup_info.dwFlags |= STARTF_USESHOWWINDOW;
    startup_info.wShowWindow = SW_HIDE;
  }
  if (options.console_without_window)
    flags |= CREATE_NO_WINDOW;
  const bool has_std_handles =
      options.stdin_handle || options.stdout_handle || options.stderr_handle;
  if (has_std_handles) {
    startup_info.dwFlags |= STARTF_USESTDHANDLES;
    startup_info.hStdInput = options.stdin_handle;
    startup_info.hStdOutput = options.stdout_handle;
    startup_info.hStdError = options.stderr_handle;
  }

  BOOL inherit_handles = FALSE;
  std::vector<HANDLE> handles;
  HandleListAttribute handle_list;
  if (options.inherit_mode == LaunchOptions::Inherit::kAll) {
    inherit_handles = TRUE;
  } else {
    handles = options.handles_to_inherit;
    for (HANDLE handle : {options.stdin_handle, options.stdout_handle, options.stderr_handle}) {
      if (handle && handle != INVALID_HANDLE_VALUE)
        handles.push_back(handle);
    }
    std::sort(handles.begin(), handles.end());
    handles.erase(std::unique(handles.begin(), handles.end()), handles.end());
    // Windows refuses a non-inheritable handle in the list
    // (ERROR_INVALID_PARAMETER); Wine passes it on. Refuse it here on both.
    for (HANDLE handle : handles) {
      DWORD handle_flags = 0;
      if (!::GetHandleInformation(handle, &handle_flags) ||
          !(handle_flags & HANDLE_FLAG_INHERIT)) {
        LOG(ERROR) << "Cannot pass a handle that is not inheritable to " << cmdline << ": "
                   << handle;
        ::SetLastError(ERROR_INVALID_PARAMETER);
        return Process();
      }
    }
    if (!handles.empty()) {
      if (!handle_list.Init(&handles)) {
        const DWORD error = ::GetLastError();
        LOG(ERROR) << "Cannot make the list of handles to inherit for " << cmdline << ": "
                   << logging::SystemErrorCodeToString(error);
        ::SetLastError(error);
        return Process();
      }
      inherit_handles = TRUE;
      startup_info.cb = sizeof(startup_info_ex);
      startup_info_ex.lpAttributeList = handle_list.list();
      flags |= EXTENDED_STARTUPINFO_PRESENT;
    }
  }

  std::wstring environment;
  if (!options.environment.empty()) {
    environment = MakeEnvironmentBlock(options.environment);
    flags |= CREATE_UNICODE_ENVIRONMENT;
  }

  PROCESS_INFORMATION process_info = {};
  for (int attempt = 1;; ++attempt) {
    std::wstring writable_cmdline = cmdline;  // CreateProcessW may write into it
    if (::CreateProcessW(nullptr, writable_cmdline.data(), nullptr, nullptr, inherit_handles,
                         flags, environment.empty() ? nullptr : environment.data(),
                         options.current_directory.empty()
                             ? nullptr
                             : options.current_directory.value().c_str(),
                         &startup_info, &process_info)) {
      break;
    }
    const DWORD error = ::GetLastError();
    // Under Wine, on a loaded machine, the new process now and then ends
    // while Wine is still starting it, before any of its own code runs and
    // without an exit code of its own; CreateProcessW then fails with
    // ERROR_INTERNAL_ERROR. Nothing of that process is left: start it anew.
    if (error == ERROR_INTERNAL_ERROR && attempt < kLaunchAttempts) {
      LOG(WARNING) << "Launching " << cmdline << " failed while the process started ("
                   << logging::SystemErrorCodeToString(error) << "); launching it again";
      continue;
    }
    LOG(ERROR) << "Failed to launch " << cmdline << ": "
               << logging::SystemErrorCodeToString(error);
    ::SetLastError(error);
    return Process();
  }
  // Wine starts a Unix program without a process handle and leaves stray
  // values in the other fields: a thread handle counts only beside a
  // process handle, or closing it would close some other handle of ours.
  if (process_info.hProcess)
    ::CloseHandle(process_info.hThread);
  Process process(process_info.hProcess);
  if (options.wait)
    ::WaitForSingleObject(process.Handle(), INFINITE);
  return process;
}

Process LaunchElevatedProcess(const CommandLine& cmdline, const LaunchOptions& options) {
  const std::wstring file = cmdline.GetProgram().value();
  const std::wstring arguments = cmdline.GetArgumentsString();
  // The elevated program is started with the program and the arguments
  // joined into one command line.
  if (!CommandLineFitsLaunch(cmdline.GetCommandLineString()))
    return Process();
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"runas";
  info.lpFile = file.c_str();
  info.lpParameters = arguments.c_str();
  info.lpDirectory =
      options.current_directory.empty() ? nullptr : options.current_directory.value().c_str();
  info.nShow = options.start_hidden ? SW_HIDE : SW_SHOW;
  if (!::ShellExecuteExW(&info)) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "Failed to launch elevated " << cmdline.GetCommandLineString() << ": "
               << logging::SystemErrorCodeToString(error);
    ::SetLastError(error);
    return Process();
  }
  Process process(info.hProcess);
  if (options.wait && process.IsValid())
    ::WaitForSingleObject(process.Handle(), INFINITE);
  return process;
}

bool GetAppOutputWithExitCode(const CommandLine& cmdline, std::string* output, int* exit_code) {
  output->clear();
  win::ScopedHandle read_end;
  Process process = StartWithOutputPipe(cmdline, &read_end);
  if (!process.IsValid())
    return false;

  char buffer[16384];
  for (;;) {
    DWORD bytes_read = 0;
    if (!::ReadFile(read_end.Get(), buffer, sizeof(buffer), &bytes_read, nullptr)) {
      const DWORD error = ::GetLastError();
      if (error != ERROR_BROKEN_PIPE) {
        LOG(ERROR) << "Cannot read the output of " << cmdline.GetCommandLineString() << ": "
                   << logging::SystemErrorCodeToString(error);
        // Still wait: the child must not be left writing into a closed pipe
        // unnoticed, and its exit code is wanted.
      }
      break;
    }
    if (bytes_read == 0)
      break;
    output->append(buffer, bytes_read);
  }
  int code = 0;
  if (!process.WaitForExit(&code)) {
    PLOG(ERROR) << "Cannot wait for " << cmdline.GetCommandLineString();
    return false;
  }
  *exit_code = code;
  return true;
}

bool GetAppOutput(const CommandLine& cmdline, std::string* output) {
  int exit_code = -1;
  return GetAppOutputWithExitCode(cmdline, output, &exit_code) && exit_code == 0;
}

bool GetAppOutputWithinLimits(const CommandLine& cmdline,
                              const AppOutputLimits& limits,
                              std::string* output) {
  output->clear();
  const TimeTicks deadline =
      limits.timeout.is_max() ? TimeTicks() : TimeTicks::Now() + limits.timeout;
  win::ScopedHandle read_end;
  Process process = StartWithOutputPipe(cmdline, &read_end);
  if (!process.IsValid())
    return false;

  // A child past a limit is ended; the call fails.
  auto give_up = [&](const char* reason) {
    LOG(ERROR) << cmdline.GetCommandLineString() << " " << reason << "; ending it";
    process.Terminate(1, /*wait=*/true);
    return false;
  };
  // The pipe is read only as far as it holds data, so that a child that
  // neither writes nor ends cannot keep the read waiting past the deadline.
  char buffer[16384];
  bool exited = false;
  for (;;) {
    DWORD available = 0;
    if (!::PeekNamedPipe(read_end.Get(), nullptr, 0, nullptr, &available, nullptr)) {
      // Every writer has closed its end: all the output is in.
      const DWORD error = ::GetLastError();
      if (error != ERROR_BROKEN_PIPE) {
        LOG(ERROR) << "Cannot read the output of " << cmdline.GetCommandLineString() << ": "
                   << logging::SystemErrorCodeToString(error);
      }
      break;
    }
    if (available > 0) {
      DWORD bytes_read = 0;
      if (!::ReadFile(read_end.Get(), buffer, std::min<DWORD>(sizeof(buffer), available),
                      &bytes_read, nullptr)) {
        break;
      }
      if (bytes_read > limits.max_output - output->size())
        return give_up("wrote more output than allowed");
      output->append(buffer, bytes_read);
      continue;
    }
    // An ended child has written all it will; a program it started may
    // still hold the pipe open, and is not waited for.
    if (exited)
      break;
    TimeDelta wait = TimeDelta::FromMilliseconds(10);
    if (!deadline.is_null()) {
      const TimeDelta left = deadline - TimeTicks::Now();
      if (left <= TimeDelta())
        return give_up("did not end in the time allowed");
      wait = std::min(wait, left);
    }
    exited = process.WaitForExitWithTimeout(wait, nullptr);
  }
  int exit_code = -1;
  const TimeDelta left = deadline.is_null() ? TimeDelta::Max() : deadline - TimeTicks::Now();
  if (!process.WaitForExitWithTimeout(std::max(left, TimeDelta()), &exit_code))
    return give_up("did not end in the time allowed");
  return exit_code == 0;
}

}  // namespace base
