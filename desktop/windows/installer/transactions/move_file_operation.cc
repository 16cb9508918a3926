// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/move_file_operation.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/transactions/created_folders.h"
#include "desktop/windows/installer/transactions/operation_utils.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

MoveFileOperation::MoveFileOperation(OperationFactory* factory,
                                     const base::FilePath& from,
                                     const base::FilePath& to)
    : factory_(factory), from_(from), to_(to) {}

MoveFileOperation::~MoveFileOperation() {
  // Only folders the installation created: one the user made stays, even
  // when the move emptied it.
  if (done_)
    factory_->created_folders()->RemoveEmptyUpwards(from_.DirName());
}

bool MoveFileOperation::Do(Transaction* nested, std::string* error) {
  const base::FilePath to_folder = to_.DirName();
  if (!base::DirectoryExists(to_folder)) {
    std::unique_ptr<Operation> create_folder = factory_->CreateCreateFolder(to_folder);
    if (!nested->Execute(create_folder, error)) {
      internal::AppendError(error, "\nCannot create folder for the moved file");
      return false;
    }
  } else if (base::PathExists(to_) &&
             !base::FilePath::CompareEqualIgnoreCase(to_.value(), from_.value())) {
    std::unique_ptr<Operation> park =
        factory_->CreateDeleteFile(to_, ProgramInUse::kDelete, EmptyParents::kKeep);
    if (!nested->Execute(park, error)) {
      internal::AppendError(error, "\nCannot delete the file that has the same name as the move target");
      return false;
    }
  }

  VLOG(1) << "Moving " << from_ << "to" << to_;
  if (!internal::ClearReadOnlyAttribute(from_, &was_read_only_))
    PLOG(WARNING) << "Couldn't clear RO attribute of " << from_;

  if (!base::Move(from_, to_)) {
    const DWORD move_error = ::GetLastError();
    LOG(ERROR) << "File move failed";
    internal::SetError(error,
                       "Could not move the file: " + logging::SystemErrorCodeToString(move_error));
    if (was_read_only_)
      internal::SetReadOnlyAttribute(from_);
    was_read_only_ = false;
    return false;
  }
  VLOG(1) << "File moved successfully";
  done_ = true;
  return true;
}

void MoveFileOperation::Rollback() {
  if (!done_)
    return;
  done_ = false;
  if (!base::Move(to_, from_)) {
    PLOG(ERROR) << "Cannot move " << to_ << " back to " << from_;
    return;
  }
  if (was_read_only_ && !internal::SetReadOnlyAttribute(from_))
    PLOG(WARNING) << "Cannot make " << from_ << " read-only again";
  VLOG(1) << "File move rolled back successfully";
}

}  // namespace velta
