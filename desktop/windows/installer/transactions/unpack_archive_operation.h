// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_UNPACK_ARCHIVE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_UNPACK_ARCHIVE_OPERATION_H_

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/operation.h"

namespace velta {

class LzmaUtil;
class OperationFactory;
class UnpackProgressDelegate;

// Unpacks a 7z archive into a folder with an LzmaUtil. A missing destination
// is created (with its missing parents) by a create-folder sub-operation that
// lies before this one in the transaction and undoes itself; that one, like
// the parking below, records what it makes in the factory's run journal
// before the first file is written, so that what an unpack that never ended
// (a killed process) left is taken away by a later run, and nothing else.
//
// Files already at an entry's output path (a previous installation's, a
// user's) are never overwritten in place: before unpacking, each is parked
// by a delete-file sub-operation (as "<name>.<seconds>.old"), which lies
// before this one in the transaction, so a rollback first deletes the
// unpacked file and then puts the previous one back, and a commit deletes
// the parked one. An entry that clashes with the destination's contents (a
// folder entry, or a folder an entry needs, where a file is; a file entry
// where a folder is) fails the operation before anything is written.
//
// A rollback deletes the files the unpacker wrote and removes exactly the
// folders it reported as created, deepest first; a folder that existed
// before, even an empty one inside or above the destination, is never
// removed. A failed unpack that wrote something is rolled back the same way
// by the transaction.
//
// `factory`, `unpacker` and `delegate` (may be null) are not owned; `factory`
// must outlive the operation, `unpacker` and `delegate` only its Do. The
// operation opens the archive with `unpacker`, closes it after unpacking and
// forgets the unpacker then.
class UnpackArchiveOperation : public Operation {
 public:
  UnpackArchiveOperation(OperationFactory* factory,
                         const base::FilePath& archive,
                         const base::FilePath& destination,
                         LzmaUtil* unpacker,
                         UnpackProgressDelegate* delegate);
  UnpackArchiveOperation(const UnpackArchiveOperation&) = delete;
  UnpackArchiveOperation& operator=(const UnpackArchiveOperation&) = delete;
  ~UnpackArchiveOperation() override;

  // Operation:
  bool Do(Transaction* nested, std::string* error) override;
  // Deletes the unpacked files, then removes the created folders, deepest
  // first. What cannot be removed is logged and left.
  void Rollback() override;

 private:
  // Lists the open archive's entries, refuses entries that clash with what
  // the destination holds, and parks the files in the entries' way into
  // `nested`. Writes nothing when it fails.
  bool MakeRoomForEntries(Transaction* nested, std::string* error);
  // Unpacks the open archive and records what was written.
  bool UnpackEntries(std::string* error);

  OperationFactory* const factory_;
  const base::FilePath archive_;
  const base::FilePath destination_;
  // Null once Do has unpacked.
  LzmaUtil* unpacker_;
  UnpackProgressDelegate* const delegate_;
  // Every file the unpacker wrote, also on failure.
  std::vector<base::FilePath> unpacked_files_;
  // Every folder level the unpacker created, parents before their children.
  std::vector<base::FilePath> created_folders_;
  bool done_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_UNPACK_ARCHIVE_OPERATION_H_
