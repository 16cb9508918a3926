// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/created_folders.h"

#include <windows.h>

#include <algorithm>

namespace velta {

namespace {

bool SameFolder(const base::FilePath& a, const base::FilePath& b) {
  return base::FilePath::CompareEqualIgnoreCase(a.StripTrailingSeparators().value(),
                                                b.StripTrailingSeparators().value());
}

}  // namespace

CreatedFolders::CreatedFolders() = default;

CreatedFolders::~CreatedFolders() = default;

void CreatedFolders::Add(const base::FilePath& folder) {
  if (!Contains(folder))
    folders_.push_back(folder.StripTrailingSeparators());
}

void CreatedFolders::Remove(const base::FilePath& folder) {
  std::erase_if(folders_, [&](const base::FilePath& known) { return SameFolder(known, folder); });
}

bool CreatedFolders::Contains(const base::FilePath& folder) const {
  return std::any_of(folders_.begin(), folders_.end(),
                     [&](const base::FilePath& known) { return SameFolder(known, folder); });
}

void CreatedFolders::RemoveEmptyUpwards(const base::FilePath& folder) {
  base::FilePath current = folder.StripTrailingSeparators();
  while (Contains(current) && ::RemoveDirectoryW(current.value().c_str())) {
    Remove(current);
    const base::FilePath parent = current.DirName();
    if (parent == current)
      break;
    current = parent;
  }
}

}  // namespace velta
