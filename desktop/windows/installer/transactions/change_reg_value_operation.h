// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_

#include <windows.h>
#include <stdint.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/win/registry.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"

namespace velta {

class SecurityRestoreInfo;
class SecurityUtils;

// Sets or removes one registry value, keeping the earlier value (or its
// absence) for a rollback. A missing key is created by a sub-operation (and
// deleted again by its rollback). On a key where the user lacks query and set
// access, access is granted through `security_utils` and the earlier access
// list is put back when the operation is destroyed. Works in the registry view
// given. `factory` and `security_utils` must outlive the operation.
class ChangeRegValueOperation : public Operation {
 public:
  // Sets the value to `value`, or removes it when `value` is empty.
  ChangeRegValueOperation(OperationFactory* factory,
                          SecurityUtils* security_utils,
                          HKEY root,
                          const std::wstring& key,
                          const std::wstring& value_name,
                          std::optional<RegistryValue> value,
                          RegistryView view);
  ChangeRegValueOperation(const ChangeRegValueOperation&) = delete;
  ChangeRegValueOperation& operator=(const ChangeRegValueOperation&) = delete;
  ~ChangeRegValueOperation() override;

  // Operation:
  bool Do(Transaction* nested, std::string* error) override;
  void Rollback() override;

 private:
  // Opens the key with query and set access into `key_`.
  LONG OpenKey();

  OperationFactory* const factory_;
  SecurityUtils* const security_utils_;
  const HKEY root_;
  const std::wstring key_path_;
  const std::wstring value_name_;
  base::win::RegKey key_;
  // Empty to remove the value.
  const std::optional<RegistryValue> new_value_;
  bool had_value_ = false;
  DWORD old_type_ = REG_NONE;
  std::vector<uint8_t> old_data_;
  std::unique_ptr<SecurityRestoreInfo> restore_info_;
  const RegistryView view_;
  bool done_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
