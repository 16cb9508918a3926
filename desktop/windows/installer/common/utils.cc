// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/utils.h"

#define SECURITY_WIN32
#include <lmcons.h>
#include <objbase.h>
#include <security.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/common/pe_image_reader.h"
#include "desktop/windows/installer/common/product/exit_codes.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

// Lengths of the longest folder and file path a user may type, in characters
// and without the terminator: CreateDirectoryW refuses 248 and more (a folder
// must leave room for an 8.3 file name), MAX_PATH counts the terminator.
constexpr size_t kMaxDirectoryPathLength = 248;
constexpr size_t kMaxFilePathLength = MAX_PATH;

// The CSIDL flags of a second SHGetFolderPathW call that makes the folder.
constexpr int kCsidlCreateFlags = CSIDL_FLAG_CREATE | CSIDL_FLAG_DONT_UNEXPAND;
// KF_FLAG_CREATE | KF_FLAG_INIT.
constexpr DWORD kKnownFolderCreateFlags = 0x8800;

bool IsPathSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// Device names Windows reserves in every folder, whatever the extension.
bool IsReservedDeviceName(std::wstring_view component) {
  static constexpr std::string_view kReservedNames[] = {
      "con", "aux", "com1", "com2", "com3", "com4", "lpt1", "lpt2", "lpt3", "prn", "nul"};
  std::wstring_view base_name = component.substr(0, component.find(L'.'));
  if (base_name.size() != 3 && base_name.size() != 4)
    return false;
  for (std::string_view reserved : kReservedNames) {
    if (base::LowerCaseEqualsASCII(base_name, reserved))
      return true;
  }
  return false;
}

bool IsValidPathComponent(std::wstring_view component) {
  for (wchar_t c : component) {
    if ((c >= 1 && c <= 31) || std::wstring_view(L"?\"<>*|:").find(c) != std::wstring_view::npos)
      return false;
  }
  if (component.front() == L' ' || component.back() == L' ' || component.back() == L'.')
    return false;
  return !IsReservedDeviceName(component);
}

// Skips the separator-terminated name that starts at `*position` (a UNC
// server or share). False when the name is empty or not followed by a
// separator.
bool SkipUncName(std::wstring_view path, size_t* position) {
  size_t end = *position;
  while (end < path.size() && !IsPathSeparator(path[end]))
    ++end;
  if (end == *position || end == path.size())
    return false;
  *position = end + 1;
  return true;
}

bool GetUserNameInFormat(EXTENDED_NAME_FORMAT format, std::wstring* name) {
  // Looked up when first needed rather than imported: loading secur32.dll
  // sets up its security packages, which every installer process (the
  // crash reporter too) would otherwise pay for at start-up.
  auto get_user_name_ex = BASE_WIN_GET_FUNCTION(L"secur32.dll", GetUserNameExW);
  ULONG size = 0;
  if (!get_user_name_ex ||
      (!get_user_name_ex(format, nullptr, &size) && ::GetLastError() != ERROR_MORE_DATA)) {
    return false;
  }
  // The size asked for counts the terminator on Windows; one more character
  // keeps a stray short count from truncating the name.
  std::vector<wchar_t> buffer(size + 1);
  ULONG length = static_cast<ULONG>(buffer.size());
  if (!get_user_name_ex(format, buffer.data(), &length))
    return false;
  name->assign(buffer.data());
  return true;
}


}  // namespace

bool GetKnownFolderPath(REFKNOWNFOLDERID id, int csidl, base::FilePath* path, bool create) {
  // SHGetKnownFolderPath exists from Vista on.
  auto get_known_folder_path = BASE_WIN_GET_FUNCTION(L"shell32.dll", SHGetKnownFolderPath);
  if (get_known_folder_path) {
    PWSTR folder = nullptr;
    HRESULT result = get_known_folder_path(id, 0, nullptr, &folder);
    if (FAILED(result) && create) {
      ::CoTaskMemFree(folder);
      folder = nullptr;
      result = get_known_folder_path(id, kKnownFolderCreateFlags, nullptr, &folder);
    }
    if (SUCCEEDED(result) && folder)
      *path = base::FilePath(folder);
    ::CoTaskMemFree(folder);
    return SUCCEEDED(result) && !path->empty();
  }
  wchar_t folder[MAX_PATH] = {};
  HRESULT result = ::SHGetFolderPathW(nullptr, csidl, nullptr, 0, folder);
  if (FAILED(result) && result != E_INVALIDARG && create)
    result = ::SHGetFolderPathW(nullptr, csidl | kCsidlCreateFlags, nullptr, 0, folder);
  if (FAILED(result))
    return false;
  *path = base::FilePath(folder);
  return true;
}

void FormatRegistryPath(HKEY root, const std::wstring& path, std::wstring* out) {
  if (root == HKEY_CLASSES_ROOT)
    out->append(L"CLASSES_ROOT\\");
  else if (root == HKEY_CURRENT_USER)
    out->append(L"CURRENT_USER\\");
  else if (root == HKEY_LOCAL_MACHINE)
    out->append(L"MACHINE\\");
  else if (root == HKEY_USERS)
    out->append(L"USERS\\");
  out->append(path);
}

bool IsValidPath(const std::wstring& path, bool is_directory) {
  const size_t limit = is_directory ? kMaxDirectoryPathLength : kMaxFilePathLength;
  return path.size() < limit && IsWellFormedPath(path);
}

