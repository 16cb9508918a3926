// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/operation_test_util.h"

#include <stdio.h>

#include <algorithm>
#include <utility>

#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta::test {

namespace {

void SnapshotFolderInto(const base::FilePath& folder,
                        const std::wstring& prefix,
                        std::map<std::wstring, std::string>* snapshot) {
  for (const std::wstring& name : FileNamesIn(folder)) {
    const base::FilePath path = folder.Append(name);
    const std::wstring relative = prefix + name;
    if (base::DirectoryExists(path)) {
      (*snapshot)[relative + L"/"] = "dir";
      SnapshotFolderInto(path, relative + L"/", snapshot);
    } else {
      (*snapshot)[relative] = ReadText(path) + (IsReadOnly(path) ? " [ro]" : "");
    }
  }
}

void SnapshotKeyInto(HKEY root,
                     const std::wstring& path,
                     const std::wstring& relative,
                     REGSAM view,
                     std::map<std::wstring, std::vector<std::string>>* snapshot) {
  HKEY key = nullptr;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS)
    return;
  std::vector<std::string>& values = (*snapshot)[relative];
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD name_length = 16384;
    uint8_t data[4096];
    DWORD data_size = sizeof(data);
    DWORD type = 0;
    if (::RegEnumValueW(key, index, name, &name_length, nullptr, &type, data, &data_size) !=
        ERROR_SUCCESS) {
      break;
    }
    std::string line = base::WideToUTF8(std::wstring(name, name_length)) + "=" +
                       std::to_string(type) + ":";
    for (DWORD i = 0; i < data_size; ++i) {
      char hex[4];
      snprintf(hex, sizeof(hex), "%02x", data[i]);
      line += hex;
    }
    values.push_back(line);
  }
  std::sort(values.begin(), values.end());
  std::vector<std::wstring> subkeys;
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD name_length = 256;
    if (::RegEnumKeyExW(key, index, name, &name_length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    subkeys.emplace_back(name, name_length);
  }
  ::RegCloseKey(key);
  for (const std::wstring& subkey : subkeys) {
    SnapshotKeyInto(root, path + L"\\" + subkey, relative + L"\\" + subkey, view, snapshot);
  }
}

}  // namespace

void WriteText(const base::FilePath& path, const std::string& text) {
  ASSERT_TRUE(base::WriteFile(path, text)) << path;
}

std::string ReadText(const base::FilePath& path) {
  std::string contents;
  if (!base::ReadFileToString(path, &contents))
    return "<missing>";
  return contents;
}

std::vector<std::wstring> FileNamesIn(const base::FilePath& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW(folder.Append(L"*").value().c_str(), &data);
  if (find == INVALID_HANDLE_VALUE)
    return names;
  do {
    const std::wstring name = data.cFileName;
    if (name != L"." && name != L"..")
      names.push_back(name);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  std::sort(names.begin(), names.end());
  return names;
}

bool IsReadOnly(const base::FilePath& path) {
  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

base::FilePath TestArchive(const wchar_t* relative) {
  return FromBuildPath(VELTA_SEVEN_ZIP_BUILD_TEST_ARCHIVES).Append(relative);
}

std::map<std::wstring, std::string> SnapshotFolder(const base::FilePath& root) {
  std::map<std::wstring, std::string> snapshot;
  SnapshotFolderInto(root, L"", &snapshot);
  return snapshot;
}

std::map<std::wstring, std::vector<std::string>> SnapshotRegistry(HKEY root,
                                                                  const std::wstring& path,
                                                                  REGSAM view) {
  std::map<std::wstring, std::vector<std::string>> snapshot;
  SnapshotKeyInto(root, path, L".", view, &snapshot);
  return snapshot;
}

FailAfterDoOperation::FailAfterDoOperation(std::unique_ptr<Operation> operation)
    : operation_(std::move(operation)) {}

FailAfterDoOperation::~FailAfterDoOperation() = default;

bool FailAfterDoOperation::Do(Transaction* nested, std::string* error) {
  if (!operation_->Do(nested, error))
    return false;
  if (error)
    *error += "failed on purpose";
  return false;
}

void FailAfterDoOperation::Rollback() {
  operation_->Rollback();
}

}  // namespace velta::test
