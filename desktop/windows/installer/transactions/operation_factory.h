// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_FACTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_FACTORY_H_

#include <windows.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"

namespace velta {

class LzmaUtil;
class Operation;
class SecurityUtils;
class UnpackProgressDelegate;

// Makes every kind of undoable operation; the one way install steps (and
// operations that need sub-operations) get them. An operation that executes
// sub-operations keeps a pointer to the factory that made it, so the factory
// must outlive the transaction holding them. Tests derive from it to hand out
// operations that fail on request. Holds nothing but the security utilities
// it hands to the operations; one thread.
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

  // Sets the value `value_name` of `root`\`key` to `size` bytes of `data`
  // (copied) with `type`, creating the key when missing; a `type` of
  // ChangeRegValueOperation::kRemoveValue removes the value instead. `view` is
  // 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY.
  virtual std::unique_ptr<Operation> CreateChangeRegValue(HKEY root,
                                                          const std::wstring& key,
                                                          const std::wstring& value_name,
                                                          const void* data,
                                                          DWORD type,
                                                          DWORD size,
                                                          REGSAM view);
  // Copies the file `from` to `to`, parking a file already at `to`.
  virtual std::unique_ptr<Operation> CreateCopyFile(const base::FilePath& from,
                                                    const base::FilePath& to);
  // Creates the folder `path` with its missing parents.
  virtual std::unique_ptr<Operation> CreateCreateFolder(const base::FilePath& path);
  // Creates `root`\`key` with its missing parents in `view`.
  virtual std::unique_ptr<Operation> CreateCreateRegKey(HKEY root,
                                                        const std::wstring& key,
                                                        REGSAM view);
  // Parks the file or folder `path` under a ".old" name; it is deleted when
  // the transaction commits. With `check_in_use`, an ".exe" or ".dll" that
  // cannot be opened for writing (running, loaded) is not removed. With
  // `remove_empty_parents`, the commit also removes the folders left empty.
  virtual std::unique_ptr<Operation> CreateDeleteFile(const base::FilePath& path,
                                                      bool check_in_use,
                                                      bool remove_empty_parents);
  // Deletes `root`\`key` with everything below it in `view`, saving it all
  // for a rollback.
  virtual std::unique_ptr<Operation> CreateDeleteRegKey(HKEY root,
                                                        const std::wstring& key,
                                                        REGSAM view);
  // Moves the file `from` to `to`, parking a different file already at `to`.
  virtual std::unique_ptr<Operation> CreateMoveFile(const base::FilePath& from,
                                                    const base::FilePath& to);
  // Unpacks the 7z file `archive` into the folder `destination` with
  // `unpacker`, telling `delegate` (may be null) the progress. Neither is
  // owned; both must outlive the operation's Do.
  virtual std::unique_ptr<Operation> CreateUnpackArchive(const base::FilePath& archive,
                                                         const base::FilePath& destination,
                                                         LzmaUtil* unpacker,
                                                         UnpackProgressDelegate* delegate);

 private:
  SecurityUtils* const security_utils_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_OPERATION_FACTORY_H_
