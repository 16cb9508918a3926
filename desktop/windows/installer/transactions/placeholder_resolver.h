// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_PLACEHOLDER_RESOLVER_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_PLACEHOLDER_RESOLVER_H_

#include <windows.h>

#include <string>
#include <vector>

namespace velta {

struct RegistryKeyEntry;

// Gives the values of the placeholders in braces ("{InstallFolder}") of the
// registry entry templates, and the list of the new installation status in
// which the registry values written for the browser are recorded. The
// installer implements it for a job; the status recovery has its own. Used
// on the thread that applies the templates.
class PlaceholderResolver {
 public:
  virtual ~PlaceholderResolver() = default;

  // The value of the placeholder `name` (without its braces). A name the
  // resolver does not know gives whatever the implementation decides (empty,
  // or the name itself); the value is inserted as it is, never expanded again.
  virtual std::wstring GetPlaceholderValue(const std::wstring& name) = 0;

  // The list of the new installation status that records what is written
  // under `root` (one list for HKEY_LOCAL_MACHINE, one for any other root),
  // or null when nothing is to be recorded now. Owned by the resolver. The
  // caller of RegistryTemplateEntry::Apply records there what Apply wrote.
  virtual std::vector<RegistryKeyEntry>* GetRegistryRecord(HKEY root) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_PLACEHOLDER_RESOLVER_H_
