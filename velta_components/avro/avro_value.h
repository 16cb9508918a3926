// Copyright 2026 Velta Software. All rights reserved.

#ifndef VELTA_COMPONENTS_AVRO_AVRO_VALUE_H_
#define VELTA_COMPONENTS_AVRO_AVRO_VALUE_H_

#include <stddef.h>
#include <stdint.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/memory/scoped_refptr.h"
#include "velta_components/avro/avro_schema.h"

namespace velta {

// A typed value that follows one schema: a singly owned tree (a record owns
// its fields, an array its items, a map its entries, a union its branch
// value). Child values handed out are borrowed: they live as long as their
// parent, until SelectBranch replaces a branch value. No locking: one thread
// at a time fills, reads, encodes or destroys a tree.
//
// Setters and getters do not check the kind: every value has every scalar
// slot, and only the slot of the schema's kind is ever encoded.
class AvroValue {
 public:
  // A complete default tree: records with all their fields, unions on branch
  // 0, enums on symbol 0, empty arrays and maps, zero scalars.
  static std::unique_ptr<AvroValue> Create(scoped_refptr<AvroSchema> schema);

  AvroValue(const AvroValue&) = delete;
  AvroValue& operator=(const AvroValue&) = delete;
  ~AvroValue();

  scoped_refptr<AvroSchema> GetSchema() const { return schema_; }
  const AvroSchema& schema() const { return *schema_; }
  AvroType GetType() const { return schema_->GetType(); }

  void SetBool(bool value) { bool_ = value; }
  bool GetBool() const { return bool_; }
  void SetInt(int32_t value) { int32_ = value; }
  int32_t GetInt() const { return int32_; }
  void SetLong(int64_t value) { int64_ = value; }
  int64_t GetLong() const { return int64_; }
  void SetFloat(float value) { float_ = value; }
  float GetFloat() const { return float_; }
  void SetDouble(double value) { double_ = value; }
  double GetDouble() const { return double_; }
  // For string and bytes alike: any bytes, not only UTF-8.
  void SetString(const std::string& value);
  std::string GetString() const { return string_; }
  const std::string& string_value() const { return string_; }

  // False, and nothing changes, when `index` is not below the symbol count.
  bool SetEnumIndex(size_t index);
  // Selects the first symbol equal to `symbol`; false, and nothing changes,
  // when none is.
  bool SetEnumSymbol(const std::string& symbol);
  size_t GetEnumIndex() const { return enum_index_; }

  // The value of branch `index`: the present one when it is already
  // selected, else a new default one that replaces (destroys) the previous
  // branch value. Null, and nothing changes, when out of range.
  AvroValue* SelectBranch(size_t index);
  // The current branch value; its index in `index` when given.
  AvroValue* GetBranch(size_t* index = nullptr) const;

  // Appends a default item and returns it. Null for a value not an array.
  AvroValue* AppendItem();
  size_t GetItemCount() const { return items_.size(); }

  // The entry for `key`, added as a default value when there is none. Null
  // for a value not a map.
  AvroValue* GetOrAddEntry(const std::string& key);
  // In ascending byte order.
  std::vector<std::string> GetKeys() const;
  const std::map<std::string, std::unique_ptr<AvroValue>>& entries() const { return entries_; }

  // The record field named `name` or the map entry under the key `name`;
  // null when absent and for other kinds.
  AvroValue* GetChild(const std::string& name) const;
  // The array item or record field at `index`; null when out of range and
  // for other kinds.
  AvroValue* GetChildAt(size_t index) const;

  // Walks a dotted path for filling: each component names a record field
  // (or an existing map key), and every union met is switched to branch 1,
  // the non-null branch of an optional field, keeping a branch already
  // selected. An empty path is this value. Null when a component names
  // nothing or a union on the way has fewer than two branches.
  AvroValue* ResolvePath(const std::string& path);
  // The same walk without changes: a union on branch 0 ends it with null.
  const AvroValue* FindPath(const std::string& path) const;

 private:
  explicit AvroValue(scoped_refptr<AvroSchema> schema);

  // Clears everything and builds the defaults of the schema's kind.
  void Reset();

  const scoped_refptr<AvroSchema> schema_;
  bool bool_ = false;
  double double_ = 0;
  float float_ = 0;
  int32_t int32_ = 0;
  int64_t int64_ = 0;
  std::string string_;
  std::vector<std::unique_ptr<AvroValue>> items_;
  std::map<std::string, std::unique_ptr<AvroValue>> entries_;
  std::vector<std::unique_ptr<AvroValue>> fields_;
  size_t branch_index_ = 0;
  std::unique_ptr<AvroValue> branch_;
  size_t enum_index_ = 0;
};

}  // namespace velta

#endif  // VELTA_COMPONENTS_AVRO_AVRO_VALUE_H_
