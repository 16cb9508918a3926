// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/parameters_map.h"

#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"

namespace velta {
namespace {

// Brings text of either encoding into the map's encoding `String`. A null
// key is taken as the empty key.
template <typename String>
String Convert(const wchar_t* text);
template <typename String>
String Convert(const char* text);

template <>
std::wstring Convert<std::wstring>(const wchar_t* text) {
  return text ? std::wstring(text) : std::wstring();
}
template <>
std::wstring Convert<std::wstring>(const char* text) {
  return text ? base::UTF8ToWide(text) : std::wstring();
}
template <>
std::string Convert<std::string>(const wchar_t* text) {
  return text ? base::WideToUTF8(text) : std::string();
}
template <>
std::string Convert<std::string>(const char* text) {
  return text ? std::string(text) : std::string();
}

std::wstring ToWide(const std::wstring& text) {
  return text;
}
std::wstring ToWide(const std::string& text) {
  return base::UTF8ToWide(text);
}

template <typename String, typename Number>
String FormatNumber(Number value) {
  const std::string text = base::NumberToString(value);
  return Convert<String>(text.c_str());
}

}  // namespace

template <typename String>
bool BasicParametersMap<String>::Has(const wchar_t* key) const {
  return entries_.count(Convert<String>(key)) != 0;
}

template <typename String>
bool BasicParametersMap<String>::Has(const char* key) const {
  return entries_.count(Convert<String>(key)) != 0;
}

template <typename String>
std::wstring BasicParametersMap<String>::Get(const wchar_t* key) const {
  const auto found = entries_.find(Convert<String>(key));
  return found == entries_.end() ? std::wstring() : ToWide(found->second);
}

template <typename String>
void BasicParametersMap<String>::Set(const wchar_t* key, unsigned long value) {
  // Through the table, so that a DWORD is stored exactly as a uint32_t.
  this->Set(key, static_cast<uint32_t>(value));
}

template <typename String>
void BasicParametersMap<String>::Set(const wchar_t* key, uint64_t value) {
  entries_.emplace(Convert<String>(key),
                   FormatNumber<String>(static_cast<unsigned long long>(value)));
}

template <typename String>
void BasicParametersMap<String>::Set(const char* key, int64_t value) {
  entries_.emplace(Convert<String>(key), FormatNumber<String>(static_cast<long long>(value)));
}

template <typename String>
void BasicParametersMap<String>::Set(const wchar_t* key, int64_t value) {
  entries_.emplace(Convert<String>(key), FormatNumber<String>(static_cast<long long>(value)));
}

template <typename String>
void BasicParametersMap<String>::Set(const wchar_t* key, uint32_t value) {
  entries_.emplace(Convert<String>(key), FormatNumber<String>(static_cast<unsigned>(value)));
}

template <typename String>
void BasicParametersMap<String>::Set(const wchar_t* key, int32_t value) {
  entries_.emplace(Convert<String>(key), FormatNumber<String>(static_cast<int>(value)));
}

template <typename String>
void BasicParametersMap<String>::Set(const std::string& key, const std::string& value) {
  entries_.emplace(Convert<String>(key.c_str()), Convert<String>(value.c_str()));
}

template <typename String>
void BasicParametersMap<String>::Set(const std::wstring& key, const std::wstring& value) {
  entries_.emplace(Convert<String>(key.c_str()), Convert<String>(value.c_str()));
}

template <typename String>
void BasicParametersMap<String>::Clear() {
  entries_.clear();
}

template class BasicParametersMap<std::wstring>;
template class BasicParametersMap<std::string>;

}  // namespace velta
