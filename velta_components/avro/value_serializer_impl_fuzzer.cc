// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: decodes arbitrary bytes with the serializer, plain
// against a schema that holds every kind of node, plain against the signed
// envelope's header schema, and as a signed envelope (under a signer that
// accepts the signature "sig") whose payload has that every-kind schema.
// Whatever decodes must encode to bytes that decode again, and the value so
// read must encode to the very same bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "base/bind.h"
#include "base/logging.h"
#include "base/memory/scoped_refptr.h"
#include "velta_components/avro/avro_schema.h"
#include "velta_components/avro/avro_value.h"
#include "velta_components/avro/payload_signer.h"
#include "velta_components/avro/value_serializer_impl.h"

namespace velta {
namespace {

constexpr int32_t kVersion = 7;

scoped_refptr<AvroSchema> EveryKindSchema() {
  const AvroSchema::Version v = kVersion;
  scoped_refptr<AvroSchema> inner =
      AvroSchema::Record(v, "velta", "inner", {{"x", AvroSchema::Long(v)}});
  scoped_refptr<AvroSchema> choice = AvroSchema::Union(
      v, {AvroSchema::Null(v), AvroSchema::Int(v), AvroSchema::String(v), inner});
  return AvroSchema::Record(
      v, "velta", "every_kind",
      {{"n", AvroSchema::Null(v)},
       {"b", AvroSchema::Boolean(v)},
       {"i", AvroSchema::Int(v)},
       {"l", AvroSchema::Long(v)},
       {"f", AvroSchema::Float(v)},
       {"d", AvroSchema::Double(v)},
       {"by", AvroSchema::Bytes(v)},
       {"s", AvroSchema::String(v)},
       {"e", AvroSchema::Enum(v, "velta", "e", {"a", "b", "c"})},
       {"a", AvroSchema::Array(v, choice)},
       {"m", AvroSchema::Map(v, AvroSchema::Array(v, AvroSchema::Double(v)))}});
}

// Accepts one signature whatever the payload: the fuzzer reaches the payload
// without computing MACs.
class AcceptingSigner : public PayloadSigner {
 public:
  bool Sign(std::string* signature, const std::string&, const std::string&) override {
    *signature = "sig";
    return true;
  }
  bool Verify(const std::string& signature, const std::string&, const std::string&) override {
    return signature == "sig";
  }
};

void CheckReencodes(ValueSerializerImpl* serializer,
                    const scoped_refptr<AvroSchema>& schema,
                    const AvroValue& value) {
  std::string bytes;
  serializer->Encode(value, &bytes);
  std::unique_ptr<AvroValue> again = serializer->Deserialize(schema, bytes);
  CHECK(again) << "written bytes do not read back";
  std::string bytes_again;
  serializer->Encode(*again, &bytes_again);
  CHECK(bytes == bytes_again) << "a value changed on its way through the encoding";
}

}  // namespace
}  // namespace velta

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velta;
  static AcceptingSigner signer;
  GetPayloadSigner() = &signer;
  const std::string input(reinterpret_cast<const char*>(data), size);
  ValueSerializerImpl serializer;

  const scoped_refptr<AvroSchema> every_kind = EveryKindSchema();
  if (std::unique_ptr<AvroValue> value = serializer.Deserialize(every_kind, input))
    CheckReencodes(&serializer, every_kind, *value);

  const scoped_refptr<AvroSchema> header = ValueSerializerImpl::GetHeaderSchema();
  if (std::unique_ptr<AvroValue> value = serializer.Deserialize(header, input))
    CheckReencodes(&serializer, header, *value);

  std::unique_ptr<AvroValue> signed_value = serializer.DeserializeSigned(
      input, base::BindOnce([](int32_t version) -> scoped_refptr<AvroSchema> {
        return version == kVersion ? EveryKindSchema() : nullptr;
      }));
  if (signed_value)
    CheckReencodes(&serializer, every_kind, *signed_value);
  return 0;
}
