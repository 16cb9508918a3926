// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_environment.h"

#include <windows.h>

#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/no_destructor.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

constexpr char kUserDataDirSwitch[] = "user-data-dir";

// `folder` made absolute when it exists or can be made; else empty.
base::FilePath UsableFolder(const base::FilePath& folder) {
  if (folder.empty())
    return base::FilePath();
  if (!base::DirectoryExists(folder) && !base::CreateDirectory(folder))
    return base::FilePath();
  return base::MakeAbsoluteFilePath(folder);
}

ProfileFolderGetter g_profile_folder_getter = nullptr;

base::FilePath ComputeUserDataFolder() {
  base::FilePath folder;
  if (base::CommandLine::InitializedForCurrentProcess()) {
    folder = UsableFolder(
        base::CommandLine::ForCurrentProcess()->GetSwitchValuePath(kUserDataDirSwitch));
  }
  if (folder.empty() && g_profile_folder_getter)
    folder = UsableFolder(g_profile_folder_getter());
  return folder;
}

}  // namespace

std::string GetCrashEnvVarName(std::string_view suffix) {
  return base::ToUpperASCII(GetBrandName()) + "_" + std::string(suffix);
}

std::string GetEnvironmentUtf8(const std::string& name) {
  const std::wstring wide_name = base::UTF8ToWide(name);
  DWORD size = ::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0);
  if (size == 0)
    return std::string();
  std::vector<wchar_t> buffer(size);
  const DWORD length = ::GetEnvironmentVariableW(wide_name.c_str(), buffer.data(), size);
  if (length == 0 || length >= size)
    return std::string();
  return base::WideToUTF8(std::wstring_view(buffer.data(), length));
}

bool GetEnvBool(const std::string& name, bool default_value) {
  const std::wstring wide_name = base::UTF8ToWide(name);
  if (::GetEnvironmentVariableW(wide_name.c_str(), nullptr, 0) == 0 &&
      ::GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
    return default_value;
  }
  const std::string value = GetEnvironmentUtf8(name);
  return value == "1" || base::EqualsCaseInsensitiveASCII(value, "yes") ||
         base::EqualsCaseInsensitiveASCII(value, "true");
}

void SetProfileFolderGetter(ProfileFolderGetter getter) {
  g_profile_folder_getter = getter;
}

const base::FilePath& GetUserDataFolder() {
  static const base::NoDestructor<base::FilePath> folder(ComputeUserDataFolder());
  return *folder;
}

bool GetCrashDumpDirectory(base::FilePath* path) {
  const std::string from_environment = GetEnvironmentUtf8(GetCrashEnvVarName("CRASH_LOG_DIR"));
  base::FilePath folder = UsableFolder(base::FilePath(base::UTF8ToWide(from_environment)));
  if (folder.empty() && !GetUserDataFolder().empty())
    folder = UsableFolder(GetUserDataFolder().Append(L"Crash Reports"));
  if (folder.empty())
    return false;
  *path = folder;
  return true;
}

bool GetCrashCountFilePath(base::FilePath* path) {
  if (GetUserDataFolder().empty())
    return false;
  *path = GetUserDataFolder().Append(L"crash_count.txt");
  return true;
}

}  // namespace velta
