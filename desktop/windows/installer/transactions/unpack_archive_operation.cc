// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/unpack_archive_operation.h"

#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/transactions/created_folders.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_utils.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

using internal::AppendError;
using internal::SetError;

namespace {

// Fails the operation with the unpacker's `result`; the listing and the
// unpacking report a failure alike.
bool FailUnpack(int result, std::string* error) {
  SetError(error, "Could not lzma unpack, error code: " + std::to_string(result));
  LOG(ERROR) << "Could not unpack";
  return false;
}

}  // namespace

UnpackArchiveOperation::UnpackArchiveOperation(OperationFactory* factory,
                                               const base::FilePath& archive,
                                               const base::FilePath& destination,
                                               LzmaUtil* unpacker,
                                               UnpackProgressDelegate* delegate)
    : factory_(factory),
      archive_(archive),
      destination_(destination),
      unpacker_(unpacker),
      delegate_(delegate) {}

UnpackArchiveOperation::~UnpackArchiveOperation() = default;

bool UnpackArchiveOperation::Do(Transaction* nested, std::string* error) {
  // The destination itself is made here, not left to the unpacker: the
  // unpacker keeps its output buffer in a temporary file in the destination
  // and falls back to heap memory for a whole solid block when it is missing.
  if (!base::DirectoryExists(destination_)) {
    std::unique_ptr<Operation> create_folder = factory_->CreateCreateFolder(destination_);
    if (!nested->Execute(create_folder, error)) {
      AppendError(error, "\nCannot create a folder to place the files in.");
      return false;
    }
  }

  VLOG(1) << "Unpacking " << archive_ << " to " << destination_;
  if (!base::PathExists(archive_)) {
    const std::string message = "The archive " + archive_.AsUTF8Unsafe() + " does not exist.";
    LOG(ERROR) << message;
    SetError(error, message);
    return false;
  }

  if (!unpacker_) {
    // Do runs once; a second run has no unpacker left.
    SetError(error, "Could not open the archive: no unpacker");
    LOG(ERROR) << "Could not open the archive";
    return false;
  }
  const int open_result = unpacker_->Open(archive_);
  if (open_result != LzmaUtil::kOpenSuccess) {
    SetError(error, "Could not open the archive: " + std::to_string(open_result));
    LOG(ERROR) << "Could not open the archive";
    return false;
  }

  const bool unpacked = MakeRoomForEntries(nested, error) && UnpackEntries(error);
  // The archive stays locked while open; nobody else reads it through this
  // unpacker after the operation.
  unpacker_->Close();
  unpacker_ = nullptr;
  return unpacked;
}

bool UnpackArchiveOperation::MakeRoomForEntries(Transaction* nested, std::string* error) {
  std::vector<LzmaUtil::EntryPath> entries;
  const int result = unpacker_->ListEntryPaths(destination_, &entries);
  if (result != LzmaUtil::kUnpackSuccess)
    return FailUnpack(result, error);

  // Every clash is found before the first file is parked, so a refused
  // archive changes nothing. Folders are checked up to the destination, once
  // each: a folder entry, or the parent of any entry, where a file is.
  std::set<base::FilePath> checked_folders;
  std::set<base::FilePath> in_the_way;
  for (const LzmaUtil::EntryPath& entry : entries) {
    for (base::FilePath folder = entry.is_directory ? entry.path : entry.path.DirName();
         destination_.IsParent(folder) && checked_folders.insert(folder).second;
         folder = folder.DirName()) {
      if (base::PathExists(folder) && !base::DirectoryExists(folder)) {
        const std::string message =
            "Cannot unpack the archive: a file is in the way of the folder " +
            folder.AsUTF8Unsafe();
        LOG(ERROR) << message;
        SetError(error, message);
        return false;
      }
    }
    if (entry.is_directory)
      continue;
    if (base::DirectoryExists(entry.path)) {
      const std::string message =
          "Cannot unpack the archive: a folder is in the way of the file " +
          entry.path.AsUTF8Unsafe();
      LOG(ERROR) << message;
      SetError(error, message);
      return false;
    }
    if (base::PathExists(entry.path))
      in_the_way.insert(entry.path);
  }

  // The unpacker replaces files: the previous ones are parked instead, to be
  // put back by a rollback and deleted by a commit. A parked name must be no
  // entry's: the unpack would write over the parked file, and the commit
  // would then delete the unpacked one.
  std::vector<base::FilePath> entry_paths;
  entry_paths.reserve(entries.size());
  for (const LzmaUtil::EntryPath& entry : entries)
    entry_paths.push_back(entry.path);
  for (const base::FilePath& path : in_the_way) {
    std::unique_ptr<Operation> park = factory_->CreateParkFile(path, entry_paths);
    if (!nested->Execute(park, error)) {
      AppendError(error, "\nCannot move the existing file " + path.AsUTF8Unsafe() +
                             " out of the way of the unpacked one.");
      return false;
    }
  }
  return true;
}

bool UnpackArchiveOperation::UnpackEntries(std::string* error) {
  const int result = unpacker_->Unpack(destination_, std::set<base::FilePath>(), delegate_,
                                       &unpacked_files_, &created_folders_);
  if (result != LzmaUtil::kUnpackSuccess) {
    // What was written before the failure is removed by the rollback that
    // the transaction runs next.
    done_ = !unpacked_files_.empty() || !created_folders_.empty();
    FailUnpack(result, error);
    // The code alone does not tell a full disk from a broken one.
    const std::string disk_full = unpacker_->GetLastDiskFullError();
    if (!disk_full.empty())
      AppendError(error, "\nUnpacking stopped: " + disk_full);
    return false;
  }

  done_ = true;
  for (const base::FilePath& folder : created_folders_)
    factory_->created_folders()->Add(folder);
  for (const base::FilePath& file : unpacked_files_) {
    if (!internal::ClearReadOnlyAttribute(file, nullptr))
      LOG(ERROR) << "Couldn't clear RO attribute of " << file;
  }
  VLOG(1) << "Archive unpacked successfully";
  return true;
}

void UnpackArchiveOperation::Rollback() {
  if (!done_)
    return;
  done_ = false;
  for (const base::FilePath& file : unpacked_files_) {
    // A read-only file cannot be deleted; the unpacked ones are ours.
    internal::ClearReadOnlyAttribute(file, nullptr);
    if (!base::DeleteFile(file))
      PLOG(ERROR) << "Cannot delete the unpacked file " << file;
  }
  unpacked_files_.clear();

  // A folder is reported only after its parent, so the reverse order removes
  // children first. Only the reported folders are removed, never their
  // parents: an empty folder that was there before stays. A folder that
  // cannot be removed (someone put a file there) does not stop the others.
  for (auto it = created_folders_.rbegin(); it != created_folders_.rend(); ++it) {
    if (!::RemoveDirectoryW(it->value().c_str()))
      PLOG(WARNING) << "Cannot remove the created folder " << *it;
    else
      factory_->created_folders()->Remove(*it);
  }
  created_folders_.clear();
}

}  // namespace velta
