// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_FACTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_FACTORY_H_

#include <windows.h>
#include <stdint.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/created_folders.h"
#include "desktop/windows/installer/transactions/run_journal.h"

namespace velta {

class LzmaUtil;
class Operation;
class SecurityUtils;
class UnpackProgressDelegate;

// The registry view a key is found in. 64-bit Windows keeps HKLM\Software
// and a few other keys twice, the 32-bit programs' copy under WOW6432Node.
enum class RegistryView {
  // The process's own: the 32-bit one for a 32-bit process.
  kDefault,
  k64Bit,
  k32Bit,
};

// What deleting an ".exe" or ".dll" does when it is in use (a running
// program, a loaded library), which lets it be renamed but not written.
enum class ProgramInUse {
  // Parked like any other file.
  kDelete,
  // Left in place; the deletion fails.
  kKeep,
};

// Whether committing a deletion also removes the folders it left empty: the
// file's folder, then its parents, while each one is empty and lies below
// the installation folder the run journal was started for.
enum class EmptyParents {
  kKeep,
  kRemoveOnCommit,
};

// A registry value's type (REG_SZ, REG_DWORD, ...) and its bytes as stored.
struct RegistryValue {
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

// Makes every kind of undoable operation; the one way install steps (and
// operations that need sub-operations) get them. An operation that executes
// sub-operations keeps a pointer to the factory that made it, so the factory
// must outlive the transaction holding them. Tests derive from it to hand out
// operations that fail on request: each kind is made by one virtual method,
// which every other way to make that kind calls. Holds the security
// utilities it hands to the operations, the record of the folders they
// created and the journal of what they begin in the installation folder;
// one thread.
class OperationFactory {
 public:
  // Hands out the process-wide SecurityUtils, as it is when the factory is
  // made.
  OperationFactory();
  // Hands `security_utils` to the operations that check or grant access; it
  // must outlive the factory and every operation made.
  explicit OperationFactory(SecurityUtils* security_utils);
  OperationFactory(const OperationFactory&) = delete;
  OperationFactory& operator=(const OperationFactory&) = delete;
  virtual ~OperationFactory();

  // The folders that this factory's operations created: a move's commit
  // removes the emptied source folders only when they are among them.
  CreatedFolders* created_folders() { return &created_folders_; }
  // Where the folders the operations are about to create and the names they
  // are about to park files under are recorded first. It records nothing
  // until the installer starts it for the installation folder, and is
  // deleted with the factory, once the transaction is over.
  RunJournal* run_journal() { return &run_journal_; }

  // Removes the value `name` of `root`\`key`; a value or key that is
  // missing is nothing to do.
  std::unique_ptr<Operation> CreateRemoveRegValue(HKEY root,
                                                  const std::wstring& key,
                                                  const std::wstring& name,
                                                  RegistryView view);
  // Sets the value `name` of `root`\`key` to `value`, of any type, creating
  // the key when missing; removes it when `value` is empty.
  virtual std::unique_ptr<Operation> CreateChangeRegValue(HKEY root,
                                                          const std::wstring& key,
                                                          const std::wstring& name,
                                                          std::optional<RegistryValue> value,
                                                          RegistryView view);
  // Copies the file `from` to `to`, parking a file already at `to`.
  virtual std::unique_ptr<Operation> CreateCopyFile(const base::FilePath& from,
                                                    const base::FilePath& to);
  // Creates the folder `path` with its missing parents.
  virtual std::unique_ptr<Operation> CreateCreateFolder(const base::FilePath& path);
  // Creates `root`\`key` with its missing parents.
  virtual std::unique_ptr<Operation> CreateCreateRegKey(HKEY root,
                                                        const std::wstring& key,
                                                        RegistryView view);
  // Parks the file or folder `path` under a ".old" name; it is deleted when
  // the transaction commits.
  virtual std::unique_ptr<Operation> CreateDeleteFile(const base::FilePath& path,
                                                      ProgramInUse in_use,
                                                      EmptyParents empty_parents);
  // Parks the file `path` as CreateDeleteFile does (a program is deleted even
  // when in use, its parents are kept), under a ".old" name that is none of
  // `names_to_avoid`: the names an unpack is about to write beside it.
  virtual std::unique_ptr<Operation> CreateParkFile(const base::FilePath& path,
                                                    std::vector<base::FilePath> names_to_avoid);
  // Deletes `root`\`key` with everything below it, saving it all for a
  // rollback.
  virtual std::unique_ptr<Operation> CreateDeleteRegKey(HKEY root,
                                                        const std::wstring& key,
                                                        RegistryView view);
  // Moves the file `from` to `to`, parking a different file already at `to`.
  virtual std::unique_ptr<Operation> CreateMoveFile(const base::FilePath& from,
                                                    const base::FilePath& to);
  // Lets the caller write the small file `path` itself, outside the
  // transaction (RewriteFileOperation): a rollback puts back the file as it
  // was before, or deletes it when there was none.
  virtual std::unique_ptr<Operation> CreateRewriteFile(const base::FilePath& path);
  // Unpacks the 7z file `archive` into the folder `destination` with
  // `unpacker`, telling `delegate` (may be null) the progress. Neither is
  // owned; both must outlive the operation's Do.
  virtual std::unique_ptr<Operation> CreateUnpackArchive(const base::FilePath& archive,
                                                         const base::FilePath& destination,
                                                         LzmaUtil* unpacker,
                                                         UnpackProgressDelegate* delegate);

 private:
  SecurityUtils* const security_utils_;
  CreatedFolders created_folders_;
  RunJournal run_journal_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_FACTORY_H_
