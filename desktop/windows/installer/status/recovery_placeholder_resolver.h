// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_RECOVERY_PLACEHOLDER_RESOLVER_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_RECOVERY_PLACEHOLDER_RESOLVER_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/placeholder_resolver.h"

namespace velta {

// The placeholder values with which the status recovery finds the registry
// values an old installation wrote: "InstallFolder" (the folder), "Product"
// ("Velta"), "ProgID" ("Veltamarlin"), "Stream" ("marlin"), "Uninstall" (the
// full path of the installation's uninstall key below its root) and
// "Executable" ("velta.exe"). Any other name resolves to itself. It records
// nothing: the recovery reads, it does not write.
class RecoveryPlaceholderResolver : public PlaceholderResolver {
 public:
  // `uninstall_key_name` is the name of the installation's subkey of the
  // uninstall list.
  RecoveryPlaceholderResolver(const base::FilePath& install_folder,
                              const std::wstring& uninstall_key_name);
  RecoveryPlaceholderResolver(const RecoveryPlaceholderResolver&) = delete;
  RecoveryPlaceholderResolver& operator=(const RecoveryPlaceholderResolver&) = delete;
  ~RecoveryPlaceholderResolver() override;

  std::wstring GetPlaceholderValue(const std::wstring& name) override;
  std::vector<RegistryKeyEntry>* GetRegistryRecord(HKEY root) override;

 private:
  const base::FilePath install_folder_;
  const std::wstring product_;
  const std::wstring prog_id_;
  const std::wstring stream_;
  const std::wstring uninstall_key_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_RECOVERY_PLACEHOLDER_RESOLVER_H_
