// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STATUS_REGISTRY_RECORD_H_
#define DESKTOP_WINDOWS_INSTALLER_STATUS_REGISTRY_RECORD_H_

#include <windows.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/transactions/registry_template_entry.h"

namespace velta {

class OperationFactory;
class PlaceholderResolver;
class Transaction;

// The name of registry value type `type`: "REG_NONE" ... "REG_QWORD" for 0
// to 11, empty for any other.
std::string GetRegistryTypeName(DWORD type);

// Records `written` in `keys` (a list of a new installation status), so that
// removing the installation removes the value again: under the entry of its
// key (the last one whose path matches without regard to case, whose clean-
// up depth becomes the deeper of the two), or a new entry at the end. The
// value is recorded as text: its name; its type's name; REG_SZ and
// REG_EXPAND_SZ as UTF-8, REG_BINARY as lower-case hex bytes joined by ",",
// REG_DWORD as eight hex digits, any other type as empty data.
void RecordRegistryValue(const WrittenRegistryValue& written, std::vector<RegistryKeyEntry>* keys);

// Applies `record` under `root` through `transaction` (see
// RegistryTemplateEntry::Apply) and, when it wrote a value and `resolver`
// records what is written under `root` now, records that value there.
bool ApplyRegistryTemplate(const RegistryTemplate& record,
                           HKEY root,
                           PlaceholderResolver* resolver,
                           Transaction* transaction,
                           OperationFactory* factory);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STATUS_REGISTRY_RECORD_H_
