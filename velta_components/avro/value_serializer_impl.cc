// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/value_serializer_impl.h"

#include <string.h>

#include <limits>
#include <utility>

#include "base/big_endian.h"
#include "base/logging.h"
#include "velta_components/avro/avro_schema.h"
#include "velta_components/avro/avro_value.h"
#include "velta_components/avro/payload_signer.h"

namespace velta {

namespace {

constexpr char kSignedMagic[] = {0x04, 0x06, 0x06};
constexpr size_t kSignedPrefixLength = 7;
constexpr int32_t kHeaderVersion = 1;
// Handed to the signer as its key; the serializer does nothing else with it.
constexpr char kSigningKey[] = "V3ltaStatsHeaderK3y7";

bool ReadBytes(std::string_view* input, size_t count, std::string_view* bytes) {
  if (input->size() < count)
    return false;
  *bytes = input->substr(0, count);
  input->remove_prefix(count);
  return true;
}

void WriteString(const std::string& bytes, std::string* out) {
  ValueSerializerImpl::WriteLong(static_cast<int64_t>(bytes.size()), out);
  out->append(bytes);
}

bool ReadString(std::string_view* input, std::string* bytes) {
  int64_t length = 0;
  if (!ValueSerializerImpl::ReadLong(input, &length) || length < 0)
    return false;
  if (static_cast<uint64_t>(length) > input->size())
    return false;
  std::string_view data;
  if (!ReadBytes(input, static_cast<size_t>(length), &data))
    return false;
  bytes->assign(data);
  return true;
}

template <typename T>
void WriteLittleEndian(T number, std::string* out) {
  uint8_t bytes[sizeof(T)];
  memcpy(bytes, &number, sizeof(T));
  uint64_t bits = 0;
  for (size_t i = 0; i < sizeof(T); ++i)
    bits |= static_cast<uint64_t>(bytes[i]) << (8 * i);  // Host order to a number...
  for (size_t i = 0; i < sizeof(T); ++i)
    out->push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));  // ...written low byte first.
}

template <typename T>
bool ReadLittleEndian(std::string_view* input, T* number) {
  std::string_view data;
  if (!ReadBytes(input, sizeof(T), &data))
    return false;
  uint8_t bytes[sizeof(T)];
  for (size_t i = 0; i < sizeof(T); ++i)
    bytes[i] = static_cast<uint8_t>(data[i]);
  memcpy(number, bytes, sizeof(T));
  return true;
}

// The fewest bytes one value of `schema` takes: a block count above the
// remaining bytes divided by it cannot be honest.
size_t MinimumEncodedSize(const AvroSchema& schema) {
  switch (schema.GetType()) {
    case AvroType::kNull:
      return 0;
    case AvroType::kFloat:
      return 4;
    case AvroType::kDouble:
      return 8;
    case AvroType::kRecord: {
      size_t total = 0;
      for (const AvroSchema::Field& field : schema.fields())
        total += MinimumEncodedSize(*field.second);
      return total;
    }
    default:
      return 1;
  }
}

// Reads one block count; false when it cannot be read, announces more items
// than the rest of the input can hold at `item_size` bytes each, or more than
// `items_left`, which it then lowers by the count.
bool ReadBlockCount(std::string_view* input, size_t item_size, int64_t* items_left,
                    int64_t* count) {
  if (!ValueSerializerImpl::ReadLong(input, count))
    return false;
  if (*count < 1)
    return true;
  if (item_size > 0 && static_cast<uint64_t>(*count) > input->size() / item_size)
    return false;
  if (*count > *items_left) {
    LOG(WARNING) << "Refused an Avro block of " << *count << " items: more than the "
                 << ValueSerializerImpl::kMaxItems << " items one value may hold.";
    return false;
  }
  *items_left -= *count;
  return true;
}

}  // namespace

// static
bool ValueSerializerImpl::ReadArray(std::string_view* input,
                                    AvroValue* value,
                                    int64_t* items_left) {
  const size_t item_size = MinimumEncodedSize(*value->schema().item_schema());
  int64_t count = 0;
  if (!ReadBlockCount(input, item_size, items_left, &count))
    return false;
  // Any count below 1 ends the array.
  while (count >= 1) {
    for (int64_t i = 0; i < count; ++i) {
      if (!ReadValueWithin(input, value->AppendItem(), items_left))
        return false;
    }
    if (!ReadBlockCount(input, item_size, items_left, &count))
      return false;
  }
  return true;
}

