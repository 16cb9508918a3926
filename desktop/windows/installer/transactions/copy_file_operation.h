// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_COPY_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_COPY_FILE_OPERATION_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/operation.h"

namespace velta {

class OperationFactory;

// Copies one file. A missing destination folder is created, and a file
// already at the destination is parked, by sub-operations that lie before
// this one in the transaction and undo themselves. A copy that fails part
// way (the disk is full) deletes what it wrote. Paths of 260 characters or
// more, and paths with a ".." component, are refused. `factory` must outlive
// the operation.
class CopyFileOperation : public Operation {
 public:
  CopyFileOperation(OperationFactory* factory, const base::FilePath& from, const base::FilePath& to);
  CopyFileOperation(const CopyFileOperation&) = delete;
  CopyFileOperation& operator=(const CopyFileOperation&) = delete;
  ~CopyFileOperation() override;

  // Operation:
  bool Do(Transaction* nested, std::string* error) override;
  // Deletes the copy and makes a source that was read-only read-only again.
  void Rollback() override;

 private:
  // Copies and checks the copy; on failure returns false with `*failure` set.
  bool CopyAndCheck(std::string* failure);
  // Deletes what a failed copy left at the destination, which a file of
  // someone else's no longer holds (it was parked first).
  void DeleteUnfinishedCopy();

  OperationFactory* const factory_;
  const base::FilePath from_;
  const base::FilePath to_;
  // The source's read-only attribute was cleared to copy it.
  bool cleared_source_read_only_ = false;
  bool done_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_COPY_FILE_OPERATION_H_
