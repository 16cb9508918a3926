// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_DELETE_FILE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_DELETE_FILE_OPERATION_H_

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"

namespace velta {

class RunJournal;
class SecurityRestoreInfo;
class SecurityUtils;

// Removes a file (or folder) undoably: Do parks it beside itself as
// "<name>.<seconds since 1970>.old" (a second parking of the same name within
// one second adds a counter: "<name>.<seconds>.1.old"), Rollback moves it
// back, and the destructor commits by deleting the parked file, or scheduling
// its deletion at the next restart when it cannot be deleted now. The
// parked name is recorded in `journal` (which must outlive the operation)
// before the move, so that what a killed run parked is found later. The
// folders a commit leaves empty go only below the journal's folder, the
// installation folder, as it is when the operation is made: never that
// folder, nor one outside it (the user's own around the installation).
//
// When the current user lacks write and delete access, Do grants it through
// `security_utils` (which must outlive the operation) and the earlier access
// list is put back whenever the file is back at its name (after a failed Do,
// a rollback, or a destruction without commit). A parked file is never
// deleted unless the operation committed: when a rollback cannot move it
// back, it stays parked and is logged.
class DeleteFileOperation : public Operation {
 public:
  // The ".old" name chosen is none of `names_to_avoid` (compared without
  // regard to case): names that are about to be written, such as the entries
  // of an archive unpacked next to the parked file.
  DeleteFileOperation(SecurityUtils* security_utils,
                      RunJournal* journal,
                      const base::FilePath& path,
                      ProgramInUse in_use,
                      EmptyParents empty_parents,
                      std::vector<base::FilePath> names_to_avoid = {});
  DeleteFileOperation(const DeleteFileOperation&) = delete;
  DeleteFileOperation& operator=(const DeleteFileOperation&) = delete;
  ~DeleteFileOperation() override;

  // Operation:
  bool Do(Transaction* nested, std::string* error) override;
  void Rollback() override;

 private:
  // Chooses a free ".old" name for the current second, none of
  // `names_to_avoid_`; false when all the names tried are taken (`old_path_`
  // then holds the first of them).
  bool ChooseParkedName();
  bool IsFreeParkedName(const base::FilePath& candidate) const;
  // Fails Do after the move to the ".old" name failed with `move_error`.
  bool FailMove(unsigned long move_error, std::string* error);
  // Puts the saved access list back, if any, and then the read-only
  // attribute the file had.
  void RestoreAccessList();

  SecurityUtils* const security_utils_;
  RunJournal* const journal_;
  const base::FilePath path_;
  base::FilePath old_path_;
  bool done_ = false;
  const ProgramInUse in_use_;
  const EmptyParents empty_parents_;
  // Emptied folders are removed below it only.
  const base::FilePath parents_limit_;
  const std::vector<base::FilePath> names_to_avoid_;
  std::unique_ptr<SecurityRestoreInfo> restore_info_;
  // The file was read-only before Do granted access to it.
  bool was_read_only_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_DELETE_FILE_OPERATION_H_
