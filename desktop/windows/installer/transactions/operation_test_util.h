// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_TEST_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_TEST_UTIL_H_

#include <windows.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"

namespace velta {
class FakeSecurityUtils;
}  // namespace velta

namespace velta::test {

// Test helpers for the operations: file contents, folder listings and whole
// snapshots of a folder tree or a registry tree, to compare before and after.

void WriteText(const base::FilePath& path, const std::string& text);
// The contents, or "<missing>" when the file cannot be read.
std::string ReadText(const base::FilePath& path);
// The names directly inside `folder`, sorted.
std::vector<std::wstring> FileNamesIn(const base::FilePath& folder);
bool IsReadOnly(const base::FilePath& path);

// A 7z archive that the build made for the tests, by its path below the
// build's archive folder: "crafted\\copy_two_files.7z" (ok/one.txt holding
// "first file", ok\\two.txt holding "second"), "good\\lzma2.7z" with what 7zz
// extracts from it in "expected\\lzma2".
base::FilePath TestArchive(const wchar_t* relative);

// Every file and folder below `root` by relative path: "dir/" for a folder,
// "<contents>" for a file, with " [ro]" added for a read-only one.
std::map<std::wstring, std::string> SnapshotFolder(const base::FilePath& root);

// Every key below and including `root`\`path` in `view` by relative path,
// each with its values as "name=type:hex bytes" lines; an empty map when the
// key does not exist.
std::map<std::wstring, std::vector<std::string>> SnapshotRegistry(HKEY root,
                                                                  const std::wstring& path,
                                                                  REGSAM view);

// The value `name` of `root`\`key` as the registry holds it (its type and
// bytes); empty when it is missing.
std::optional<RegistryValue> ReadRegistryValue(HKEY root,
                                               const std::wstring& key,
                                               const std::wstring& name);

// A string value of `text` stored with its terminating NUL, as the
// registry's readers expect; a REG_DWORD value.
RegistryValue StringValue(const std::wstring& text, DWORD type = REG_SZ);
RegistryValue DwordValue(DWORD value);

// Makes the real operations, and fails the one a test names. Operations are
// counted as they are made, the sub-operations that operations ask the
// factory for included, so a failing sub-operation makes the operation that
// asked for it fail part way too. One thread; `security` is handed to the
// operations and must outlive the factory and every operation made.
class FailingOperationFactory : public OperationFactory {
 public:
  enum class Failure {
    // Do does all its work, then reports a failure.
    kAfterDo,
    // Do meets a real fault and stops part way, once it changed what comes
    // before the fault: a folder or key is asked for one level deeper, under
    // a name that cannot be made (its missing parents are made first); the
    // security utilities refuse the last sub-key of a key tree (the ones
    // before it are deleted) and a value's key (after a missing one was
    // created); an archive is unpacked from a copy damaged in its last packed
    // byte (the entries before it are written); the file a copy, move or
    // deletion starts from is held open without sharing (after the target
    // was parked or its folder made), or, for a program whose deletion keeps
    // it when in use, held as a loaded program is (it is parked, found in
    // use and put back).
    kPartWay,
  };

  explicit FailingOperationFactory(FakeSecurityUtils* security);
  ~FailingOperationFactory() override;

  // Fails the operation made `index`-th from now on (0: the next one).
  void Fail(size_t index, Failure failure);
  // How many operations were made so far.
  size_t made() const { return made_; }

  // OperationFactory:
  std::unique_ptr<Operation> CreateChangeRegValue(HKEY root,
                                                  const std::wstring& key,
                                                  const std::wstring& name,
                                                  std::optional<RegistryValue> value,
                                                  RegistryView view) override;
  std::unique_ptr<Operation> CreateCopyFile(const base::FilePath& from,
                                            const base::FilePath& to) override;
  std::unique_ptr<Operation> CreateCreateFolder(const base::FilePath& path) override;
  std::unique_ptr<Operation> CreateCreateRegKey(HKEY root,
                                                const std::wstring& key,
                                                RegistryView view) override;
  std::unique_ptr<Operation> CreateDeleteFile(const base::FilePath& path,
                                              ProgramInUse in_use,
                                              EmptyParents empty_parents) override;
  std::unique_ptr<Operation> CreateParkFile(const base::FilePath& path,
                                            std::vector<base::FilePath> names_to_avoid) override;
  std::unique_ptr<Operation> CreateDeleteRegKey(HKEY root,
                                                const std::wstring& key,
                                                RegistryView view) override;
  std::unique_ptr<Operation> CreateMoveFile(const base::FilePath& from,
                                            const base::FilePath& to) override;
  std::unique_ptr<Operation> CreateUnpackArchive(const base::FilePath& archive,
                                                 const base::FilePath& destination,
                                                 LzmaUtil* unpacker,
                                                 UnpackProgressDelegate* delegate) override;

 private:
  // Counts the operation about to be made; how it is to fail, if it is.
  std::optional<Failure> Count();
  // `operation`, failing after its Do when `failure` says so.
  static std::unique_ptr<Operation> Finish(std::optional<Failure> failure,
                                           std::unique_ptr<Operation> operation);
  // Keeps `path` open with `share` until the factory is destroyed.
  void Hold(const base::FilePath& path, DWORD share);
  // Denies access to `root`\`key`, and refuses to grant it.
  void Refuse(HKEY root, const std::wstring& key);
  // A copy of `archive` with its last packed byte changed.
  base::FilePath DamagedCopy(const base::FilePath& archive);

  FakeSecurityUtils* const security_;
  size_t made_ = 0;
  std::optional<size_t> failing_index_;
  Failure failure_ = Failure::kAfterDo;
  std::vector<base::win::ScopedHandle> held_;
  base::ScopedTempDir scratch_;
};

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_TEST_UTIL_H_