bool IsWellFormedPath(const std::wstring& path) {
  if (path.empty())
    return false;
  std::wstring_view rest(path);
  size_t position = 0;
  if (rest.size() >= 2 && rest[1] == L':') {
    position = 2;
  } else if (rest.size() >= 2 && IsPathSeparator(rest[0]) && IsPathSeparator(rest[1])) {
    // "\\server\share\": both names must be there, each closed by a
    // separator.
    position = 2;
    if (!SkipUncName(rest, &position) || !SkipUncName(rest, &position))
      return false;
  }
  while (position < rest.size()) {
    if (IsPathSeparator(rest[position])) {
      ++position;
      continue;
    }
    size_t end = position;
    while (end < rest.size() && !IsPathSeparator(rest[end]))
      ++end;
    if (!IsValidPathComponent(rest.substr(position, end - position)))
      return false;
    position = end;
  }
  return true;
}

bool GetFileInformationForPath(const base::FilePath& path, BY_HANDLE_FILE_INFORMATION* info) {
  // No access rights: the file's attributes and identity can be read even
  // when another process holds it open for writing. Backup semantics let
  // folders be opened too.
  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                      nullptr));
  if (!file.IsValid())
    return false;
  return ::GetFileInformationByHandle(file.get(), info) != FALSE;
}

bool GetCurrentUserName(std::wstring* name) {
  wchar_t buffer[UNLEN + 1];
  DWORD size = UNLEN + 1;
  if (!::GetUserNameW(buffer, &size))
    return false;
  name->assign(buffer);
  return true;
}

bool GetUserNameSamCompatible(std::wstring* name) {
  return GetUserNameInFormat(NameSamCompatible, name);
}

bool GetUserDisplayName(std::wstring* name) {
  return GetUserNameInFormat(NameDisplay, name);
}

bool IsShortcutTo(const base::FilePath& shortcut_path,
                  const base::FilePath& expected_target,
                  const BY_HANDLE_FILE_INFORMATION* target_info) {
  VLOG(1) << "Testing shortcut " << shortcut_path;
  if (shortcut_path.empty() || !base::PathExists(shortcut_path))
    return false;
  base::win::ShortcutProperties properties;
  if (!base::win::ResolveShortcutProperties(
          shortcut_path, base::win::ShortcutProperties::PROPERTIES_TARGET, &properties)) {
    return false;
  }
  // A link without a file path (to a shell item) leads to no file of ours;
  // opening an empty path would ask about the current folder instead.
  const std::wstring target = GetShortcutTargetPath(properties);
  if (target.empty())
    return false;
  if (base::FilePath::CompareEqualIgnoreCase(target, expected_target.value()))
    return true;
  if (!target_info)
    return false;
  BY_HANDLE_FILE_INFORMATION info = {};
  return GetFileInformationForPath(base::FilePath(target), &info) &&
         info.dwVolumeSerialNumber == target_info->dwVolumeSerialNumber &&
         info.nFileIndexHigh == target_info->nFileIndexHigh &&
         info.nFileIndexLow == target_info->nFileIndexLow;
}

std::wstring GetShortcutTargetPath(const base::win::ShortcutProperties& properties) {
  return properties.target.value();
}

std::wstring MakeNamedObjectName(const std::wstring& name, const std::wstring& prefix,
                                 bool global) {
  std::wstring object_name = prefix + L"/" + name;
  std::replace(object_name.begin(), object_name.end(), L'\\', L'/');
  return (global ? L"Global\\" : L"Local\\") + object_name;
}

std::string GetBrowserExeName() {
  return GetLowercaseBrandName() + ".exe";
}

ExecutableArchitecture GetExecutableArchitecture(const base::FilePath& path) {
  PeImageReader image;
  if (!image.InitializeFromFile(path))
    return ExecutableArchitecture::kUnknown;
  return image.machine() == IMAGE_FILE_MACHINE_I386 ? ExecutableArchitecture::kX86
                                                    : ExecutableArchitecture::kOther;
}

std::string GetStreamName(uint32_t stream) {
  switch (stream) {
    case static_cast<uint32_t>(Stream::kSorrel):
      return "Sorrel";
    case static_cast<uint32_t>(Stream::kMarlin):
      return "Marlin";
    case static_cast<uint32_t>(Stream::kKestrel):
      return "Kestrel";
    case static_cast<uint32_t>(Stream::kGranite):
      return "Granite";
    default:
      return GetChannelName();
  }
}

std::string GetBuildStreamName() {
  return GetStreamName(static_cast<uint32_t>(GetBuildStream()));
}

std::wstring GetCompanyRegistryPath() {
  return L"Software\\" + base::UTF8ToWide(GetCompanyName());
}

std::wstring GetUninstallRegistryPath() {
  return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
}

bool IsParentPathIgnoringCase(const std::wstring& parent, const std::wstring& child) {
  return base::FilePath(base::ToLowerASCII(parent))
      .IsParent(base::FilePath(base::ToLowerASCII(child)));
}

bool ParseVersionFolderName(const base::FilePath& path, uint32_t* major) {
  const std::wstring name = path.BaseName().value();
  if (!base::ContainsOnlyChars(name, L"0123456789_."))
    return false;
  const std::vector<std::wstring_view> parts =
      base::SplitStringPiece(name, L".", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
  if (parts.size() != 4 && parts.size() != 5)
    return false;
  unsigned first = 0;
  if (!base::StringToUint(parts[0], &first))
    return false;
  if (major)
    *major = first;
  return true;
}

bool IsInstallerResultSuccess(uint32_t result) {
  return result == 0;
}

bool IsMeaningfulInstallerResult(uint32_t result) {
  return result != kInstallerResultChildFailed && result != kInstallerResultChildUnknownExit;
}

}  // namespace velta
