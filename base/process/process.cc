// Copyright 2026 Velta Software. All rights reserved.

#include "base/process/process.h"

#include <windows.h>

#include <utility>

#include "base/logging.h"

namespace base {
namespace {

constexpr DWORD kBasicProcessAccess =
    PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE;

}  // namespace

Process::Process() = default;

Process::Process(ProcessHandle handle) : process_(handle) {
  DCHECK(handle != ::GetCurrentProcess()) << "use Process::Current()";
}

Process::Process(Process&& other) noexcept
    : process_(std::move(other.process_)),
      is_current_process_(std::exchange(other.is_current_process_, false)) {}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    process_ = std::move(other.process_);
    is_current_process_ = std::exchange(other.is_current_process_, false);
  }
  return *this;
}

Process::~Process() = default;

// static
Process Process::Current() {
  Process process;
  process.is_current_process_ = true;
  return process;
}

// static
Process Process::Open(ProcessId pid) {
  return OpenWithAccess(pid, kBasicProcessAccess);
}

// static
Process Process::OpenWithAccess(ProcessId pid, unsigned long desired_access) {
  if (pid == ::GetCurrentProcessId())
    return Current();
  return Process(::OpenProcess(desired_access, FALSE, pid));
}

bool Process::IsValid() const {
  return process_.IsValid() || is_current_process_;
}

ProcessHandle Process::Handle() const {
  return is_current_process_ ? ::GetCurrentProcess() : process_.Get();
}

Process Process::Duplicate() const {
  if (is_current_process_)
    return Current();
  if (!process_.IsValid())
    return Process();
  HANDLE duplicate = nullptr;
  if (!::DuplicateHandle(::GetCurrentProcess(), process_.Get(), ::GetCurrentProcess(),
                         &duplicate, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    return Process();
  }
  return Process(duplicate);
}

ProcessHandle Process::Release() {
  if (is_current_process_) {
    is_current_process_ = false;
    return ::GetCurrentProcess();
  }
  return process_.Take();
}

ProcessId Process::Pid() const {
  if (!IsValid())
    return 0;
  return ::GetProcessId(Handle());
}

void Process::Close() {
  is_current_process_ = false;
  process_.Close();
}

bool Process::Terminate(int exit_code, bool wait) const {
  if (!IsValid())
    return false;
  if (!::TerminateProcess(Handle(), static_cast<UINT>(exit_code))) {
    const DWORD error = ::GetLastError();
    // Terminating a process that has already exited fails with access denied.
    if (error == ERROR_ACCESS_DENIED && WaitForExitWithTimeout(TimeDelta(), nullptr))
      return true;
    LOG(ERROR) << "Failed to terminate process " << Pid() << ": "
               << logging::SystemErrorCodeToString(error);
    return false;
  }
  if (wait && !WaitForExitWithTimeout(TimeDelta::FromMinutes(1), nullptr))
    LOG(ERROR) << "Process " << Pid() << " did not exit after being terminated";
  return true;
}

bool Process::WaitForExit(int* exit_code) const {
  return WaitForExitWithTimeout(TimeDelta::Max(), exit_code);
}

bool Process::WaitForExitWithTimeout(TimeDelta timeout, int* exit_code) const {
  if (!IsValid())
    return false;
  DWORD timeout_ms = INFINITE;
  if (!timeout.is_max()) {
    const int64_t ms = timeout.InMillisecondsRoundedUp();
    timeout_ms = ms <= 0 ? 0 : (ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms));
  }
  if (::WaitForSingleObject(Handle(), timeout_ms) != WAIT_OBJECT_0)
    return false;
  // Reading the code needs query access; a wait alone needs SYNCHRONIZE.
  if (!exit_code)
    return true;
  DWORD code = 0;
  if (!::GetExitCodeProcess(Handle(), &code))
    return false;
  *exit_code = static_cast<int>(code);
  return true;
}

}  // namespace base
