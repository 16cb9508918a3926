// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_VALUES_H_
#define BASE_VALUES_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace base {

// A JSON-like value: none (null), a boolean, a 32-bit integer, a double, a
// UTF-8 string, a binary blob, a dictionary or a list. Dictionaries keep their
// keys sorted byte-wise, so serialised output is in ascending key order.
//
// Values are move-only; Clone() makes a deep copy. Plain data with no thread
// affinity: a value may be handed to another thread, but not shared.
//
// The typed getters (GetBool(), GetDict(), ...) CHECK the type: they are for
// values whose type the caller has already established. Values that come from
// files or peers are read through the Find*() accessors, which return null or
// an empty optional for a missing key or a value of another type.
//
// Dotted paths ("a.b.c") are split at every "." with empty parts kept
// ("a..b" names the key "" inside "a"); each part but the last must name a
// dictionary. Keys that themselves contain "." are reached with the *Key
// forms only.
class Value {
 public:
  using BlobStorage = std::vector<uint8_t>;
  using DictStorage = std::map<std::string, Value, std::less<>>;
  using ListStorage = std::vector<Value>;

  enum class Type : unsigned char {
    NONE = 0,
    BOOLEAN,
    INTEGER,
    DOUBLE,
    STRING,
    BINARY,
    DICTIONARY,
    LIST,
    DICT = DICTIONARY,
  };

  // Value() is none; Value(type) is the default of that type: false, 0, 0.0,
  // "", an empty blob, dictionary or list.
  Value();
  explicit Value(Type type);
  explicit Value(bool in_bool);
  explicit Value(int in_int);
  // A NaN or infinity cannot be written as JSON and becomes 0.0.
  explicit Value(double in_double);
  // Narrow strings are UTF-8; wide ones are converted from UTF-16.
  explicit Value(const char* in_string);
  explicit Value(std::string_view in_string);
  explicit Value(std::string&& in_string) noexcept;
  explicit Value(const wchar_t* in_string);
  explicit Value(std::wstring_view in_string);
  explicit Value(BlobStorage in_blob) noexcept;
  explicit Value(DictStorage in_dict) noexcept;
  explicit Value(ListStorage in_list) noexcept;

  Value(Value&& that) noexcept;
  Value& operator=(Value&& that) noexcept;
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
  ~Value();

  // "null", "boolean", "integer", "double", "string", "binary", "dictionary",
  // "list".
  static const char* GetTypeName(Type type);

  Type type() const { return static_cast<Type>(data_.index()); }
  bool is_none() const { return type() == Type::NONE; }
  bool is_bool() const { return type() == Type::BOOLEAN; }
  bool is_int() const { return type() == Type::INTEGER; }
  bool is_double() const { return type() == Type::DOUBLE; }
  bool is_string() const { return type() == Type::STRING; }
  bool is_blob() const { return type() == Type::BINARY; }
  bool is_dict() const { return type() == Type::DICTIONARY; }
  bool is_list() const { return type() == Type::LIST; }

  // Typed getters; the type is CHECKed. GetDouble() also takes an integer.
  bool GetBool() const;
  int GetInt() const;
  double GetDouble() const;
  const std::string& GetString() const;
  std::string& GetString();
  const BlobStorage& GetBlob() const;
  const ListStorage& GetList() const;
  ListStorage& GetList();
  const DictStorage& GetDict() const;
  DictStorage& GetDict();

  // Dictionary lookups by one key. On a value that is not a dictionary they
  // find nothing (DCHECK-free: the input may be anything).
  Value* FindKey(std::string_view key);
  const Value* FindKey(std::string_view key) const;
  Value* FindKeyOfType(std::string_view key, Type type);
  const Value* FindKeyOfType(std::string_view key, Type type) const;
  std::optional<bool> FindBoolKey(std::string_view key) const;
  std::optional<int> FindIntKey(std::string_view key) const;
  // Also takes an integer, converted.
  std::optional<double> FindDoubleKey(std::string_view key) const;
  const std::string* FindStringKey(std::string_view key) const;
  std::string* FindStringKey(std::string_view key);
  const BlobStorage* FindBlobKey(std::string_view key) const;
  // Return the dictionary or list value itself (is_dict() / is_list()).
  Value* FindDictKey(std::string_view key);
  const Value* FindDictKey(std::string_view key) const;
  Value* FindListKey(std::string_view key);
  const Value* FindListKey(std::string_view key) const;

