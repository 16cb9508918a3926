// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/operation_test_util.h"

#include <string.h>

#include <algorithm>
#include <utility>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/transactions/registry_operation_utils.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta::test {

namespace {

// A name no Windows file system takes.
constexpr wchar_t kUnmakeableFolderName[] = L"no|folder";
// Longer than any key name the registry takes.
const std::wstring kUnmakeableKeyName(300, L'k');

// Wraps a real operation and fails its Do after the real Do succeeded, so
// that the transaction must undo it and its nested work.
class FailAfterDoOperation : public Operation {
 public:
  explicit FailAfterDoOperation(std::unique_ptr<Operation> operation)
      : operation_(std::move(operation)) {}

  bool Do(Transaction* nested, std::string* error) override {
    if (!operation_->Do(nested, error))
      return false;
    if (error)
      *error += "failed on purpose";
    return false;
  }
  void Rollback() override { operation_->Rollback(); }

 private:
  std::unique_ptr<Operation> operation_;
};

// The last sub-key of `root`\`key` in `view`; empty when it has none.
std::wstring LastSubKey(HKEY root, const std::wstring& key, RegistryView view) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_READ | internal::ViewAccessFlag(view),
                      &opened) != ERROR_SUCCESS) {
    return std::wstring();
  }
  std::wstring last;
  wchar_t name[256];
  DWORD name_length = 256;
  for (DWORD index = 0; ::RegEnumKeyExW(opened, index, name, &name_length, nullptr, nullptr,
                                        nullptr, nullptr) == ERROR_SUCCESS;
       ++index, name_length = 256) {
    last.assign(name, name_length);
  }
  ::RegCloseKey(opened);
  return last;
}

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
    line += base::ToLowerASCII(base::HexEncode(data, data_size));
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
  base::FileEnumerator entries(folder, false,
                               base::FileEnumerator::FILES | base::FileEnumerator::DIRECTORIES);
  for (base::FilePath entry = entries.Next(); !entry.empty(); entry = entries.Next())
    names.push_back(entry.BaseName().value());
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

FailingOperationFactory::FailingOperationFactory(FakeSecurityUtils* security)
    : OperationFactory(security), security_(security) {}

FailingOperationFactory::~FailingOperationFactory() = default;

void FailingOperationFactory::Fail(size_t index, Failure failure) {
  failing_index_ = made_ + index;
  failure_ = failure;
}

std::optional<FailingOperationFactory::Failure> FailingOperationFactory::Count() {
  const size_t index = made_++;
  if (index != failing_index_)
    return std::nullopt;
  return failure_;
}

// static
std::unique_ptr<Operation> FailingOperationFactory::Finish(std::optional<Failure> failure,
                                                           std::unique_ptr<Operation> operation) {
  if (failure == Failure::kAfterDo)
    return std::make_unique<FailAfterDoOperation>(std::move(operation));
  return operation;
}

void FailingOperationFactory::Hold(const base::FilePath& path, DWORD share) {
  base::win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_READ, share, nullptr,
                                             OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(file.IsValid()) << path;
  held_.push_back(std::move(file));
}

void FailingOperationFactory::Refuse(HKEY root, const std::wstring& key) {
  std::wstring object_name;
  FormatRegistryPath(root, key, &object_name);
  security_->DenyAccess(object_name);
  security_->FailGrant(object_name);
}

base::FilePath FailingOperationFactory::DamagedCopy(const base::FilePath& archive) {
  std::string bytes;
  EXPECT_TRUE(base::ReadFileToString(archive, &bytes)) << archive;
  // The packed streams lie between the 32-byte start header and the header
  // whose offset from there the start header holds at byte 12.
  uint64_t next_header_offset = 0;
  if (bytes.size() >= 32)
    memcpy(&next_header_offset, bytes.data() + 12, sizeof(next_header_offset));
  if (next_header_offset == 0 || 32 + next_header_offset > bytes.size()) {
    ADD_FAILURE() << "No packed data in " << archive;
    return archive;
  }
  bytes[31 + next_header_offset] ^= 0x20;
  if (!scratch_.IsValid()) {
    EXPECT_TRUE(scratch_.CreateUniqueTempDir());
  }
  const base::FilePath copy = scratch_.GetPath().Append(L"damaged.7z");
  EXPECT_TRUE(base::WriteFile(copy, bytes));
  return copy;
}

