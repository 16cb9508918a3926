// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/avro_schema.h"

#include <algorithm>

#include "base/logging.h"

namespace velta {

AvroSchema::AvroSchema(AvroType type, Version version) : type_(type), version_(version) {}

AvroSchema::~AvroSchema() = default;

// static
scoped_refptr<AvroSchema> AvroSchema::Null(Version version) {
  return base::WrapRefCounted(new AvroSchema(AvroType::kNull, version));
}

// static
scoped_refptr<AvroSchema> AvroSchema::Boolean(Version version) {
  return base::WrapRefCounted(new AvroSchema(AvroType::kBoolean, version));
}

// static
scoped_refptr<AvroSchema> AvroSchema::String(Version version) {
  return base::WrapRefCounted(new AvroSchema(AvroType::kString, version));
}

// static
scoped_refptr<AvroSchema> AvroSchema::Int(Version version) {
  return base::WrapRefCounted(new AvroSchema(AvroType::kInt, version));
}

// static
scoped_refptr<AvroSchema> AvroSchema::Long(Version version) {
  return base::WrapRefCounted(new AvroSchema(AvroType::kLong, version));
}

// static
scoped_refptr<AvroSchema> AvroSchema::Float(Version version) {
  return base::WrapRefCounted(new AvroSchema(AvroType::kFloat, version));
}

// static
scoped_refptr<AvroSchema> AvroSchema::Double(Version version) {
  return base::WrapRefCounted(new AvroSchema(AvroType::kDouble, version));
}

// static
scoped_refptr<AvroSchema> AvroSchema::Bytes(Version version) {
  return base::WrapRefCounted(new AvroSchema(AvroType::kBytes, version));
}

// static
scoped_refptr<AvroSchema> AvroSchema::Array(Version version, scoped_refptr<AvroSchema> items) {
  scoped_refptr<AvroSchema> schema =
      base::WrapRefCounted(new AvroSchema(AvroType::kArray, version));
  schema->items_ = std::move(items);
  return schema;
}

// static
scoped_refptr<AvroSchema> AvroSchema::Map(Version version, scoped_refptr<AvroSchema> values) {
  scoped_refptr<AvroSchema> schema = base::WrapRefCounted(new AvroSchema(AvroType::kMap, version));
  schema->items_ = std::move(values);
  return schema;
}

// static
scoped_refptr<AvroSchema> AvroSchema::Enum(Version version,
                                           const std::string& name_space,
                                           const std::string& name,
                                           const std::vector<std::string>& symbols) {
  scoped_refptr<AvroSchema> schema = base::WrapRefCounted(new AvroSchema(AvroType::kEnum, version));
  schema->name_space_ = name_space;
  schema->name_ = name;
  for (const std::string& symbol : symbols)
    schema->AddSymbol(symbol);
  return schema;
}

// static
scoped_refptr<AvroSchema> AvroSchema::Record(Version version,
                                             const std::string& name_space,
                                             const std::string& name,
                                             std::vector<Field> fields) {
  scoped_refptr<AvroSchema> schema =
      base::WrapRefCounted(new AvroSchema(AvroType::kRecord, version));
  schema->name_space_ = name_space;
  schema->name_ = name;
  for (Field& field : fields)
    schema->AddField(std::move(field.first), std::move(field.second));
  return schema;
}

// static
scoped_refptr<AvroSchema> AvroSchema::Union(Version version,
                                            std::vector<scoped_refptr<AvroSchema>> branches) {
  scoped_refptr<AvroSchema> schema =
      base::WrapRefCounted(new AvroSchema(AvroType::kUnion, version));
  for (scoped_refptr<AvroSchema>& branch : branches) {
    if (!schema->AddBranch(std::move(branch)))
      return nullptr;
  }
  return schema;
}

int32_t AvroSchema::GetVersion() const {
  DCHECK(version_.has_value());
  return version_.value_or(0);
}

size_t AvroSchema::GetChildCount() const {
  switch (type_) {
    case AvroType::kEnum:
      return symbols_.size();
    case AvroType::kUnion:
      return branches_.size();
    case AvroType::kRecord:
      return fields_.size();
    default:
      return 0;
  }
}

std::vector<std::string> AvroSchema::GetFieldNames() const {
  std::vector<std::string> names;
  names.reserve(fields_.size());
  for (const Field& field : fields_)
    names.push_back(field.first);
  return names;
}

std::vector<std::string> AvroSchema::GetSymbols() const {
  return symbols_;
}

scoped_refptr<AvroSchema> AvroSchema::GetItemSchema() const {
  if (type_ != AvroType::kArray && type_ != AvroType::kMap)
    return nullptr;
  return items_;
}

scoped_refptr<AvroSchema> AvroSchema::GetChildSchema(size_t index) const {
  if (type_ == AvroType::kRecord && index < fields_.size())
    return fields_[index].second;
  if (type_ == AvroType::kUnion && index < branches_.size())
    return branches_[index];
  return nullptr;
}

std::optional<size_t> AvroSchema::FindField(const std::string& name) const {
  for (size_t i = 0; i < fields_.size(); ++i) {
    if (fields_[i].first == name)
      return i;
  }
  return std::nullopt;
}

void AvroSchema::AddSymbol(const std::string& symbol) {
  if (std::find(symbols_.begin(), symbols_.end(), symbol) == symbols_.end())
    symbols_.push_back(symbol);
}

void AvroSchema::AddField(std::string name, scoped_refptr<AvroSchema> schema) {
  if (FindField(name))
    return;  // The first field of a name stays; `schema` is released here.
  fields_.emplace_back(std::move(name), std::move(schema));
}

bool AvroSchema::AddBranch(scoped_refptr<AvroSchema> branch) {
  if (!branch)
    return false;
  const AvroType type = branch->GetType();
  if (type != AvroType::kEnum && type != AvroType::kRecord) {
    for (const scoped_refptr<AvroSchema>& existing : branches_) {
      if (existing->GetType() == type)
        return false;
    }
  }
  branches_.push_back(std::move(branch));
  return true;
}

}  // namespace velta
