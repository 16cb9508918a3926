// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATED_FOLDERS_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATED_FOLDERS_H_

#include <vector>

#include "base/files/file_path.h"

namespace velta {

// The folders that the installation's own operations created in this run,
// so that a commit which clears the folders it emptied removes only those
// and never a folder the user made. Paths compare without regard to case.
// Held by the operation factory; used on its thread only.
class CreatedFolders {
 public:
  CreatedFolders();
  CreatedFolders(const CreatedFolders&) = delete;
  CreatedFolders& operator=(const CreatedFolders&) = delete;
  ~CreatedFolders();

  void Add(const base::FilePath& folder);
  // Forgets `folder`, when a rollback removed it.
  void Remove(const base::FilePath& folder);
  bool Contains(const base::FilePath& folder) const;

  // Removes `folder`, then its parents, while each is one of ours and empty;
  // stops at the first folder that is not ours or cannot be removed.
  void RemoveEmptyUpwards(const base::FilePath& folder);

 private:
  std::vector<base::FilePath> folders_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATED_FOLDERS_H_
