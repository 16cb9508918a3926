// Copyright 2026 Velta Software. All rights reserved.

#include "base/values.h"

#include <cmath>
#include <utility>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

// Splits a dotted path, keeping empty parts: "a..b" is "a", "", "b".
std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t dot = path.find('.', start);
    if (dot == std::string_view::npos) {
      parts.push_back(path.substr(start));
      return parts;
    }
    parts.push_back(path.substr(start, dot - start));
    start = dot + 1;
  }
}

// The typed views shared by the Find*Key and Find*Path accessors: null or
// empty unless `value` exists and has the type.
std::optional<bool> BoolOf(const Value* value) {
  return value && value->is_bool() ? std::optional<bool>(value->GetBool()) : std::nullopt;
}

std::optional<int> IntOf(const Value* value) {
  return value && value->is_int() ? std::optional<int>(value->GetInt()) : std::nullopt;
}

// An integer counts as a double.
std::optional<double> DoubleOf(const Value* value) {
  return value && (value->is_int() || value->is_double())
             ? std::optional<double>(value->GetDouble())
             : std::nullopt;
}

template <typename V>
auto StringOf(V* value) -> decltype(&value->GetString()) {
  return value && value->is_string() ? &value->GetString() : nullptr;
}

const Value::BlobStorage* BlobOf(const Value* value) {
  return value && value->is_blob() ? &value->GetBlob() : nullptr;
}

}  // namespace

Value::Value() = default;

Value::Value(Type type) {
  switch (type) {
    case Type::NONE:
      break;
    case Type::BOOLEAN:
      data_.emplace<bool>(false);
      break;
    case Type::INTEGER:
      data_.emplace<int>(0);
      break;
    case Type::DOUBLE:
      data_.emplace<double>(0.0);
      break;
    case Type::STRING:
      data_.emplace<std::string>();
      break;
    case Type::BINARY:
      data_.emplace<BlobStorage>();
      break;
    case Type::DICTIONARY:
      data_.emplace<DictStorage>();
      break;
    case Type::LIST:
      data_.emplace<ListStorage>();
      break;
  }
}

Value::Value(bool in_bool) : data_(std::in_place_type<bool>, in_bool) {}

Value::Value(int in_int) : data_(std::in_place_type<int>, in_int) {}

Value::Value(double in_double)
    : data_(std::in_place_type<double>, std::isfinite(in_double) ? in_double : 0.0) {}

Value::Value(const char* in_string) : Value(std::string_view(in_string)) {}

Value::Value(std::string_view in_string)
    : data_(std::in_place_type<std::string>, in_string) {}

Value::Value(std::string&& in_string) noexcept
    : data_(std::in_place_type<std::string>, std::move(in_string)) {}

Value::Value(const wchar_t* in_string) : Value(std::wstring_view(in_string)) {}

Value::Value(std::wstring_view in_string)
    : data_(std::in_place_type<std::string>, WideToUTF8(in_string)) {}

Value::Value(BlobStorage in_blob) noexcept
    : data_(std::in_place_type<BlobStorage>, std::move(in_blob)) {}

Value::Value(DictStorage in_dict) noexcept
    : data_(std::in_place_type<DictStorage>, std::move(in_dict)) {}

Value::Value(ListStorage in_list) noexcept
    : data_(std::in_place_type<ListStorage>, std::move(in_list)) {}

Value::Value(Value&& that) noexcept = default;
Value& Value::operator=(Value&& that) noexcept = default;
Value::~Value() = default;

// static
const char* Value::GetTypeName(Type type) {
  switch (type) {
    case Type::NONE:
      return "null";
    case Type::BOOLEAN:
      return "boolean";
    case Type::INTEGER:
      return "integer";
    case Type::DOUBLE:
      return "double";
    case Type::STRING:
      return "string";
    case Type::BINARY:
      return "binary";
    case Type::DICTIONARY:
      return "dictionary";
    case Type::LIST:
      return "list";
  }
  return "unknown";
}

bool Value::GetBool() const {
  CHECK(is_bool()) << GetTypeName(type());
  return std::get<bool>(data_);
}

int Value::GetInt() const {
  CHECK(is_int()) << GetTypeName(type());
  return std::get<int>(data_);
}

double Value::GetDouble() const {
  if (is_int())
    return std::get<int>(data_);
  CHECK(is_double()) << GetTypeName(type());
  return std::get<double>(data_);
}

const std::string& Value::GetString() const {
  CHECK(is_string()) << GetTypeName(type());
  return std::get<std::string>(data_);
}

std::string& Value::GetString() {
  CHECK(is_string()) << GetTypeName(type());
  return std::get<std::string>(data_);
}

const Value::BlobStorage& Value::GetBlob() const {
  CHECK(is_blob()) << GetTypeName(type());
  return std::get<BlobStorage>(data_);
}

const Value::ListStorage& Value::GetList() const {
  CHECK(is_list()) << GetTypeName(type());
  return std::get<ListStorage>(data_);
}

