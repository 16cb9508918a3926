// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/taskband_utils_impl.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/architecture_names.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"

namespace velta {

namespace {

constexpr wchar_t kPinToStartArgument[] = L"1";
constexpr wchar_t kPinToTaskbarArgument[] = L"2";

std::wstring BandCheckValueName() {
  return base::UTF8ToWide(GetChannelName()) + L" Last Band Check";
}

void RecordPinTime(base::win::RegKey* key, base::Time now) {
  key->WriteValue(BandCheckValueName().c_str(),
                  std::to_wstring(now.ToDeltaSinceWindowsEpoch().InMicroseconds()).c_str());
}

bool IsWindows10OrLater() {
  return WinApi::GetInstance()->GetWindowsVersion() >= base::win::VERSION_WIN10;
}

base::FilePath HelperPath(const base::FilePath& folder) {
  return folder.Append(GetHelperFileName(WinApi::GetInstance()->GetOsArchitecture()));
}

// Runs `program` with `argument` and `shortcut` and waits for it, at most
// `timeout`; true when it exits with 0. A helper still running then is ended
// (and waited for, so that its copy can go): it would otherwise hold the
// installation, and whatever it inherited, for as long as it waits.
bool RunHelper(const base::FilePath& program,
               const wchar_t* argument,
               const base::FilePath& shortcut,
               base::TimeDelta timeout) {
  base::CommandLine command_line(program);
  command_line.AppendArgNative(argument);
  command_line.AppendArgNative(shortcut.value());
  base::Process process = base::LaunchProcess(command_line, base::LaunchOptions());
  if (!process.IsValid()) {
    LOG(ERROR) << "Could not launch the helper process";
    return false;
  }
  int exit_code = -1;
  if (!process.WaitForExitWithTimeout(timeout, &exit_code)) {
    // A process that ended just now cannot be terminated any more: that is
    // fine, it is gone either way.
    if (!process.WaitForExitWithTimeout(base::TimeDelta(), nullptr) &&
        !process.Terminate(1, /*wait=*/true)) {
      LOG(ERROR) << "Could not wait for helper";
      return false;
    }
    LOG(ERROR) << "The helper did not end within " << timeout.InSeconds() << " s: ended it";
    return false;
  }
  if (exit_code != 0) {
    LOG(ERROR) << "The helper returned status " << exit_code;
    return false;
  }
  return true;
}

bool ShellVerb(const wchar_t* verb, const base::FilePath& shortcut) {
  const HINSTANCE result =
      ::ShellExecuteW(nullptr, verb, shortcut.value().c_str(), nullptr, nullptr, SW_HIDE);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

// Pins `shortcut` to the taskbar; a kRepin pin records its time.
bool DoPin(const base::FilePath& helper_folder,
           const base::FilePath& shortcut,
           TaskbandUtils::PinMode mode,
           base::TimeDelta helper_timeout) {
  bool pinned = false;
  if (!IsWindows10OrLater()) {
    pinned = ShellVerb(L"taskbarpin", shortcut);
  } else {
    base::FilePath temp;
    if (!base::PathService::Get(base::DIR_TEMP, &temp)) {
      LOG(ERROR) << "Cannot get temp directory";
      return false;
    }
    // The shell lets only itself pin, so the helper runs under its name.
    const base::FilePath copy = temp.Append(L"explorer.exe");
    if (base::PathExists(copy) && !base::DeleteFile(copy)) {
      LOG(ERROR) << "Could not delete the previous helper";
      return false;
    }
    if (!base::CopyFile(HelperPath(helper_folder), copy)) {
      LOG(ERROR) << "Could not copy the new helper";
      return false;
    }
    pinned = RunHelper(copy, kPinToTaskbarArgument, shortcut, helper_timeout);
    if (!base::DeleteFile(copy))
      LOG(WARNING) << "Could not delete the helper copy " << copy;
  }
  if (pinned && mode == TaskbandUtils::PinMode::kRepin) {
    base::win::RegKey key;
    if (key.Create(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(), KEY_SET_VALUE) ==
        ERROR_SUCCESS) {
      RecordPinTime(&key, base::Time::Now());
    }
  }
  return pinned;
}

}  // namespace

TaskbandUtils::~TaskbandUtils() = default;

TaskbandUtilsImpl::TaskbandUtilsImpl(base::TimeDelta helper_timeout)
    : helper_timeout_(helper_timeout) {}

TaskbandUtilsImpl::~TaskbandUtilsImpl() = default;

void TaskbandUtilsImpl::FindPinnedShortcuts(const base::FilePath& target,
                                            const std::wstring& app_id_suffix,
                                            const BY_HANDLE_FILE_INFORMATION* target_identity,
                                            std::vector<base::FilePath>* pins) const {
  // Taskbar pins are shortcuts in this folder only from Windows 7 on.
  if (WinApi::GetInstance()->GetWindowsVersion() < base::win::VERSION_WIN7)
    return;
  base::FilePath folder;
  if (!base::PathService::Get(base::DIR_TASKBAR_PINS, &folder) ||
      !base::DirectoryExists(folder)) {
    VLOG(1) << "No taskbar pins folder";
    return;
  }
  base::FileEnumerator shortcuts(folder, false, base::FileEnumerator::FILES, L"*.lnk");
  for (base::FilePath shortcut = shortcuts.Next(); !shortcut.empty();
       shortcut = shortcuts.Next()) {
    if (!IsShortcutTo(shortcut, target, target_identity))
      continue;
    if (!app_id_suffix.empty()) {
      base::win::ShortcutProperties properties;
      if (!base::win::ResolveShortcutProperties(
              shortcut, base::win::ShortcutProperties::PROPERTIES_APP_ID, &properties) ||
          !base::EndsWith(properties.app_id, app_id_suffix,
                          base::CompareCase::INSENSITIVE_ASCII)) {
        continue;
      }
    }
    VLOG(1) << "Found a taskbar pin of " << target << ": " << shortcut;
    pins->push_back(shortcut);
  }
}

bool TaskbandUtilsImpl::ShouldRepin() {
  base::win::RegKey key;
  if (key.Create(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(),
                 KEY_QUERY_VALUE | KEY_SET_VALUE) != ERROR_SUCCESS) {
    return false;
  }
  const base::Time now = base::Time::Now();
  std::wstring text;
  int64_t microseconds = 0;
  if (key.ReadValue(BandCheckValueName().c_str(), &text) != ERROR_SUCCESS ||
      !base::StringToInt64(text, &microseconds) || microseconds <= 0 ||
      microseconds > now.ToDeltaSinceWindowsEpoch().InMicroseconds()) {
    RecordPinTime(&key, now);
    return false;
  }
  const base::Time last_pin =
      base::Time::FromDeltaSinceWindowsEpoch(base::TimeDelta::FromMicroseconds(microseconds));
  return now - last_pin >= kRepinInterval;
}

bool TaskbandUtilsImpl::CreateAndPinShortcut(const base::FilePath& helper_folder,
                                             const base::FilePath& target,
                                             const std::wstring& name,
                                             const std::wstring& app_id,
                                             PinMode mode) {
  if (mode == PinMode::kRepin && !ShouldRepin())
    return false;
  base::FilePath temp;
  if (!base::PathService::Get(base::DIR_TEMP, &temp)) {
    LOG(ERROR) << "Cannot get temp directory";
    return false;
  }
  base::win::ShortcutProperties properties;
  properties.set_target(target);
  properties.set_working_dir(target.DirName());
  properties.set_app_id(app_id);
  const base::FilePath shortcut = temp.Append(name);
  LOG(INFO) << "Creating master shortcut at " << shortcut;
  if (!base::win::CreateOrUpdateShortcutLink(shortcut, properties,
                                             base::win::SHORTCUT_CREATE_ALWAYS)) {
    LOG(ERROR) << "Failed to create shortcut at " << shortcut;
    return false;
  }
  return DoPin(helper_folder, shortcut, mode, helper_timeout_);
}

bool TaskbandUtilsImpl::Pin(const base::FilePath& helper_folder,
                            const base::FilePath& shortcut,
                            PinMode mode) {
  if (mode == PinMode::kRepin && !ShouldRepin())
    return false;
  return DoPin(helper_folder, shortcut, mode, helper_timeout_);
}

bool TaskbandUtilsImpl::PinToStart(const base::FilePath& helper_folder,
                                   const base::FilePath& shortcut) {
  if (!IsWindows10OrLater())
    return false;
  return RunHelper(HelperPath(helper_folder), kPinToStartArgument, shortcut, helper_timeout_);
}

bool TaskbandUtilsImpl::Unpin(const base::FilePath& shortcut) {
  return ShellVerb(L"taskbarunpin", shortcut);
}

}  // namespace velta
