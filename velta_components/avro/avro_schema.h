// Copyright 2026 Velta Software. All rights reserved.

#ifndef VELTA_COMPONENTS_AVRO_AVRO_SCHEMA_H_
#define VELTA_COMPONENTS_AVRO_AVRO_SCHEMA_H_

#include <stddef.h>
#include <stdint.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/memory/ref_counted.h"
#include "base/memory/scoped_refptr.h"

namespace velta {

// The kinds of Avro data the library knows, with the numbers every schema
// node stores. There is no fixed kind.
enum class AvroType : int32_t {
  kNull = 1,
  kBoolean = 2,
  kString = 3,
  kInt = 4,
  kLong = 5,
  kFloat = 6,
  kDouble = 7,
  kEnum = 8,
  kUnion = 9,
  kRecord = 10,
  kArray = 11,
  kMap = 12,
  kBytes = 13,
};

// One node of an Avro schema, built in code (there is no JSON form) children
// first. A node never changes once its builder returns, so one schema tree is
// shared by any number of values and threads; the reference count is atomic.
// Names and namespaces are stored but never compared or resolved.
class AvroSchema : public base::RefCountedThreadSafe<AvroSchema> {
 public:
  using Version = std::optional<int32_t>;
  using Field = std::pair<std::string, scoped_refptr<AvroSchema>>;

  static scoped_refptr<AvroSchema> Null(Version version);
  static scoped_refptr<AvroSchema> Boolean(Version version);
  static scoped_refptr<AvroSchema> String(Version version);
  static scoped_refptr<AvroSchema> Int(Version version);
  static scoped_refptr<AvroSchema> Long(Version version);
  static scoped_refptr<AvroSchema> Float(Version version);
  static scoped_refptr<AvroSchema> Double(Version version);
  static scoped_refptr<AvroSchema> Bytes(Version version);
  static scoped_refptr<AvroSchema> Array(Version version, scoped_refptr<AvroSchema> items);
  // Map keys are always strings.
  static scoped_refptr<AvroSchema> Map(Version version, scoped_refptr<AvroSchema> values);
  // A symbol equal to one already added is skipped.
  static scoped_refptr<AvroSchema> Enum(Version version,
                                        const std::string& name_space,
                                        const std::string& name,
                                        const std::vector<std::string>& symbols);
  // A field whose name is already present is skipped (the first one stays).
  static scoped_refptr<AvroSchema> Record(Version version,
                                          const std::string& name_space,
                                          const std::string& name,
                                          std::vector<Field> fields);
  // Null when two branches share a kind other than enum or record.
  static scoped_refptr<AvroSchema> Union(Version version,
                                         std::vector<scoped_refptr<AvroSchema>> branches);

  AvroSchema(const AvroSchema&) = delete;
  AvroSchema& operator=(const AvroSchema&) = delete;

  AvroType GetType() const { return type_; }
  bool HasVersion() const { return version_.has_value(); }
  // Only for a node that has a version.
  int32_t GetVersion() const;
  // Symbols (enum), branches (union) or fields (record); 0 otherwise.
  size_t GetChildCount() const;
  std::vector<std::string> GetFieldNames() const;
  std::vector<std::string> GetSymbols() const;
  // The items of an array or the values of a map; null for other kinds.
  scoped_refptr<AvroSchema> GetItemSchema() const;
  // The field (record) or branch (union) at `index`; null when out of range
  // and for other kinds.
  scoped_refptr<AvroSchema> GetChildSchema(size_t index) const;

  // Borrowed views for the value and encoding code, valid while this node is.
  const AvroSchema* item_schema() const { return items_.get(); }
  const std::vector<Field>& fields() const { return fields_; }
  const std::vector<scoped_refptr<AvroSchema>>& branches() const { return branches_; }
  const std::vector<std::string>& symbols() const { return symbols_; }
  // Record and enum names; never used by the library itself.
  const std::string& name_space() const { return name_space_; }
  const std::string& name() const { return name_; }
  // The index of the field named `name`, or nullopt.
  std::optional<size_t> FindField(const std::string& name) const;

 private:
  friend class base::RefCountedThreadSafe<AvroSchema>;

  AvroSchema(AvroType type, Version version);
  ~AvroSchema();

  void AddSymbol(const std::string& symbol);
  void AddField(std::string name, scoped_refptr<AvroSchema> schema);
  bool AddBranch(scoped_refptr<AvroSchema> branch);

  const AvroType type_;
  const Version version_;
  scoped_refptr<AvroSchema> items_;
  std::vector<scoped_refptr<AvroSchema>> branches_;
  std::vector<Field> fields_;
  std::vector<std::string> symbols_;
  std::string name_space_;
  std::string name_;
};

}  // namespace velta

#endif  // VELTA_COMPONENTS_AVRO_AVRO_SCHEMA_H_