Value::ListStorage& Value::GetList() {
  CHECK(is_list()) << GetTypeName(type());
  return std::get<ListStorage>(data_);
}

const Value::DictStorage& Value::GetDict() const {
  CHECK(is_dict()) << GetTypeName(type());
  return std::get<DictStorage>(data_);
}

Value::DictStorage& Value::GetDict() {
  CHECK(is_dict()) << GetTypeName(type());
  return std::get<DictStorage>(data_);
}

Value* Value::FindKey(std::string_view key) {
  return const_cast<Value*>(std::as_const(*this).FindKey(key));
}

const Value* Value::FindKey(std::string_view key) const {
  const DictStorage* dict = std::get_if<DictStorage>(&data_);
  if (!dict)
    return nullptr;
  auto found = dict->find(key);
  return found == dict->end() ? nullptr : &found->second;
}

Value* Value::FindKeyOfType(std::string_view key, Type type) {
  return const_cast<Value*>(std::as_const(*this).FindKeyOfType(key, type));
}

const Value* Value::FindKeyOfType(std::string_view key, Type type) const {
  const Value* result = FindKey(key);
  return result && result->type() == type ? result : nullptr;
}

std::optional<bool> Value::FindBoolKey(std::string_view key) const {
  return BoolOf(FindKey(key));
}

std::optional<int> Value::FindIntKey(std::string_view key) const {
  return IntOf(FindKey(key));
}

std::optional<double> Value::FindDoubleKey(std::string_view key) const {
  return DoubleOf(FindKey(key));
}

const std::string* Value::FindStringKey(std::string_view key) const {
  return StringOf(FindKey(key));
}

std::string* Value::FindStringKey(std::string_view key) {
  return StringOf(FindKey(key));
}

const Value::BlobStorage* Value::FindBlobKey(std::string_view key) const {
  return BlobOf(FindKey(key));
}

Value* Value::FindDictKey(std::string_view key) {
  return FindKeyOfType(key, Type::DICTIONARY);
}

const Value* Value::FindDictKey(std::string_view key) const {
  return FindKeyOfType(key, Type::DICTIONARY);
}

Value* Value::FindListKey(std::string_view key) {
  return FindKeyOfType(key, Type::LIST);
}

const Value* Value::FindListKey(std::string_view key) const {
  return FindKeyOfType(key, Type::LIST);
}

Value* Value::FindPath(std::string_view path) {
  return const_cast<Value*>(std::as_const(*this).FindPath(path));
}

const Value* Value::FindPath(std::string_view path) const {
  const Value* current = this;
  for (std::string_view part : SplitPath(path)) {
    current = current->FindKey(part);
    if (!current)
      return nullptr;
  }
  return current;
}

Value* Value::FindPathOfType(std::string_view path, Type type) {
  return const_cast<Value*>(std::as_const(*this).FindPathOfType(path, type));
}

const Value* Value::FindPathOfType(std::string_view path, Type type) const {
  const Value* result = FindPath(path);
  return result && result->type() == type ? result : nullptr;
}

std::optional<bool> Value::FindBoolPath(std::string_view path) const {
  return BoolOf(FindPath(path));
}

std::optional<int> Value::FindIntPath(std::string_view path) const {
  return IntOf(FindPath(path));
}

std::optional<double> Value::FindDoublePath(std::string_view path) const {
  return DoubleOf(FindPath(path));
}

const std::string* Value::FindStringPath(std::string_view path) const {
  return StringOf(FindPath(path));
}

std::string* Value::FindStringPath(std::string_view path) {
  return StringOf(FindPath(path));
}

const Value::BlobStorage* Value::FindBlobPath(std::string_view path) const {
  return BlobOf(FindPath(path));
}

Value* Value::FindDictPath(std::string_view path) {
  return FindPathOfType(path, Type::DICTIONARY);
}

const Value* Value::FindDictPath(std::string_view path) const {
  return FindPathOfType(path, Type::DICTIONARY);
}

Value* Value::FindListPath(std::string_view path) {
  return FindPathOfType(path, Type::LIST);
}

const Value* Value::FindListPath(std::string_view path) const {
  return FindPathOfType(path, Type::LIST);
}

Value* Value::SetKey(std::string_view key, Value value) {
  DictStorage& dict = GetDict();
  auto found = dict.find(key);
  if (found != dict.end()) {
    found->second = std::move(value);
    return &found->second;
  }
  return &dict.emplace(std::string(key), std::move(value)).first->second;
}

Value* Value::SetBoolKey(std::string_view key, bool value) {
  return SetKey(key, Value(value));
}

Value* Value::SetIntKey(std::string_view key, int value) {
  return SetKey(key, Value(value));
}

Value* Value::SetDoubleKey(std::string_view key, double value) {
  return SetKey(key, Value(value));
}

Value* Value::SetStringKey(std::string_view key, std::string_view value) {
  return SetKey(key, Value(value));
}

