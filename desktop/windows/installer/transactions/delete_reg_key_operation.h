// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_

#include <windows.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"

namespace velta {

class SecurityRestoreInfo;
class SecurityUtils;

// Deletes a registry key with everything below it in one registry view,
// saving each key first: its security descriptor (group, access list and
// label) and its values. A rollback recreates every saved key that is
// missing, with its descriptor and values, also after a Do that failed part
// way. Keys whose access list had to be widened (through `security_utils`,
// which must outlive the operation) to delete them get the earlier list back
// when they are recreated.
class DeleteRegKeyOperation : public Operation {
 public:
  DeleteRegKeyOperation(SecurityUtils* security_utils,
                        HKEY root,
                        const std::wstring& key,
                        RegistryView view);
  DeleteRegKeyOperation(const DeleteRegKeyOperation&) = delete;
  DeleteRegKeyOperation& operator=(const DeleteRegKeyOperation&) = delete;
  ~DeleteRegKeyOperation() override;

  // Operation:
  bool Do(Transaction* nested, std::string* error) override;
  void Rollback() override;

 private:
  struct SavedValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::vector<uint8_t> data;
  };
  struct SavedKey {
    SavedKey();
    SavedKey(SavedKey&&);
    SavedKey& operator=(SavedKey&&);
    ~SavedKey();

    std::wstring path;
    std::vector<uint8_t> security_descriptor;
    std::vector<SavedValue> values;
    // Set when access was granted to delete the key.
    std::unique_ptr<SecurityRestoreInfo> restore_info;
  };

  // Saves `path` into `saved_keys_`, then deletes its sub-keys the same way,
  // then the key itself.
  bool DeleteAndSaveRecursive(const std::wstring& path, std::string* error);
  // Reads the security descriptor and the values of the open `key` into
  // `saved`, whose path names the key.
  static bool ReadKey(HKEY key, SavedKey* saved, std::string* error);

  SecurityUtils* const security_utils_;
  const HKEY root_;
  const std::wstring key_path_;
  // The access flag of the view the keys are in.
  const REGSAM view_;
  // A key comes before its sub-keys.
  std::vector<SavedKey> saved_keys_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_DELETE_REG_KEY_OPERATION_H_
