// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/delete_file_operation.h"

#include <windows.h>

#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/transactions/operation_utils.h"
#include "desktop/windows/installer/transactions/run_journal.h"

namespace velta {

namespace {

// Generic file write plus DELETE.
constexpr DWORD kWriteAndDeleteAccess = 0x130116;

// How many counted names ("<name>.<seconds>.<n>.old") are tried after the
// plain one before giving up.
constexpr int kMaxParkingCounter = 999;

bool IsExecutableOrLibrary(const base::FilePath& path) {
  const std::wstring extension = path.FinalExtension();
  return base::FilePath::CompareEqualIgnoreCase(extension, L".exe") ||
         base::FilePath::CompareEqualIgnoreCase(extension, L".dll");
}

}  // namespace

DeleteFileOperation::DeleteFileOperation(SecurityUtils* security_utils,
                                         RunJournal* journal,
                                         const base::FilePath& path,
                                         ProgramInUse in_use,
                                         EmptyParents empty_parents,
                                         std::vector<base::FilePath> names_to_avoid)
    : security_utils_(security_utils),
      journal_(journal),
      path_(path.StripTrailingSeparators()),
      in_use_(in_use),
      empty_parents_(empty_parents),
      parents_limit_(journal->folder()),
      names_to_avoid_(std::move(names_to_avoid)) {}

DeleteFileOperation::~DeleteFileOperation() {
  if (!done_) {
    RestoreAccessList();
    return;
  }
  VLOG(1) << "Actual removal of " << old_path_;
  if (!base::DeletePathRecursively(old_path_)) {
    PLOG(WARNING) << "Cannot delete " << old_path_ << " now, deleting it at the next restart";
    if (!base::DeleteFileAfterReboot(old_path_))
      PLOG(ERROR) << "Cannot schedule the deletion of " << old_path_;
  }
  if (empty_parents_ == EmptyParents::kRemoveOnCommit)
    internal::RemoveEmptyFoldersUpwards(path_.DirName(), parents_limit_);
}

bool DeleteFileOperation::Do(Transaction* /*nested*/, std::string* error) {
  VLOG(1) << "Preparing file " << path_ << " for removal";
  if (!base::PathExists(path_)) {
    VLOG(1) << "File does not exist. Nothing to do";
    return true;
  }

  // The parked name's seconds must be no earlier than the journal that
  // records it, or a later run would not take it for this run's. Without a
  // journal the file is parked all the same (RunJournal::Record).
  journal_->MakeFor(path_);
  if (!ChooseParkedName()) {
    LOG(ERROR) << "Temporary file with name" << old_path_ << "already exists";
    internal::SetError(error, ".old file '" + old_path_.AsUTF8Unsafe() + "' already exists ");
    return false;
  }

  // Granting access can make the file writable (Wine keeps the read-only
  // attribute in the file's mode, which an access list changes): the
  // attribute is put back with the access list.
  const DWORD attributes = ::GetFileAttributesW(path_.value().c_str());
  was_read_only_ =
      attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
  if (!security_utils_->HasAccess(path_.value(), SE_FILE_OBJECT, kWriteAndDeleteAccess) &&
      !security_utils_->TakeOwnershipAndGrantFullAccess(path_.value(), SE_FILE_OBJECT,
                                                        kWriteAndDeleteAccess, false,
                                                        &restore_info_)) {
    LOG(ERROR) << "Cannot obtain proper permissions on the file";
    internal::SetError(error, "Cannot obtain proper permissions on the file");
    return false;
  }

  journal_->Record(old_path_);
  if (!base::Move(path_, old_path_)) {
    const DWORD move_error = ::GetLastError();
    // Nothing was parked under the name: whatever stands there later is
    // not this run's to remove.
    journal_->Retract(old_path_);
    return FailMove(move_error, error);
  }
  VLOG(1) << "File moved successfully to " << old_path_;

  if (in_use_ == ProgramInUse::kKeep && IsExecutableOrLibrary(path_)) {
    // A running program or a loaded library can be renamed but not written.
    HANDLE file = ::CreateFileW(old_path_.value().c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD open_error = ::GetLastError();
      LOG(ERROR) << "Attempt to open the file for writing failed: "
                 << logging::SystemErrorCodeToString(open_error);
      if (!base::Move(old_path_, path_)) {
        // It stays parked (not done: nothing will delete it) rather than lost.
        PLOG(ERROR) << "Cannot move " << old_path_ << " back to " << path_;
        restore_info_.reset();
      }
      return FailMove(open_error, error);
    }
    ::CloseHandle(file);
  }
  done_ = true;
  return true;
}

void DeleteFileOperation::Rollback() {
  if (!done_)
    return;
  // Whatever happens below, the parked file must never be deleted now.
  done_ = false;
  if (!base::Move(old_path_, path_)) {
    PLOG(ERROR) << "Cannot move " << old_path_ << " back to " << path_
                << "; the file is kept under that name";
    // The saved access list belongs to what now has the name: leave it.
    restore_info_.reset();
    return;
  }
  VLOG(1) << "File moved back to " << path_;
  RestoreAccessList();
}

bool DeleteFileOperation::ChooseParkedName() {
  const std::wstring stem =
      path_.value() + L"." + std::to_wstring(base::Time::Now().ToTimeT());
  old_path_ = base::FilePath(stem + L".old");
  if (IsFreeParkedName(old_path_))
    return true;
  for (int counter = 1; counter <= kMaxParkingCounter; ++counter) {
    base::FilePath candidate(stem + L"." + std::to_wstring(counter) + L".old");
    if (IsFreeParkedName(candidate)) {
      old_path_ = candidate;
      return true;
    }
  }
  return false;
}

bool DeleteFileOperation::IsFreeParkedName(const base::FilePath& candidate) const {
  if (base::PathExists(candidate))
    return false;
  for (const base::FilePath& name : names_to_avoid_) {
    if (base::FilePath::CompareEqualIgnoreCase(name.value(), candidate.value()))
      return false;
  }
  return true;
}

bool DeleteFileOperation::FailMove(unsigned long move_error, std::string* error) {
  LOG(ERROR) << "File removal failed";
  internal::SetError(
      error, "Cannot move the file to .old: " + logging::SystemErrorCodeToString(move_error));
  if (base::PathExists(path_))
    RestoreAccessList();
  return false;
}

void DeleteFileOperation::RestoreAccessList() {
  if (!restore_info_)
    return;
  if (!security_utils_->RestoreSecurity(&restore_info_))
    LOG(ERROR) << "Cannot restore the access list of " << path_;
  restore_info_.reset();
  if (was_read_only_ && !internal::SetReadOnlyAttribute(path_))
    PLOG(ERROR) << "Cannot make " << path_ << " read-only again";
}

}  // namespace velta