Value* Value::SetStringKey(std::string_view key, const char* value) {
  return SetKey(key, Value(value));
}

Value* Value::SetStringKey(std::string_view key, std::string&& value) {
  return SetKey(key, Value(std::move(value)));
}

Value* Value::SetStringKey(std::string_view key, std::wstring_view value) {
  return SetKey(key, Value(value));
}

Value* Value::SetPath(std::string_view path, Value value) {
  const std::vector<std::string_view> parts = SplitPath(path);
  // Walk the existing dictionaries first so that a failure changes nothing.
  Value* current = this;
  size_t i = 0;
  for (; i + 1 < parts.size(); ++i) {
    if (!current->is_dict())
      return nullptr;
    Value* next = current->FindKey(parts[i]);
    if (!next)
      break;
    current = next;
  }
  if (!current->is_dict())
    return nullptr;
  for (; i + 1 < parts.size(); ++i)
    current = current->SetKey(parts[i], Value(Type::DICTIONARY));
  return current->SetKey(parts.back(), std::move(value));
}

Value* Value::SetBoolPath(std::string_view path, bool value) {
  return SetPath(path, Value(value));
}

Value* Value::SetIntPath(std::string_view path, int value) {
  return SetPath(path, Value(value));
}

Value* Value::SetDoublePath(std::string_view path, double value) {
  return SetPath(path, Value(value));
}

Value* Value::SetStringPath(std::string_view path, std::string_view value) {
  return SetPath(path, Value(value));
}

bool Value::RemoveKey(std::string_view key) {
  DictStorage* dict = std::get_if<DictStorage>(&data_);
  if (!dict)
    return false;
  auto found = dict->find(key);
  if (found == dict->end())
    return false;
  dict->erase(found);
  return true;
}

bool Value::RemovePath(std::string_view path) {
  const std::vector<std::string_view> parts = SplitPath(path);
  // The dictionaries along the path, outermost first.
  std::vector<Value*> chain{this};
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    Value* next = chain.back()->FindDictKey(parts[i]);
    if (!next)
      return false;
    chain.push_back(next);
  }
  if (!chain.back()->RemoveKey(parts.back()))
    return false;
  for (size_t i = chain.size() - 1; i > 0 && chain[i]->DictEmpty(); --i)
    chain[i - 1]->RemoveKey(parts[i - 1]);
  return true;
}

std::optional<Value> Value::ExtractKey(std::string_view key) {
  DictStorage* dict = std::get_if<DictStorage>(&data_);
  if (!dict)
    return std::nullopt;
  auto found = dict->find(key);
  if (found == dict->end())
    return std::nullopt;
  Value result = std::move(found->second);
  dict->erase(found);
  return result;
}

void Value::MergeDictionary(const Value* dictionary) {
  CHECK(is_dict());
  for (const auto& [key, value] : dictionary->GetDict()) {
    Value* mine = FindKey(key);
    if (value.is_dict() && mine && mine->is_dict())
      mine->MergeDictionary(&value);
    else
      SetKey(key, value.Clone());
  }
}

void Value::Append(Value value) {
  GetList().push_back(std::move(value));
}

void Value::Append(bool value) {
  Append(Value(value));
}

void Value::Append(int value) {
  Append(Value(value));
}

void Value::Append(double value) {
  Append(Value(value));
}

void Value::Append(std::string_view value) {
  Append(Value(value));
}

void Value::Append(const char* value) {
  Append(Value(value));
}

void Value::Append(std::string&& value) {
  Append(Value(std::move(value)));
}

size_t Value::EraseListValue(const Value& value) {
  return std::erase(GetList(), value);
}

Value Value::Clone() const {
  switch (type()) {
    case Type::NONE:
      return Value();
    case Type::BOOLEAN:
      return Value(GetBool());
    case Type::INTEGER:
      return Value(GetInt());
    case Type::DOUBLE:
      return Value(GetDouble());
    case Type::STRING:
      return Value(GetString());
    case Type::BINARY:
      return Value(GetBlob());
    case Type::DICTIONARY: {
      DictStorage dict;
      for (const auto& [key, value] : GetDict())
        dict.emplace_hint(dict.end(), key, value.Clone());
      return Value(std::move(dict));
    }
    case Type::LIST: {
      ListStorage list;
      list.reserve(GetList().size());
      for (const Value& value : GetList())
        list.push_back(value.Clone());
      return Value(std::move(list));
    }
  }
  return Value();
}

bool operator==(const Value& lhs, const Value& rhs) {
  return lhs.data_ == rhs.data_;
}

bool operator<(const Value& lhs, const Value& rhs) {
  return lhs.data_ < rhs.data_;
}

std::unique_ptr<Value> ToUniquePtrValue(Value value) {
  return std::make_unique<Value>(std::move(value));
}

Value FromUniquePtrValue(std::unique_ptr<Value> value) {
  return std::move(*value);
}

}  // namespace base
