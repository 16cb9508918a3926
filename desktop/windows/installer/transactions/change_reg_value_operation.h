// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_

#include <windows.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/win/registry.h"
#include "desktop/windows/installer/transactions/operation.h"

namespace velta {

class OperationFactory;
class SecurityRestoreInfo;
class SecurityUtils;

// Sets or removes one registry value, keeping the earlier value (or its
// absence) for a rollback. A missing key is created by a sub-operation (and
// deleted again by its rollback). On a key where the user lacks query and set
// access, access is granted through `security_utils` and the earlier access
// list is put back when the operation is destroyed. Works in the registry view
// given (0, KEY_WOW64_64KEY or KEY_WOW64_32KEY). `factory` and
// `security_utils` must outlive the operation.
class ChangeRegValueOperation : public Operation {
 public:
  // The type that asks for the value to be removed.
  static constexpr DWORD kRemoveValue = 0xFFFFFFFF;

  ChangeRegValueOperation(OperationFactory* factory,
                          SecurityUtils* security_utils,
                          HKEY root,
                          const std::wstring& key,
                          const std::wstring& value_name,
                          const void* data,
                          DWORD type,
                          DWORD size,
                          REGSAM view);
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
  const DWORD new_type_;
  const std::vector<uint8_t> new_data_;
  bool had_value_ = false;
  DWORD old_type_ = REG_NONE;
  std::vector<uint8_t> old_data_;
  std::unique_ptr<SecurityRestoreInfo> restore_info_;
  const REGSAM view_;
  bool done_ = false;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_CHANGE_REG_VALUE_OPERATION_H_