// static
bool ValueSerializerImpl::ReadMap(std::string_view* input, AvroValue* value, int64_t* items_left) {
  // A key takes at least its length byte.
  const size_t entry_size = 1 + MinimumEncodedSize(*value->schema().item_schema());
  int64_t count = 0;
  if (!ReadBlockCount(input, entry_size, items_left, &count))
    return false;
  while (count >= 1) {
    for (int64_t i = 0; i < count; ++i) {
      std::string key;
      if (!ReadString(input, &key))
        return false;
      // A repeated key is read into the entry already there.
      if (!ReadValueWithin(input, value->GetOrAddEntry(key), items_left))
        return false;
    }
    if (!ReadBlockCount(input, entry_size, items_left, &count))
      return false;
  }
  return true;
}

ValueSerializerImpl::ValueSerializerImpl() = default;

ValueSerializerImpl::~ValueSerializerImpl() = default;

// static
scoped_refptr<AvroSchema> ValueSerializerImpl::GetHeaderSchema() {
  auto optional = [](scoped_refptr<AvroSchema> type) {
    return AvroSchema::Union(kHeaderVersion, {AvroSchema::Null(kHeaderVersion), std::move(type)});
  };
  return AvroSchema::Record(kHeaderVersion, "", "avro_serializer_header_schema",
                            {{"payload_signature", optional(AvroSchema::String(kHeaderVersion))},
                             {"payload_version", optional(AvroSchema::Int(kHeaderVersion))},
                             {"payload_bytes", optional(AvroSchema::Bytes(kHeaderVersion))}});
}

// static
scoped_refptr<AvroSchema> ValueSerializerImpl::GetHeaderSchemaForVersion(int32_t version) {
  return version == kHeaderVersion ? GetHeaderSchema() : nullptr;
}

void ValueSerializerImpl::Encode(const AvroValue& value, std::string* out) {
  WriteValue(value, out);
}

void ValueSerializerImpl::Serialize(const AvroValue& value, std::string* out) {
  DCHECK(value.schema().HasVersion());
  out->push_back('\0');
  base::AppendBigEndian32(static_cast<uint32_t>(value.schema().GetVersion()), out);
  WriteValue(value, out);
}

std::unique_ptr<AvroValue> ValueSerializerImpl::Deserialize(scoped_refptr<AvroSchema> schema,
                                                            const std::string& data) {
  std::string_view input(data);
  std::unique_ptr<AvroValue> value = AvroValue::Create(std::move(schema));
  if (!ReadValue(&input, value.get())) {
    VLOG(5) << "Deserialization failed.";
    return nullptr;
  }
  if (!input.empty()) {
    VLOG(5) << "Buffer longer than expected.";
    return nullptr;
  }
  VLOG(5) << "Deserialization OK.";
  return value;
}

bool ValueSerializerImpl::SerializeSigned(const AvroValue& value, std::string* out) {
  VersionedPayload payload;
  payload.version = value.schema().GetVersion();
  WriteValue(value, &payload.bytes);
  return WriteSignedHeader(payload, out);
}

bool ValueSerializerImpl::WriteSignedHeader(const VersionedPayload& payload, std::string* out) {
  PayloadSigner* signer = GetPayloadSigner();
  if (!signer) {
    LOG(ERROR) << "No payload signer is installed: the envelope cannot be signed.";
    return false;
  }
  scoped_refptr<AvroSchema> schema = GetHeaderSchema();
  std::unique_ptr<AvroValue> header = AvroValue::Create(schema);
  std::string signature;
  if (!signer->Sign(&signature, payload.bytes, kSigningKey)) {
    LOG(ERROR) << "The payload cannot be signed: the envelope is not written.";
    return false;
  }
  header->ResolvePath("payload_signature")->SetString(signature);
  header->ResolvePath("payload_version")->SetInt(payload.version);
  header->ResolvePath("payload_bytes")->SetString(payload.bytes);
  VLOG(4) << "Version is " << schema->GetVersion() << " [" << payload.version << "]";
  out->append(kSignedMagic, sizeof(kSignedMagic));
  base::AppendBigEndian32(static_cast<uint32_t>(schema->GetVersion()), out);
  WriteValue(*header, out);
  return true;
}

