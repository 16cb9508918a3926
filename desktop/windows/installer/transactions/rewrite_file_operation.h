// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REWRITE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REWRITE_FILE_OPERATION_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/operation.h"

namespace velta {

// Stands in the transaction for a small file that its caller writes itself
// after Do, through a writer of its own (the installation status, a
// preference store): Do keeps the file's bytes in memory, or notes that
// there is no such file, and Rollback puts those bytes back (whole, through
// a temporary file) or deletes the file. Committing leaves the file as the
// caller wrote it.
class RewriteFileOperation : public Operation {
 public:
  explicit RewriteFileOperation(const base::FilePath& path);
  RewriteFileOperation(const RewriteFileOperation&) = delete;
  RewriteFileOperation& operator=(const RewriteFileOperation&) = delete;
  ~RewriteFileOperation() override;

  // Operation:
  // Fails when the file exists but cannot be read (a folder of that name
  // included).
  bool Do(Transaction* nested, std::string* error) override;
  void Rollback() override;

 private:
  const base::FilePath path_;
  // The file existed, with `contents_`.
  bool existed_ = false;
  std::string contents_;
  bool done_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REWRITE_FILE_OPERATION_H_
