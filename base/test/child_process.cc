// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/child_process.h"

#include <windows.h>

#include <thread>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/multiprocess_test.h"
#include "base/win/scoped_handle.h"

namespace velta::test {
namespace {

constexpr int kTimedOutExitCode = 0xDEAD;

}  // namespace

base::FilePath GetTestExecutablePath() {
  base::FilePath path;
  base::PathService::Get(base::FILE_EXE, &path);
  return path;
}

base::FilePath GetPathBesideTestExecutable(std::wstring_view name) {
  return GetTestExecutablePath().DirName().Append(name);
}

bool CopyInstallerFiles(const base::FilePath& folder, const base::FilePath& from) {
  if (!base::CreateDirectory(folder))
    return false;
  for (const wchar_t* name : {L"installer.exe", L"velta_installer.dll"}) {
    if (!base::CopyFile(from.Append(name), folder.Append(name)))
      return false;
  }
  return true;
}

void AppendSwitches(const std::vector<std::wstring>& switches, base::CommandLine* command_line) {
  for (const std::wstring& text : switches) {
    const size_t equals = text.find(L'=');
    command_line->AppendSwitchNative(
        base::WideToUTF8(text.substr(0, equals)),
        equals == std::wstring::npos ? std::wstring() : text.substr(equals + 1));
  }
}

void AppendSwitches(const std::vector<std::string>& switches, base::CommandLine* command_line) {
  std::vector<std::wstring> wide;
  for (const std::string& text : switches)
    wide.push_back(base::UTF8ToWide(text));
  AppendSwitches(wide, command_line);
}

base::CommandLine MakeChildCommandLine(std::string_view role) {
  base::CommandLine command_line(GetTestExecutablePath());
  command_line.AppendSwitchASCII(kTestChildSwitch, role);
  return command_line;
}

bool WaitForChildExit(const base::Process& process, base::TimeDelta timeout,
                      uint32_t* exit_code) {
  int code = 0;
  if (process.WaitForExitWithTimeout(timeout, &code)) {
    if (exit_code)
      *exit_code = static_cast<uint32_t>(code);
    return true;
  }
  LOG(ERROR) << "Child process " << process.Pid() << " did not exit within " << timeout
             << "; terminating it";
  process.Terminate(kTimedOutExitCode, true);
  return false;
}

ChildResult RunChild(const base::CommandLine& command_line, const ChildOptions& options) {
  ChildResult result;
  base::LaunchOptions launch = options.launch;
  base::win::ScopedHandle read_end;
  base::win::ScopedHandle write_end;
  base::win::ScopedHandle error_copy;
  if (options.capture_output) {
    SECURITY_ATTRIBUTES inheritable = {sizeof(inheritable), nullptr, TRUE};
    HANDLE read_raw = nullptr;
    HANDLE write_raw = nullptr;
    if (!::CreatePipe(&read_raw, &write_raw, &inheritable, 0))
      return result;
    read_end.Set(read_raw);
    write_end.Set(write_raw);
    ::SetHandleInformation(read_end.Get(), HANDLE_FLAG_INHERIT, 0);
    launch.stdout_handle = write_end.Get();
    // Setting one standard handle clears the others: keep the child's errors
    // visible in the test's output.
    HANDLE duplicate = nullptr;
    if (!launch.stderr_handle &&
        ::DuplicateHandle(::GetCurrentProcess(), ::GetStdHandle(STD_ERROR_HANDLE),
                          ::GetCurrentProcess(), &duplicate, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
      error_copy.Set(duplicate);
      launch.stderr_handle = error_copy.Get();
    }
  }

  base::Process process = base::LaunchProcess(command_line, launch);
  write_end.Close();
  error_copy.Close();
  if (!process.IsValid())
    return result;
  result.started = true;

  std::thread reader;
  if (read_end.IsValid()) {
    reader = std::thread([&read_end, &result] {
      char buffer[16384];
      DWORD bytes_read = 0;
      while (::ReadFile(read_end.Get(), buffer, sizeof(buffer), &bytes_read, nullptr) &&
             bytes_read > 0) {
        result.output.append(buffer, bytes_read);
      }
    });
  }
  result.exited = WaitForChildExit(process, options.timeout, &result.exit_code);
  if (reader.joinable())
    reader.join();
  return result;
}

}  // namespace velta::test
