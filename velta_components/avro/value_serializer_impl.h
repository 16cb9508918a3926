// Copyright 2026 Velta Software. All rights reserved.

#ifndef VELTA_COMPONENTS_AVRO_VALUE_SERIALIZER_IMPL_H_
#define VELTA_COMPONENTS_AVRO_VALUE_SERIALIZER_IMPL_H_

#include <stdint.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "velta_components/avro/value_serializer.h"

namespace velta {

// The Avro binary encoding (zigzag varints, little-endian floats, strings
// with their length, records as their fields, unions and enums as indexes,
// arrays and maps as one block closed by a zero count) and the two framings
// of ValueSerializer.
//
// Decoding reads hostile bytes: every read is bounded by what remains, a
// varint takes at most 10 bytes, booleans, ints, enum indexes and union
// branches are range-checked, and a block count that announces more items
// than the remaining bytes could hold, or more than kMaxItems with the
// value's other blocks, is refused before anything is added.
class ValueSerializerImpl : public ValueSerializer {
 public:
  // The most items one decoded value may hold in all its arrays and maps:
  // items of no bytes (nulls, records of nulls) cannot be bounded by the
  // input's length.
  static constexpr int64_t kMaxItems = 1 << 16;

  ValueSerializerImpl();
  ValueSerializerImpl(const ValueSerializerImpl&) = delete;
  ValueSerializerImpl& operator=(const ValueSerializerImpl&) = delete;
  ~ValueSerializerImpl() override;

  // The header record of the signed envelope, version 1: the fields
  // payload_signature [null, string], payload_version [null, int] and
  // payload_bytes [null, bytes].
  static scoped_refptr<AvroSchema> GetHeaderSchema();
  // That schema for version 1, null for any other version.
  static scoped_refptr<AvroSchema> GetHeaderSchemaForVersion(int32_t version);

  // ValueSerializer:
  void Encode(const AvroValue& value, std::string* out) override;
  void Serialize(const AvroValue& value, std::string* out) override;
  std::unique_ptr<AvroValue> Deserialize(scoped_refptr<AvroSchema> schema,
                                         const std::string& data) override;
  bool SerializeSigned(const AvroValue& value, std::string* out) override;
  std::unique_ptr<AvroValue> DeserializeSigned(const std::string& data,
                                               SchemaLookup lookup) override;

  // The payload of a signed envelope whose signature verifies; nullopt
  // otherwise (the reason is logged).
  std::optional<VersionedPayload> ReadSignedHeader(const std::string& data);
  // The envelope of `payload`; false when no signer is installed or it
  // cannot sign.
  bool WriteSignedHeader(const VersionedPayload& payload, std::string* out);

  // The binary encoding of one value, and its reading from the front of
  // `input` (which then holds what followed the value). A false read may
  // leave `value` partly filled: the caller discards it.
  static void WriteValue(const AvroValue& value, std::string* out);
  static bool ReadValue(std::string_view* input, AvroValue* value);
  static void WriteLong(int64_t number, std::string* out);
  static bool ReadLong(std::string_view* input, int64_t* number);

 private:
  // ReadValue, counting every array and map item against `items_left`.
  static bool ReadValueWithin(std::string_view* input, AvroValue* value, int64_t* items_left);
  static bool ReadArray(std::string_view* input, AvroValue* value, int64_t* items_left);
  static bool ReadMap(std::string_view* input, AvroValue* value, int64_t* items_left);
};

}  // namespace velta

#endif  // VELTA_COMPONENTS_AVRO_VALUE_SERIALIZER_IMPL_H_
