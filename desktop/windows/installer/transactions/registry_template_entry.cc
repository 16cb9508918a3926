// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/registry_template_entry.h"

#include <string.h>

#include <memory>
#include <utility>
#include <vector>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/placeholder_resolver.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

std::wstring ExpandPlaceholders(const std::wstring& text, PlaceholderResolver* resolver) {
  DCHECK(resolver);
  std::wstring expanded;
  size_t copied = 0;
  while (true) {
    const size_t open = text.find(L'{', copied);
    if (open == std::wstring::npos)
      break;
    const size_t close = text.find(L'}', open + 1);
    if (close == std::wstring::npos)
      break;
    expanded.append(text, copied, open - copied);
    expanded += resolver->GetPlaceholderValue(text.substr(open + 1, close - open - 1));
    // Go on in the template, after the placeholder: the value just inserted
    // is never searched.
    copied = close + 1;
  }
  expanded.append(text, copied);
  return expanded;
}

RegistryTemplateEntry::RegistryTemplateEntry(const RegistryTemplate& record,
                                             PlaceholderResolver* resolver)
    : record_(record), resolver_(resolver) {}

RegistryTemplateEntry::~RegistryTemplateEntry() = default;

bool RegistryTemplateEntry::Apply(HKEY root,
                                  Transaction* transaction,
                                  OperationFactory* factory,
                                  std::optional<WrittenRegistryValue>* written) {
  if (written)
    written->reset();
  if (!AppliesUnder(root))
    return true;

  const RegistryView view =
      (record_.access & KEY_WOW64_32KEY) ? RegistryView::k32Bit : RegistryView::kDefault;
  const std::wstring key = ExpandPlaceholders(record_.key, resolver_);
  const std::wstring name =
      record_.value_name ? ExpandPlaceholders(record_.value_name, resolver_) : std::wstring();
  std::optional<RegistryValue> value;
  std::unique_ptr<Operation> operation;
  if (record_.type == RegistryTemplate::kDeleteKey) {
    operation = factory->CreateDeleteRegKey(root, key, view);
  } else if (record_.type == RegistryTemplate::kRemoveValue) {
    operation = factory->CreateRemoveRegValue(root, key, name, view);
  } else {
    value = MakeValue();
    if (!value) {
      LOG(ERROR) << "Unknown registry value type " << record_.type << " for key "
                 << base::WideToUTF8(key);
      return false;
    }
    operation = factory->CreateChangeRegValue(root, key, name, value, view);
  }

  std::string error;
  if (!transaction->Execute(operation, &error)) {
    LOG(ERROR) << "Cannot apply the registry template for key " << base::WideToUTF8(key)
               << ", value \"" << base::WideToUTF8(name) << "\": " << error;
    return false;
  }
  if (written && value)
    *written = WrittenRegistryValue{root, key, name, std::move(*value), record_.clean};
  return true;
}

bool RegistryTemplateEntry::AppliesUnder(HKEY root) const {
  if (base::win::GetVersion() < record_.min_windows)
    return false;
  if (record_.root && record_.root != root)
    return false;
  return static_cast<int64_t>(ProductInfo::GetInstance()->GetStream()) >= record_.min_stream;
}

std::optional<RegistryValue> RegistryTemplateEntry::MakeValue() const {
  RegistryValue value;
  value.type = static_cast<DWORD>(record_.type);
  switch (record_.type) {
    case REG_NONE:
      break;
    case REG_SZ:
    case REG_EXPAND_SZ: {
      const std::wstring text =
          record_.text ? ExpandPlaceholders(record_.text, resolver_) : std::wstring();
      // An empty string is written without its terminating NUL, as no data.
      if (!text.empty()) {
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
        value.data.assign(bytes, bytes + (text.size() + 1) * sizeof(wchar_t));
      }
      break;
    }
    case REG_BINARY: {
      if (record_.bytes)
        value.data.assign(record_.bytes, record_.bytes + strlen(record_.bytes));
      break;
    }
    case REG_DWORD: {
      const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record_.number);
      value.data.assign(bytes, bytes + sizeof(record_.number));
      break;
    }
    default:
      return std::nullopt;
  }
  return value;
}

}  // namespace velta
