// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/create_folder_operation.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/transactions/created_folders.h"
#include "desktop/windows/installer/transactions/operation_utils.h"
#include "desktop/windows/installer/transactions/run_journal.h"

namespace velta {

CreateFolderOperation::CreateFolderOperation(const base::FilePath& path,
                                             CreatedFolders* created_folders,
                                             RunJournal* journal)
    : path_(path), created_folders_record_(created_folders), journal_(journal) {}

CreateFolderOperation::~CreateFolderOperation() = default;

bool CreateFolderOperation::Do(Transaction* /*nested*/, std::string* error) {
  VLOG(1) << "Attempting to create folder " << path_;
  if (base::DirectoryExists(path_)) {
    VLOG(1) << "Folder already exists";
    return true;
  }

  std::vector<base::FilePath> missing;  // Deepest first.
  base::FilePath ancestor = path_.StripTrailingSeparators();
  while (!base::DirectoryExists(ancestor)) {
    const base::FilePath parent = ancestor.DirName();
    if (parent == ancestor) {
      internal::SetError(error, "Failed folder creation: No valid ancestor found");
      LOG(ERROR) << "Failed folder creation";
      return false;
    }
    missing.push_back(ancestor);
    ancestor = parent;
  }
  VLOG(1) << "Valid ancestor";

  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    journal_->Record(*it);
    if (::CreateDirectoryW(it->value().c_str(), nullptr)) {
      created_.push_back(*it);
      created_folders_record_->Add(*it);
      continue;
    }
    const DWORD create_error = ::GetLastError();
    // Not made by this run: the journal must not leave it to be taken away
    // should the run never end.
    if (!journal_->Retract(*it))
      LOG(ERROR) << "The journal names " << *it << ", which this run did not make";
    // Made by someone else in the meantime: fine, but not ours to remove.
    if (create_error == ERROR_ALREADY_EXISTS && base::DirectoryExists(*it))
      continue;
    LOG(ERROR) << "Cannot create directory " << *it << ": "
               << logging::SystemErrorCodeToString(create_error);
    internal::SetError(error, "Cannot create directory: " +
                                  logging::SystemErrorCodeToString(create_error));
    RemoveCreatedFolders();
    return false;
  }
  ancestor_ = ancestor;
  VLOG(1) << "Folder created successfully";
  return true;
}

void CreateFolderOperation::Rollback() {
  if (ancestor_.empty())
    return;
  RemoveCreatedFolders();
  ancestor_.clear();
}

void CreateFolderOperation::RemoveCreatedFolders() {
  for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
    journal_->CloseIfIn(*it);
    if (!::RemoveDirectoryW(it->value().c_str())) {
      PLOG(WARNING) << "Cannot remove the created folder " << *it;
      // It and the folders above it stay named for the next run.
      journal_->KeepForNextRun();
      break;
    }
    created_folders_record_->Remove(*it);
  }
  created_.clear();
}

}  // namespace velta