std::unique_ptr<Operation> FailingOperationFactory::CreateChangeRegValue(
    HKEY root,
    const std::wstring& key,
    const std::wstring& name,
    std::optional<RegistryValue> value,
    RegistryView view) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay)
    Refuse(root, key);
  return Finish(failure,
                OperationFactory::CreateChangeRegValue(root, key, name, std::move(value), view));
}

std::unique_ptr<Operation> FailingOperationFactory::CreateCopyFile(const base::FilePath& from,
                                                                   const base::FilePath& to) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay)
    Hold(from, 0);
  return Finish(failure, OperationFactory::CreateCopyFile(from, to));
}

std::unique_ptr<Operation> FailingOperationFactory::CreateCreateFolder(const base::FilePath& path) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay)
    return OperationFactory::CreateCreateFolder(path.Append(kUnmakeableFolderName));
  return Finish(failure, OperationFactory::CreateCreateFolder(path));
}

std::unique_ptr<Operation> FailingOperationFactory::CreateCreateRegKey(HKEY root,
                                                                       const std::wstring& key,
                                                                       RegistryView view) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay)
    return OperationFactory::CreateCreateRegKey(root, key + L"\\" + kUnmakeableKeyName, view);
  return Finish(failure, OperationFactory::CreateCreateRegKey(root, key, view));
}

std::unique_ptr<Operation> FailingOperationFactory::CreateDeleteFile(const base::FilePath& path,
                                                                     ProgramInUse in_use,
                                                                     EmptyParents empty_parents) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay)
    Hold(path, in_use == ProgramInUse::kKeep ? FILE_SHARE_READ | FILE_SHARE_DELETE : 0);
  return Finish(failure, OperationFactory::CreateDeleteFile(path, in_use, empty_parents));
}

std::unique_ptr<Operation> FailingOperationFactory::CreateParkFile(
    const base::FilePath& path,
    std::vector<base::FilePath> names_to_avoid) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay)
    Hold(path, 0);
  return Finish(failure, OperationFactory::CreateParkFile(path, std::move(names_to_avoid)));
}

std::unique_ptr<Operation> FailingOperationFactory::CreateDeleteRegKey(HKEY root,
                                                                       const std::wstring& key,
                                                                       RegistryView view) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay) {
    const std::wstring last = LastSubKey(root, key, view);
    Refuse(root, last.empty() ? key : key + L"\\" + last);
  }
  return Finish(failure, OperationFactory::CreateDeleteRegKey(root, key, view));
}

std::unique_ptr<Operation> FailingOperationFactory::CreateMoveFile(const base::FilePath& from,
                                                                   const base::FilePath& to) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay)
    Hold(from, 0);
  return Finish(failure, OperationFactory::CreateMoveFile(from, to));
}

std::unique_ptr<Operation> FailingOperationFactory::CreateUnpackArchive(
    const base::FilePath& archive,
    const base::FilePath& destination,
    LzmaUtil* unpacker,
    UnpackProgressDelegate* delegate) {
  const std::optional<Failure> failure = Count();
  if (failure == Failure::kPartWay) {
    return OperationFactory::CreateUnpackArchive(DamagedCopy(archive), destination, unpacker,
                                                 delegate);
  }
  return Finish(failure,
                OperationFactory::CreateUnpackArchive(archive, destination, unpacker, delegate));
}

RegistryValue StringValue(const std::wstring& text, DWORD type) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
  return RegistryValue{type, {bytes, bytes + (text.size() + 1) * sizeof(wchar_t)}};
}

RegistryValue DwordValue(DWORD value) {
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&value);
  return RegistryValue{REG_DWORD, {bytes, bytes + sizeof(value)}};
}

std::optional<RegistryValue> ReadRegistryValue(HKEY root,
                                               const std::wstring& key,
                                               const std::wstring& name) {
  base::win::RegKey reg_key(root, key.c_str(), KEY_READ);
  DWORD size = 0;
  RegistryValue value;
  if (!reg_key.Valid() ||
      reg_key.ReadValue(name.c_str(), nullptr, &size, &value.type) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  value.data.resize(size);
  if (reg_key.ReadValue(name.c_str(), value.data.data(), &size, &value.type) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

}  // namespace velta::test
