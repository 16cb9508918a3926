// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_PLACEHOLDER_RESOLVER_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_PLACEHOLDER_RESOLVER_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "desktop/windows/installer/transactions/placeholder_resolver.h"

namespace velta {

// The placeholder values of the registry templates that an Installation
// applies to make the browser a default handler: "Stream" ("marlin"),
// "ProgID" ("Veltamarlin"), "Product" ("Velta"), "Protocol" and "Extension"
// (the name being registered), "InstallFolder". Any other name resolves to
// itself. It records nothing in a status.
class InstallationPlaceholderResolver : public PlaceholderResolver {
 public:
  // `name` is the protocol or file extension being registered (may be
  // empty when no template uses it).
  InstallationPlaceholderResolver(const std::wstring& name, const base::FilePath& install_folder);
  InstallationPlaceholderResolver(const InstallationPlaceholderResolver&) = delete;
  InstallationPlaceholderResolver& operator=(const InstallationPlaceholderResolver&) = delete;
  ~InstallationPlaceholderResolver() override;

  std::wstring GetPlaceholderValue(const std::wstring& name) override;
  std::vector<RegistryKeyEntry>* GetRegistryRecord(HKEY root) override;

 private:
  const std::wstring name_;
  const base::FilePath install_folder_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_PLACEHOLDER_RESOLVER_H_
