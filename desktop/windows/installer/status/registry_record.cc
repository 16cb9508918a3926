// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/registry_record.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "base/files/file_path.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/transactions/placeholder_resolver.h"

namespace velta {
namespace {

// A REG_SZ or REG_EXPAND_SZ value's text: its UTF-16 characters up to the
// first NUL (a value is stored with its terminating NUL, or without any).
std::string StringData(const std::vector<uint8_t>& data) {
  std::wstring text(data.size() / sizeof(wchar_t), L'\0');
  if (!text.empty())
    std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
  text.resize(std::min(text.size(), text.find(L'\0')));
  return base::WideToUTF8(text);
}

std::string FormatData(const RegistryValue& value) {
  switch (value.type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
      return StringData(value.data);
    case REG_BINARY: {
      std::string text;
      for (size_t i = 0; i < value.data.size(); ++i)
        base::StringAppendF(&text, i ? ",%.2x" : "%.2x", value.data[i]);
      return text;
    }
    case REG_DWORD: {
      if (value.data.size() != sizeof(DWORD))
        return std::string();
      DWORD number = 0;
      std::memcpy(&number, value.data.data(), sizeof(number));
      return base::StringPrintf("%.8lx", static_cast<unsigned long>(number));
    }
    default:
      return std::string();
  }
}

}  // namespace

std::string GetRegistryTypeName(DWORD type) {
  static constexpr const char* kNames[] = {"REG_NONE",
                                           "REG_SZ",
                                           "REG_EXPAND_SZ",
                                           "REG_BINARY",
                                           "REG_DWORD",
                                           "REG_DWORD_BIG_ENDIAN",
                                           "REG_LINK",
                                           "REG_MULTI_SZ",
                                           "REG_RESOURCE_LIST",
                                           "REG_FULL_RESOURCE_DESCRIPTOR",
                                           "REG_RESOURCE_REQUIREMENTS_LIST",
                                           "REG_QWORD"};
  return type < std::size(kNames) ? kNames[type] : std::string();
}

void RecordRegistryValue(const WrittenRegistryValue& written, std::vector<RegistryKeyEntry>* keys) {
  const std::string key_path = base::WideToUTF8(written.key);
  auto entry = std::find_if(keys->rbegin(), keys->rend(), [&key_path](const RegistryKeyEntry& e) {
    return base::FilePath::CompareEqualIgnoreCase(base::UTF8ToWide(e.path),
                                                  base::UTF8ToWide(key_path));
  });
  RegistryKeyEntry* key;
  if (entry == keys->rend()) {
    keys->push_back(RegistryKeyEntry{static_cast<int>(written.clean), key_path, {}});
    key = &keys->back();
  } else {
    key = &*entry;
    key->clean = std::max(key->clean, static_cast<int>(written.clean));
  }
  key->values.push_back(RegistryValueEntry{GetRegistryTypeName(written.value.type),
                                           base::WideToUTF8(written.name),
                                           FormatData(written.value)});
}

bool ApplyRegistryTemplate(const RegistryTemplate& record,
                           HKEY root,
                           PlaceholderResolver* resolver,
                           Transaction* transaction,
                           OperationFactory* factory) {
  std::optional<WrittenRegistryValue> written;
  if (!RegistryTemplateEntry(record, resolver).Apply(root, transaction, factory, &written))
    return false;
  if (std::vector<RegistryKeyEntry>* keys = written ? resolver->GetRegistryRecord(root) : nullptr)
    RecordRegistryValue(*written, keys);
  return true;
}

}  // namespace velta
