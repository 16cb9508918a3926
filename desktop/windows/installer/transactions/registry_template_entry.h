// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATE_ENTRY_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATE_ENTRY_H_

#include <windows.h>
#include <stdint.h>

#include <optional>
#include <string>

#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/registry_templates.h"

namespace velta {

class PlaceholderResolver;
class Transaction;

// A registry value that applying a template wrote, for the caller to record
// in the new installation status (so that removing the installation removes
// it again).
struct WrittenRegistryValue {
  HKEY root = nullptr;
  // Expanded, below `root`.
  std::wstring key;
  // Expanded; empty for the key's default value.
  std::wstring name;
  // The type and the bytes as written.
  RegistryValue value;
  // The template's clean-up depth.
  uint32_t clean = 0;
};

// `text` with every placeholder replaced by its value from `resolver`: a "{",
// the first "}" after it, and the name between them. The text is read once,
// front to back, and each value is inserted as it is, so a value that holds
// braces (a folder named after a GUID, or even "{InstallFolder}") is never
// taken for a placeholder. A "{" without a "}" after it, and everything from
// there on, is kept as it is.
std::wstring ExpandPlaceholders(const std::wstring& text, PlaceholderResolver* resolver);

// Applies one registry template under one root: expands its placeholders,
// and executes the operation that writes the value (or removes the value, or
// deletes the key) in a transaction, so that a rollback undoes it. A short-
// lived value made by its caller, on the thread that runs the transaction.
class RegistryTemplateEntry {
 public:
  // `resolver` must outlive the entry.
  RegistryTemplateEntry(const RegistryTemplate& record, PlaceholderResolver* resolver);
  RegistryTemplateEntry(const RegistryTemplateEntry&) = default;
  RegistryTemplateEntry& operator=(const RegistryTemplateEntry&) = default;
  ~RegistryTemplateEntry();

  // True when the record was applied, and when it does not apply here (the
  // running Windows or stream is older than the record's, or the record
  // belongs to the other root). False, with the failure logged and nothing
  // left changed, when its operation failed or its type is unknown.
  // `written` (may be null) receives the value written, when a value was:
  // not for a record that is skipped, removes a value or deletes a key.
  bool Apply(HKEY root,
             Transaction* transaction,
             OperationFactory* factory,
             std::optional<WrittenRegistryValue>* written);

 private:
  // Whether the record is for `root`, the running Windows and the stream.
  bool AppliesUnder(HKEY root) const;
  // The value the record writes, its string expanded; empty for an unknown
  // type.
  std::optional<RegistryValue> MakeValue() const;

  RegistryTemplate record_;
  PlaceholderResolver* resolver_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_REGISTRY_TEMPLATE_ENTRY_H_
