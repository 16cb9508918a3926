// Copyright 2026 Velta Software. All rights reserved.

#ifndef VELTA_COMPONENTS_AVRO_VALUE_SERIALIZER_H_
#define VELTA_COMPONENTS_AVRO_VALUE_SERIALIZER_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/callback.h"
#include "base/memory/scoped_refptr.h"

namespace velta {

class AvroSchema;
class AvroValue;

// A payload's plain encoding with the version of the schema that wrote it.
struct VersionedPayload {
  int32_t version = 0;
  std::string bytes;
};

// Turns an AvroValue into bytes and back, in three forms:
//  - the plain Avro binary encoding;
//  - the versioned form: 00, the schema's version as 4 bytes big-endian,
//    then the plain encoding (every statistics message is sent so);
//  - the signed envelope: 04 06 06, the header schema's version (1) as 4
//    bytes big-endian, then a header record holding the payload's signature,
//    version and plain encoding.
// Data carries no schema: it is read with the very schema that wrote it.
// Decoding reports failure only by returning null; the reason goes to the
// verbose log. Keeps no state between calls: any thread may use it.
class ValueSerializer {
 public:
  // Answers the schema of a payload version, or null.
  using SchemaLookup = base::OnceCallback<scoped_refptr<AvroSchema>(int32_t version)>;

  virtual ~ValueSerializer() = default;

  // Appends the plain encoding of `value` to `out`.
  virtual void Encode(const AvroValue& value, std::string* out) = 0;
  // Appends the versioned form; the value's schema must carry a version.
  virtual void Serialize(const AvroValue& value, std::string* out) = 0;
  // A new value of `schema` read from the plain encoding in `data`, which it
  // must fill exactly; null on any failure (nothing is left behind).
  virtual std::unique_ptr<AvroValue> Deserialize(scoped_refptr<AvroSchema> schema,
                                                 const std::string& data) = 0;
  // Appends the signed envelope. False, leaving `out` alone, when no signer
  // is installed (GetPayloadSigner).
  virtual bool SerializeSigned(const AvroValue& value, std::string* out) = 0;
  // Reads a signed envelope whose signature the installed signer verifies,
  // and decodes its payload with the schema `lookup` gives for its version.
  virtual std::unique_ptr<AvroValue> DeserializeSigned(const std::string& data,
                                                       SchemaLookup lookup) = 0;
};

}  // namespace velta

#endif  // VELTA_COMPONENTS_AVRO_VALUE_SERIALIZER_H_