  // Dictionary lookups by dotted path; the same rules as the key forms.
  Value* FindPath(std::string_view path);
  const Value* FindPath(std::string_view path) const;
  Value* FindPathOfType(std::string_view path, Type type);
  const Value* FindPathOfType(std::string_view path, Type type) const;
  std::optional<bool> FindBoolPath(std::string_view path) const;
  std::optional<int> FindIntPath(std::string_view path) const;
  std::optional<double> FindDoublePath(std::string_view path) const;
  const std::string* FindStringPath(std::string_view path) const;
  std::string* FindStringPath(std::string_view path);
  const BlobStorage* FindBlobPath(std::string_view path) const;
  Value* FindDictPath(std::string_view path);
  const Value* FindDictPath(std::string_view path) const;
  Value* FindListPath(std::string_view path);
  const Value* FindListPath(std::string_view path) const;

  // Sets `key` of this dictionary (CHECKed), replacing what was there, and
  // returns the stored value.
  Value* SetKey(std::string_view key, Value value);
  Value* SetBoolKey(std::string_view key, bool value);
  Value* SetIntKey(std::string_view key, int value);
  Value* SetDoubleKey(std::string_view key, double value);
  Value* SetStringKey(std::string_view key, std::string_view value);
  Value* SetStringKey(std::string_view key, const char* value);
  Value* SetStringKey(std::string_view key, std::string&& value);
  Value* SetStringKey(std::string_view key, std::wstring_view value);

  // Sets the value at a dotted path, creating missing intermediate
  // dictionaries. Returns null, changing nothing, when this value or an
  // existing intermediate is not a dictionary.
  Value* SetPath(std::string_view path, Value value);
  Value* SetBoolPath(std::string_view path, bool value);
  Value* SetIntPath(std::string_view path, int value);
  Value* SetDoublePath(std::string_view path, double value);
  Value* SetStringPath(std::string_view path, std::string_view value);

  // Removes `key`; false when it is absent or this is not a dictionary.
  bool RemoveKey(std::string_view key);
  // Removes the value at a dotted path, then every intermediate dictionary
  // the removal left empty. False when nothing was there.
  bool RemovePath(std::string_view path);
  // Removes and returns the value of `key`.
  std::optional<Value> ExtractKey(std::string_view key);

  // Iteration over a dictionary's (key, value) pairs in key order; CHECKed.
  DictStorage& DictItems() { return GetDict(); }
  const DictStorage& DictItems() const { return GetDict(); }
  size_t DictSize() const { return GetDict().size(); }
  bool DictEmpty() const { return GetDict().empty(); }

  // Merges `dictionary` into this one key by key: nested dictionaries present
  // on both sides are merged recursively, anything else is replaced by a copy
  // of the value from `dictionary`. Both must be dictionaries (CHECKed).
  void MergeDictionary(const Value* dictionary);

  // List operations; the type is CHECKed.
  void Append(Value value);
  void Append(bool value);
  void Append(int value);
  void Append(double value);
  void Append(std::string_view value);
  void Append(const char* value);
  void Append(std::string&& value);
  // Removes every element equal to `value`; returns how many were removed.
  size_t EraseListValue(const Value& value);

  // A deep copy.
  Value Clone() const;

  // Deep comparison; values of different types are never equal (1 != 1.0).
  // The ordering is by type, then by content.
  friend bool operator==(const Value& lhs, const Value& rhs);
  friend bool operator!=(const Value& lhs, const Value& rhs) { return !(lhs == rhs); }
  friend bool operator<(const Value& lhs, const Value& rhs);

 private:
  // The index of each alternative is its Type.
  std::variant<std::monostate,
               bool,
               int,
               double,
               std::string,
               BlobStorage,
               DictStorage,
               ListStorage>
      data_;
};

// The dictionary and list kinds of Value under their older names: a value
// made as one starts as an empty dictionary or list. They add no state, so
// they convert to Value freely.
class DictionaryValue : public Value {
 public:
  DictionaryValue() : Value(Type::DICTIONARY) {}
};

class ListValue : public Value {
 public:
  ListValue() : Value(Type::LIST) {}
};

// For APIs that hold values by pointer.
std::unique_ptr<Value> ToUniquePtrValue(Value value);
Value FromUniquePtrValue(std::unique_ptr<Value> value);

}  // namespace base

#endif  // BASE_VALUES_H_
