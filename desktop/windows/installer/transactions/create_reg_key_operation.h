// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_

#include <windows.h>

#include <memory>
#include <string>

#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"

namespace velta {

class SecurityRestoreInfo;
class SecurityUtils;

// Creates a registry key with its missing parents in one registry view. A
// rollback deletes, in that same view, the outermost key it created with
// everything below it, also after a Do that failed once some of the missing
// keys were made. When the user may not create keys under the nearest
// existing ancestor, access is granted through `security_utils` (which must
// outlive the operation) and the earlier access list is put back when the
// operation is destroyed.
class CreateRegKeyOperation : public Operation {
 public:
  CreateRegKeyOperation(SecurityUtils* security_utils,
                        HKEY root,
                        const std::wstring& key,
                        RegistryView view);
  CreateRegKeyOperation(const CreateRegKeyOperation&) = delete;
  CreateRegKeyOperation& operator=(const CreateRegKeyOperation&) = delete;
  ~CreateRegKeyOperation() override;

  // Operation:
  bool Do(Transaction* nested, std::string* error) override;
  void Rollback() override;

 private:
  SecurityUtils* const security_utils_;
  const HKEY root_;
  const std::wstring key_path_;
  // The access flag of the view the keys are in.
  const REGSAM view_;
  // The outermost key Do created, or may have created before it failed;
  // empty when none.
  std::wstring first_created_;
  std::unique_ptr<SecurityRestoreInfo> restore_info_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CREATE_REG_KEY_OPERATION_H_