std::optional<VersionedPayload> ValueSerializerImpl::ReadSignedHeader(const std::string& data) {
  VLOG(6) << "Buffer size: " << data.size();
  if (data.size() < kSignedPrefixLength)
    return std::nullopt;
  if (data.compare(0, sizeof(kSignedMagic), kSignedMagic, sizeof(kSignedMagic)) != 0) {
    VLOG(1) << "Magic mismatch.";
    return std::nullopt;
  }
  uint32_t header_version = 0;
  base::ReadBigEndian32(data, sizeof(kSignedMagic), &header_version);
  VLOG(6) << "Header version: " << header_version;
  scoped_refptr<AvroSchema> schema =
      GetHeaderSchemaForVersion(static_cast<int32_t>(header_version));
  if (!schema) {
    VLOG(1) << "Header schema not found.";
    return std::nullopt;
  }
  std::unique_ptr<AvroValue> header =
      Deserialize(std::move(schema), data.substr(kSignedPrefixLength));
  if (!header) {
    VLOG(1) << "Header not decodable.";
    return std::nullopt;
  }
  const AvroValue* signature = header->FindPath("payload_signature");
  if (!signature) {
    VLOG(1) << "Header has no signature.";
    return std::nullopt;
  }
  const AvroValue* bytes = header->FindPath("payload_bytes");
  if (!bytes) {
    VLOG(1) << "Header has no bytes.";
    return std::nullopt;
  }
  const AvroValue* version = header->FindPath("payload_version");
  if (!version) {
    VLOG(1) << "Header has no version.";
    return std::nullopt;
  }
  PayloadSigner* signer = GetPayloadSigner();
  if (!signer || !signer->Verify(signature->string_value(), bytes->string_value(), kSigningKey)) {
    VLOG(1) << "Signature mismatch.";
    return std::nullopt;
  }
  return VersionedPayload{version->GetInt(), bytes->GetString()};
}

std::unique_ptr<AvroValue> ValueSerializerImpl::DeserializeSigned(const std::string& data,
                                                                  SchemaLookup lookup) {
  std::optional<VersionedPayload> payload = ReadSignedHeader(data);
  if (!payload) {
    VLOG(4) << "Header not readable.";
    return nullptr;
  }
  VLOG(4) << "Payload version: " << payload->version << "; size: " << payload->bytes.size();
  scoped_refptr<AvroSchema> schema = std::move(lookup).Run(payload->version);
  if (!schema) {
    VLOG(4) << "Payload schema not found.";
    return nullptr;
  }
  return Deserialize(std::move(schema), payload->bytes);
}

// static
void ValueSerializerImpl::WriteLong(int64_t number, std::string* out) {
  uint64_t zigzag = (static_cast<uint64_t>(number) << 1) ^ static_cast<uint64_t>(number >> 63);
  while (zigzag >= 0x80) {
    out->push_back(static_cast<char>((zigzag & 0x7F) | 0x80));
    zigzag >>= 7;
  }
  out->push_back(static_cast<char>(zigzag));
}

// static
bool ValueSerializerImpl::ReadLong(std::string_view* input, int64_t* number) {
  uint64_t accumulator = 0;
  for (int position = 0; position < 10; ++position) {
    if (input->empty())
      return false;
    const uint8_t byte = static_cast<uint8_t>(input->front());
    input->remove_prefix(1);
    accumulator |= static_cast<uint64_t>(byte & 0x7F) << (7 * position);
    if (!(byte & 0x80)) {
      *number = static_cast<int64_t>((accumulator >> 1) ^ (0 - (accumulator & 1)));
      return true;
    }
  }
  return false;  // A tenth byte with its top bit set.
}

