// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_MOVE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_MOVE_FILE_OPERATION_H_

#include <string>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/operation.h"

namespace velta {

class OperationFactory;

// Moves a file (across volumes too). A missing destination folder is created,
// and a different file already at the destination is parked, by
// sub-operations; a destination that differs from the source only in case is
// the same file and is simply renamed. Committing (destruction after success)
// removes the source's folder and its parents while they are empty and were
// created by the factory's operations (CreatedFolders).
// `factory` must outlive the operation.
class MoveFileOperation : public Operation {
 public:
  MoveFileOperation(OperationFactory* factory, const base::FilePath& from, const base::FilePath& to);
  MoveFileOperation(const MoveFileOperation&) = delete;
  MoveFileOperation& operator=(const MoveFileOperation&) = delete;
  ~MoveFileOperation() override;

  // Operation:
  bool Do(Transaction* nested, std::string* error) override;
  // Moves the file back, read-only again when it was.
  void Rollback() override;

 private:
  OperationFactory* const factory_;
  const base::FilePath from_;
  const base::FilePath to_;
  bool was_read_only_ = false;
  bool done_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_MOVE_FILE_OPERATION_H_
