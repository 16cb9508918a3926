// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/operation.h"

namespace velta {

class CreatedFolders;
class RunJournal;

// Creates a folder with its missing parents, and adds each folder it created
// to `created_folders`; each one is recorded in `journal` before it is made
// (and taken back when it is not made after all, another process having
// made it first), and the journal closed before a folder holding it is
// removed (both must outlive the operation). A rollback removes exactly the folders this
// operation created, deepest first, while they are empty (never what they
// hold); a folder that already existed (even an empty one) is never
// removed. A folder that cannot be removed keeps the journal for the next
// run (RunJournal::KeepForNextRun).
class CreateFolderOperation : public Operation {
 public:
  CreateFolderOperation(const base::FilePath& path,
                        CreatedFolders* created_folders,
                        RunJournal* journal);
  CreateFolderOperation(const CreateFolderOperation&) = delete;
  CreateFolderOperation& operator=(const CreateFolderOperation&) = delete;
  ~CreateFolderOperation() override;

  // Operation:
  bool Do(Transaction* nested, std::string* error) override;
  void Rollback() override;

 private:
  // Removes the created folders, deepest first, up to the first one that
  // cannot be removed (it is not empty).
  void RemoveCreatedFolders();

  const base::FilePath path_;
  CreatedFolders* const created_folders_record_;
  RunJournal* const journal_;
  // The nearest folder that existed before; empty until Do created `path_`.
  base::FilePath ancestor_;
  // The folders Do created, outermost first.
  std::vector<base::FilePath> created_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATE_FOLDER_OPERATION_H_