// static
void ValueSerializerImpl::WriteValue(const AvroValue& value, std::string* out) {
  switch (value.GetType()) {
    case AvroType::kNull:
      break;
    case AvroType::kBoolean:
      out->push_back(value.GetBool() ? 1 : 0);
      break;
    case AvroType::kInt:
      WriteLong(value.GetInt(), out);
      break;
    case AvroType::kLong:
      WriteLong(value.GetLong(), out);
      break;
    case AvroType::kFloat:
      WriteLittleEndian(value.GetFloat(), out);
      break;
    case AvroType::kDouble:
      WriteLittleEndian(value.GetDouble(), out);
      break;
    case AvroType::kString:
    case AvroType::kBytes:
      WriteString(value.string_value(), out);
      break;
    case AvroType::kEnum:
      WriteLong(static_cast<int64_t>(value.GetEnumIndex()), out);
      break;
    case AvroType::kUnion: {
      size_t index = 0;
      const AvroValue* branch = value.GetBranch(&index);
      WriteLong(static_cast<int64_t>(index), out);
      if (branch)
        WriteValue(*branch, out);
      break;
    }
    case AvroType::kRecord:
      for (size_t i = 0; i < value.schema().fields().size(); ++i)
        WriteValue(*value.GetChildAt(i), out);
      break;
    case AvroType::kArray: {
      const size_t count = value.GetItemCount();
      WriteLong(static_cast<int64_t>(count), out);
      if (count == 0)
        break;
      for (size_t i = 0; i < count; ++i)
        WriteValue(*value.GetChildAt(i), out);
      out->push_back('\0');
      break;
    }
    case AvroType::kMap: {
      const auto& entries = value.entries();
      WriteLong(static_cast<int64_t>(entries.size()), out);
      if (entries.empty())
        break;
      // std::map keeps its keys in ascending byte order.
      for (const auto& entry : entries) {
        WriteString(entry.first, out);
        WriteValue(*entry.second, out);
      }
      out->push_back('\0');
      break;
    }
  }
}

// static
bool ValueSerializerImpl::ReadValue(std::string_view* input, AvroValue* value) {
  int64_t items_left = kMaxItems;
  return ReadValueWithin(input, value, &items_left);
}

// static
bool ValueSerializerImpl::ReadValueWithin(std::string_view* input,
                                          AvroValue* value,
                                          int64_t* items_left) {
  switch (value->GetType()) {
    case AvroType::kNull:
      return true;
    case AvroType::kBoolean: {
      std::string_view byte;
      if (!ReadBytes(input, 1, &byte) || static_cast<uint8_t>(byte[0]) > 1)
        return false;
      value->SetBool(byte[0] == 1);
      return true;
    }
    case AvroType::kInt: {
      int64_t number = 0;
      if (!ReadLong(input, &number) || number < std::numeric_limits<int32_t>::min() ||
          number > std::numeric_limits<int32_t>::max()) {
        return false;
      }
      value->SetInt(static_cast<int32_t>(number));
      return true;
    }
    case AvroType::kLong: {
      int64_t number = 0;
      if (!ReadLong(input, &number))
        return false;
      value->SetLong(number);
      return true;
    }
    case AvroType::kFloat: {
      float number = 0;
      if (!ReadLittleEndian(input, &number))
        return false;
      value->SetFloat(number);
      return true;
    }
    case AvroType::kDouble: {
      double number = 0;
      if (!ReadLittleEndian(input, &number))
        return false;
      value->SetDouble(number);
      return true;
    }
    case AvroType::kString:
    case AvroType::kBytes: {
      std::string bytes;
      if (!ReadString(input, &bytes))
        return false;
      value->SetString(bytes);
      return true;
    }
    case AvroType::kEnum: {
      int64_t index = 0;
      if (!ReadLong(input, &index) || index < 0 || index > std::numeric_limits<int32_t>::max())
        return false;
      return value->SetEnumIndex(static_cast<size_t>(index));
    }
    case AvroType::kUnion: {
      int64_t index = 0;
      if (!ReadLong(input, &index) || index < 0 ||
          static_cast<uint64_t>(index) >= value->schema().branches().size()) {
        return false;
      }
      AvroValue* branch = value->SelectBranch(static_cast<size_t>(index));
      return branch && ReadValueWithin(input, branch, items_left);
    }
    case AvroType::kRecord:
      for (size_t i = 0; i < value->schema().fields().size(); ++i) {
        if (!ReadValueWithin(input, value->GetChildAt(i), items_left))
          return false;
      }
      return true;
    case AvroType::kArray:
      return ReadArray(input, value, items_left);
    case AvroType::kMap:
      return ReadMap(input, value, items_left);
  }
  return false;  // No other kind is ever built.
}

}  // namespace velta
