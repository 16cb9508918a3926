// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/fake_win_api.h"

#include <stdio.h>

#include <utility>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/win/win_api_drive.h"
#include "desktop/windows/installer/common/win/win_api_mutex.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "desktop/windows/installer/common/win/win_api_registry_key.h"

namespace velta {
namespace {

// A drive that answers what the test set; its root path is the real format.
class FakeWinApiDrive : public WinApiDrive {
 public:
  FakeWinApiDrive(wchar_t letter, const FakeWinApi::FakeDrive& answers)
      : WinApiDrive(letter), answers_(answers) {}

  bool IsMediaPresent() const override { return answers_.media_present; }
  unsigned int GetDriveType() const override { return answers_.drive_type; }
  uint64_t GetFreeMegabytes() const override {
    return answers_.free_megabytes ? *answers_.free_megabytes : WinApiDrive::GetFreeMegabytes();
  }

 private:
  const FakeWinApi::FakeDrive answers_;
};

class FakeWinApiDriveList : public WinApiDriveList {
 public:
  FakeWinApiDriveList(uint32_t drive_mask, std::map<wchar_t, FakeWinApi::FakeDrive> drives)
      : WinApiDriveList(drive_mask), drives_(std::move(drives)) {}

 protected:
  std::unique_ptr<WinApiDrive> CreateDrive(wchar_t letter) override {
    auto it = drives_.find(letter);
    return std::make_unique<FakeWinApiDrive>(
        letter, it == drives_.end() ? FakeWinApi::FakeDrive() : it->second);
  }

