// Copyright 2026 Velta Software. All rights reserved.

#ifndef VELTA_COMPONENTS_AVRO_AVRO_SCHEMA_JSON_H_
#define VELTA_COMPONENTS_AVRO_AVRO_SCHEMA_JSON_H_

#include <string>

namespace velta {

class AvroSchema;

// Tests only: `schema` in the JSON form that Avro 1.x defines for schemas, for
// other Avro implementations to read what our encoder writes. The library
// itself keeps no textual form of schemas.
std::string AvroSchemaToJson(const AvroSchema& schema);

}  // namespace velta

#endif  // VELTA_COMPONENTS_AVRO_AVRO_SCHEMA_JSON_H_
