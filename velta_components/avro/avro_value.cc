// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/avro_value.h"

#include <utility>

#include "base/logging.h"
#include "base/strings/string_split.h"

namespace velta {

namespace {

// Components of a dotted path: split at every "." with nothing trimmed, so
// "a..b" has an empty middle component (which names no field); "" has none.
std::vector<std::string> SplitPath(const std::string& path) {
  if (path.empty())
    return {};
  return base::SplitString(path, ".", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL);
}

}  // namespace

AvroValue::AvroValue(scoped_refptr<AvroSchema> schema) : schema_(std::move(schema)) {
  DCHECK(schema_);
}

AvroValue::~AvroValue() = default;

// static
std::unique_ptr<AvroValue> AvroValue::Create(scoped_refptr<AvroSchema> schema) {
  std::unique_ptr<AvroValue> value(new AvroValue(std::move(schema)));
  value->Reset();
  return value;
}

void AvroValue::Reset() {
  items_.clear();
  entries_.clear();
  fields_.clear();
  branch_.reset();
  bool_ = false;
  double_ = 0;
  float_ = 0;
  int32_ = 0;
  int64_ = 0;
  string_.clear();
  branch_index_ = 0;
  enum_index_ = 0;
  switch (schema_->GetType()) {
    case AvroType::kRecord:
      fields_.reserve(schema_->fields().size());
      for (const AvroSchema::Field& field : schema_->fields())
        fields_.push_back(Create(field.second));
      break;
    case AvroType::kUnion:
      SelectBranch(0);
      break;
    default:
      break;
  }
}

void AvroValue::SetString(const std::string& value) {
  if (&value != &string_)
    string_ = value;
}

bool AvroValue::SetEnumIndex(size_t index) {
  if (index >= schema_->symbols().size())
    return false;
  enum_index_ = index;
  return true;
}

bool AvroValue::SetEnumSymbol(const std::string& symbol) {
  const std::vector<std::string>& symbols = schema_->symbols();
  for (size_t i = 0; i < symbols.size(); ++i) {
    if (symbols[i] == symbol) {
      enum_index_ = i;
      return true;
    }
  }
  return false;
}

AvroValue* AvroValue::SelectBranch(size_t index) {
  if (schema_->GetType() != AvroType::kUnion || index >= schema_->branches().size())
    return nullptr;
  if (branch_ && branch_index_ == index)
    return branch_.get();
  branch_index_ = index;
  branch_ = Create(schema_->branches()[index]);
  return branch_.get();
}

AvroValue* AvroValue::GetBranch(size_t* index) const {
  if (index)
    *index = branch_index_;
  return branch_.get();
}

AvroValue* AvroValue::AppendItem() {
  if (schema_->GetType() != AvroType::kArray || !schema_->item_schema())
    return nullptr;
  items_.push_back(Create(schema_->GetItemSchema()));
  return items_.back().get();
}

AvroValue* AvroValue::GetOrAddEntry(const std::string& key) {
  if (schema_->GetType() != AvroType::kMap || !schema_->item_schema())
    return nullptr;
  std::unique_ptr<AvroValue>& entry = entries_[key];
  if (!entry)
    entry = Create(schema_->GetItemSchema());
  return entry.get();
}

std::vector<std::string> AvroValue::GetKeys() const {
  std::vector<std::string> keys;
  keys.reserve(entries_.size());
  for (const auto& entry : entries_)
    keys.push_back(entry.first);
  return keys;
}

AvroValue* AvroValue::GetChild(const std::string& name) const {
  switch (schema_->GetType()) {
    case AvroType::kRecord: {
      std::optional<size_t> index = schema_->FindField(name);
      return index ? fields_[*index].get() : nullptr;
    }
    case AvroType::kMap: {
      auto it = entries_.find(name);
      return it == entries_.end() ? nullptr : it->second.get();
    }
    default:
      return nullptr;
  }
}

AvroValue* AvroValue::GetChildAt(size_t index) const {
  switch (schema_->GetType()) {
    case AvroType::kRecord:
      return index < fields_.size() ? fields_[index].get() : nullptr;
    case AvroType::kArray:
      return index < items_.size() ? items_[index].get() : nullptr;
    default:
      return nullptr;
  }
}

AvroValue* AvroValue::ResolvePath(const std::string& path) {
  AvroValue* value = this;
  for (const std::string& component : SplitPath(path)) {
    value = value->GetChild(component);
    if (!value)
      return nullptr;
    if (value->GetType() == AvroType::kUnion) {
      value = value->SelectBranch(1);
      if (!value)
        return nullptr;
    }
  }
  return value;
}

const AvroValue* AvroValue::FindPath(const std::string& path) const {
  const AvroValue* value = this;
  for (const std::string& component : SplitPath(path)) {
    value = value->GetChild(component);
    if (!value)
      return nullptr;
    if (value->GetType() == AvroType::kUnion) {
      size_t index = 0;
      value = value->GetBranch(&index);
      if (index == 0 || !value)
        return nullptr;
    }
  }
  return value;
}

}  // namespace velta
