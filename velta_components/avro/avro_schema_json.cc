// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/avro_schema_json.h"

#include "velta_components/avro/avro_schema.h"

namespace velta {

namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\')
      quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

void AppendNamed(const AvroSchema& schema, const char* type, std::string* out) {
  *out += "{\"type\": \"";
  *out += type;
  *out += "\", \"name\": " + Quote(schema.name());
  if (!schema.name_space().empty())
    *out += ", \"namespace\": " + Quote(schema.name_space());
}

void AppendJson(const AvroSchema& schema, std::string* out) {
  switch (schema.GetType()) {
    case AvroType::kNull:
      *out += "\"null\"";
      return;
    case AvroType::kBoolean:
      *out += "\"boolean\"";
      return;
    case AvroType::kString:
      *out += "\"string\"";
      return;
    case AvroType::kInt:
      *out += "\"int\"";
      return;
    case AvroType::kLong:
      *out += "\"long\"";
      return;
    case AvroType::kFloat:
      *out += "\"float\"";
      return;
    case AvroType::kDouble:
      *out += "\"double\"";
      return;
    case AvroType::kBytes:
      *out += "\"bytes\"";
      return;
    case AvroType::kArray:
      *out += "{\"type\": \"array\", \"items\": ";
      AppendJson(*schema.item_schema(), out);
      *out += "}";
      return;
    case AvroType::kMap:
      *out += "{\"type\": \"map\", \"values\": ";
      AppendJson(*schema.item_schema(), out);
      *out += "}";
      return;
    case AvroType::kUnion:
      *out += "[";
      for (size_t i = 0; i < schema.branches().size(); ++i) {
        if (i)
          *out += ", ";
        AppendJson(*schema.branches()[i], out);
      }
      *out += "]";
      return;
    case AvroType::kEnum:
      AppendNamed(schema, "enum", out);
      *out += ", \"symbols\": [";
      for (size_t i = 0; i < schema.symbols().size(); ++i)
        *out += (i ? ", " : "") + Quote(schema.symbols()[i]);
      *out += "]}";
      return;
    case AvroType::kRecord:
      AppendNamed(schema, "record", out);
      *out += ", \"fields\": [\n";
      for (size_t i = 0; i < schema.fields().size(); ++i) {
        *out += i ? ",\n" : "";
        *out += "{\"name\": " + Quote(schema.fields()[i].first) + ", \"type\": ";
        AppendJson(*schema.fields()[i].second, out);
        *out += "}";
      }
      *out += "]}";
      return;
  }
}

}  // namespace

std::string AvroSchemaToJson(const AvroSchema& schema) {
  std::string json;
  AppendJson(schema, &json);
  return json + "\n";
}

}  // namespace velta