 private:
  const std::map<wchar_t, FakeWinApi::FakeDrive> drives_;
};

}  // namespace

FakeWinApi::FakeWinApi() = default;

FakeWinApi::~FakeWinApi() = default;

void FakeWinApi::RedirectRegistryRoot(HKEY root, HKEY sandbox_root,
                                      const std::wstring& sandbox_path) {
  registry_redirects_[root] = Redirect{sandbox_root, sandbox_path};
}

std::vector<std::string> FakeWinApi::calls() const {
  base::AutoLock lock(lock_);
  return calls_;
}

std::vector<std::string> FakeWinApi::CallsTo(const std::string& operation) const {
  std::vector<std::string> arguments;
  const std::string prefix = operation + "\t";
  for (const std::string& call : calls()) {
    if (call.compare(0, prefix.size(), prefix) == 0)
      arguments.push_back(call.substr(prefix.size()));
    else if (call == operation)
      arguments.push_back(std::string());
  }
  return arguments;
}

std::unique_ptr<WinApiRegistryKey> FakeWinApi::OpenRegKey(HKEY root, const std::wstring& path,
                                                          REGSAM access) {
  Record("OpenRegKey", path);
  auto redirect = registry_redirects_.find(root);
  if (redirect == registry_redirects_.end())
    return real_.OpenRegKey(root, path, access);
  const Redirect& target = redirect->second;
  return real_.OpenRegKey(target.sandbox_root,
                          path.empty() ? target.sandbox_path : target.sandbox_path + L"\\" + path,
                          access);
}

std::unique_ptr<WinApiProcess> FakeWinApi::LaunchProcess(const base::CommandLine& command_line,
                                                         const base::LaunchOptions& options) {
  Record("LaunchProcess", command_line.GetCommandLineString());
  return real_.LaunchProcess(command_line, options);
}

bool FakeWinApi::GetAppOutput(const base::CommandLine& command_line, std::string* output,
                              bool take_lock) {
  Record("GetAppOutput", command_line.GetCommandLineString(), take_lock ? L"lock" : L"");
  if (!fail_app_output_)
    return real_.GetAppOutput(command_line, output, take_lock);
  WinApiImpl::RecordAppOutputFailure(command_line);
  return false;
}

bool FakeWinApi::GetAppOutputWithinLimits(const base::CommandLine& command_line,
                                          const base::AppOutputLimits& limits,
                                          std::string* output,
                                          bool take_lock) {
  Record("GetAppOutput", command_line.GetCommandLineString(), take_lock ? L"lock" : L"");
  if (!fail_app_output_)
    return real_.GetAppOutputWithinLimits(command_line, limits, output, take_lock);
  WinApiImpl::RecordAppOutputFailure(command_line);
  return false;
}

std::unique_ptr<WinApiDriveList> FakeWinApi::GetLogicalDrives() {
  Record("GetLogicalDrives", std::wstring());
  if (!drive_mask_)
    return real_.GetLogicalDrives();
  return std::make_unique<FakeWinApiDriveList>(*drive_mask_, drives_);
}

std::unique_ptr<WinApiDrive> FakeWinApi::GetDrive(wchar_t letter) {
  Record("GetDrive", std::wstring(1, letter));
  auto it = drives_.find(letter);
  if (it == drives_.end())
    return real_.GetDrive(letter);
  return std::make_unique<FakeWinApiDrive>(letter, it->second);
}

std::unique_ptr<WinApiProcess> FakeWinApi::RunElevated(const base::CommandLine& command_line) {
  Record("RunElevated", command_line.GetCommandLineString());
  switch (elevation_mode_) {
    case ElevationMode::kLaunchAsChild:
      return real_.LaunchProcess(command_line, base::LaunchOptions());
    case ElevationMode::kDecline:
      WinApiImpl::RecordElevationFailure(ERROR_CANCELLED);
      return std::make_unique<WinApiProcess>(base::Process());
    case ElevationMode::kReal:
      break;
  }
  return real_.RunElevated(command_line);
}

bool FakeWinApi::DeleteLink(const base::FilePath& link) {
  Record("DeleteLink", link.value());
  return real_.DeleteLink(link);
}

uint32_t FakeWinApi::GetCurrentThreadId() {
  return real_.GetCurrentThreadId();
}

base::win::OSInfo::WindowsArchitecture FakeWinApi::GetOsArchitecture() {
  Record("GetOsArchitecture", std::wstring());
  return os_architecture_ ? *os_architecture_ : real_.GetOsArchitecture();
}

base::win::Version FakeWinApi::GetWindowsVersion() {
  Record("GetWindowsVersion", std::wstring());
  return windows_version_ ? *windows_version_ : real_.GetWindowsVersion();
}

std::unique_ptr<WinApiMutex> FakeWinApi::CreateMutex(const std::wstring& name, bool inheritable,
                                                     base::TimeDelta timeout) {
  Record("CreateMutex", name);
  return real_.CreateMutex(name, inheritable, timeout);
}

bool FakeWinApi::ShowMessageBox(const std::wstring& caption, const std::wstring& text) {
  Record("ShowMessageBox", caption, text);
  base::AutoLock lock(lock_);
  if (message_box_answers_.empty())
    return default_message_box_answer_;
  bool answer = message_box_answers_.front();
  message_box_answers_.pop_front();
  return answer;
}

std::unique_ptr<WinApiEvent> FakeWinApi::OpenEvent(WinApiEvent::Delegate* delegate,
                                                   const std::wstring& name) {
  Record("OpenEvent", name);
  return real_.OpenEvent(delegate, name);
}

void FakeWinApi::Record(const std::string& operation, const std::wstring& argument,
                        const std::wstring& second_argument) {
  std::string line = operation;
  if (!argument.empty() || !second_argument.empty())
    line += "\t" + base::WideToUTF8(argument);
  if (!second_argument.empty())
    line += "\t" + base::WideToUTF8(second_argument);
  base::AutoLock lock(lock_);
  calls_.push_back(line);
  if (call_log_path_.empty())
    return;
  // Opened per call, so that the lines are on disk whenever the child ends.
  FILE* log = base::OpenFile(call_log_path_, "ab");
  if (!log)
    return;
  fputs((line + "\n").c_str(), log);
  base::CloseFile(log);
}

}  // namespace velta
