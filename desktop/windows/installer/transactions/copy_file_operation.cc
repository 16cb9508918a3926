// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/copy_file_operation.h"

#include <windows.h>

#include <memory>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/transactions/operation_utils.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

using internal::AppendError;

CopyFileOperation::CopyFileOperation(OperationFactory* factory,
                                     const base::FilePath& from,
                                     const base::FilePath& to)
    : factory_(factory), from_(from), to_(to) {}

CopyFileOperation::~CopyFileOperation() = default;

bool CopyFileOperation::Do(Transaction* nested, std::string* error) {
  const base::FilePath to_folder = to_.DirName();
  if (!base::DirectoryExists(to_folder)) {
    std::unique_ptr<Operation> create_folder = factory_->CreateCreateFolder(to_folder);
    if (!nested->Execute(create_folder, error)) {
      AppendError(error, "Cannot create a folder to place the file in.");
      return false;
    }
  } else if (base::PathExists(to_)) {
    std::unique_ptr<Operation> park =
        factory_->CreateDeleteFile(to_, ProgramInUse::kDelete, EmptyParents::kKeep);
    if (!nested->Execute(park, error)) {
      AppendError(error, "Cannot delete the already existing file to make room for the copied file.");
      return false;
    }
  }

  VLOG(1) << "Copying " << from_ << " to " << to_;
  if (!base::PathExists(from_)) {
    const std::string message = "The source file " + from_.AsUTF8Unsafe() + " does not exist.";
    LOG(ERROR) << message;
    AppendError(error, message);
    return false;
  }
  if (!internal::ClearReadOnlyAttribute(from_, &cleared_source_read_only_)) {
    LOG(ERROR) << "Couldn't clear RO attribute of " << from_;
    AppendError(error, "Could not clear the RO attribute of file");
  }

  std::string failure;
  if (!CopyAndCheck(&failure)) {
    LOG(ERROR) << "File copy failed " << failure;
    AppendError(error, failure);
    if (cleared_source_read_only_)
      internal::SetReadOnlyAttribute(from_);
    cleared_source_read_only_ = false;
    return false;
  }
  VLOG(1) << "File copied successfully";
  done_ = true;
  return true;
}

bool CopyFileOperation::CopyAndCheck(std::string* failure) {
  if (from_.ReferencesParent() || to_.ReferencesParent()) {
    *failure = "One of the paths references parent.";
    return false;
  }
  // Refused even where the file system could take it: later steps, the
  // uninstaller and older Windows tools handle no longer paths.
  if (from_.value().size() >= MAX_PATH || to_.value().size() >= MAX_PATH) {
    *failure = "One of the paths is too long.";
    return false;
  }
  // A file there was parked before; what stands there after a failed copy
  // (part of the file, when the disk filled up) is then this copy's own.
  const bool destination_was_free = !base::PathExists(to_);
  if (!::CopyFileW(from_.value().c_str(), to_.value().c_str(), FALSE)) {
    const DWORD copy_error = ::GetLastError();
    *failure = "Could not CopyFile because of an error: " +
               logging::SystemErrorCodeToString(copy_error);
    if (destination_was_free)
      DeleteUnfinishedCopy();
    return false;
  }
  if (!internal::ClearReadOnlyAttribute(to_, nullptr)) {
    const DWORD attributes_error = ::GetLastError();
    *failure = "Could not get file attributes on destination because of an error: " +
               logging::SystemErrorCodeToString(attributes_error);
    // The copy is ours (a file that was there is parked): take it away again.
    DeleteUnfinishedCopy();
    return false;
  }
  return true;
}

void CopyFileOperation::DeleteUnfinishedCopy() {
  if (base::PathExists(to_) && !base::DeleteFile(to_))
    PLOG(ERROR) << "Cannot delete the unfinished copy " << to_;
}

void CopyFileOperation::Rollback() {
  if (!done_)
    return;
  done_ = false;
  if (!base::DeleteFile(to_))
    PLOG(ERROR) << "Cannot delete the copied file " << to_;
  if (cleared_source_read_only_ && !internal::SetReadOnlyAttribute(from_))
    PLOG(ERROR) << "Cannot make " << from_ << " read-only again";
  cleared_source_read_only_ = false;
}

}  // namespace velta
