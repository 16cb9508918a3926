// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_TEST_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_TEST_UTIL_H_

#include <windows.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/operation.h"

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

// Wraps a real operation and fails its Do after the real Do succeeded, so
// that the transaction must undo it and its nested work.
class FailAfterDoOperation : public Operation {
 public:
  explicit FailAfterDoOperation(std::unique_ptr<Operation> operation);
  ~FailAfterDoOperation() override;

  bool Do(Transaction* nested, std::string* error) override;
  void Rollback() override;

 private:
  std::unique_ptr<Operation> operation_;
};

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_TEST_UTIL_H_
