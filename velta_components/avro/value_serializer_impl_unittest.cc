// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/value_serializer_impl.h"

#include <stdint.h>

#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/test/scoped_failing_hash.h"
#include "base/test/scoped_log_collector.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "velta_components/avro/avro_schema.h"
#include "velta_components/avro/avro_value.h"
#include "velta_components/avro/hmac_payload_signer.h"
#include "velta_components/avro/payload_signer.h"

namespace velta {
namespace {

using ::testing::Contains;

constexpr int32_t kVersion = 383;

// "02 61" for "\x02a": bytes as the wire examples write them.
std::string Hex(const std::string& bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    if (!text.empty())
      text += ' ';
    text += base::HexEncode(&byte, 1);
  }
  return text;
}

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values)
    bytes.push_back(static_cast<char>(value));
  return bytes;
}

std::string EncodeLong(int64_t number) {
  std::string out;
  ValueSerializerImpl::WriteLong(number, &out);
  return out;
}

std::string Encode(const AvroValue& value) {
  std::string out;
  ValueSerializerImpl().Encode(value, &out);
  return out;
}

struct LongCase {
  int64_t number;
  const char* hex;
};

class AvroLongTest : public ::testing::TestWithParam<LongCase> {};

TEST_P(AvroLongTest, EncodesAsZigzagVarintAndReadsBack) {
  const std::string bytes = EncodeLong(GetParam().number);
  EXPECT_EQ(GetParam().hex, Hex(bytes));
  std::string_view input(bytes);
  int64_t number = 0;
  ASSERT_TRUE(ValueSerializerImpl::ReadLong(&input, &number));
  EXPECT_EQ(GetParam().number, number);
  EXPECT_TRUE(input.empty());
}

INSTANTIATE_TEST_SUITE_P(Numbers,
                         AvroLongTest,
                         ::testing::Values(LongCase{0, "00"},
                                           LongCase{-1, "01"},
                                           LongCase{1, "02"},
                                           LongCase{63, "7E"},
                                           LongCase{-64, "7F"},
                                           LongCase{64, "80 01"},
                                           LongCase{std::numeric_limits<int64_t>::max(),
                                                    "FE FF FF FF FF FF FF FF FF 01"},
                                           LongCase{std::numeric_limits<int64_t>::min(),
                                                    "FF FF FF FF FF FF FF FF FF 01"}));

TEST(AvroLongTest, StopsAfterTheTenthContinuedByte) {
  const std::string eleven(11, '\xFF');
  std::string_view input(eleven);
  int64_t number = 0;
  EXPECT_FALSE(ValueSerializerImpl::ReadLong(&input, &number));
  EXPECT_EQ(1u, input.size());  // The eleventh byte was never read.
  std::string_view empty;
  EXPECT_FALSE(ValueSerializerImpl::ReadLong(&empty, &number));
}

// One value of each shape and the bytes the encoder must write for it.
struct EncodingCase {
  const char* name;
  scoped_refptr<AvroSchema> (*schema)();
  void (*fill)(AvroValue*);
  const char* hex;
};

scoped_refptr<AvroSchema> StringArray() {
  return AvroSchema::Array(kVersion, AvroSchema::String(kVersion));
}
scoped_refptr<AvroSchema> IntMap() {
  return AvroSchema::Map(kVersion, AvroSchema::Int(kVersion));
}
scoped_refptr<AvroSchema> OptionalString() {
  return AvroSchema::Union(kVersion, {AvroSchema::Null(kVersion), AvroSchema::String(kVersion)});
}
scoped_refptr<AvroSchema> IntAndString() {
  return AvroSchema::Record(
      kVersion, "", "r", {{"i", AvroSchema::Int(kVersion)}, {"s", AvroSchema::String(kVersion)}});
}
scoped_refptr<AvroSchema> FloatSchema() {
  return AvroSchema::Float(kVersion);
}
scoped_refptr<AvroSchema> DoubleSchema() {
  return AvroSchema::Double(kVersion);
}
scoped_refptr<AvroSchema> StringSchema() {
  return AvroSchema::String(kVersion);
}
scoped_refptr<AvroSchema> BooleanSchema() {
  return AvroSchema::Boolean(kVersion);
}

class AvroEncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(AvroEncodingTest, WritesTheExpectedBytesAndReadsThemBack) {
  std::unique_ptr<AvroValue> value = AvroValue::Create(GetParam().schema());
  GetParam().fill(value.get());
  const std::string bytes = Encode(*value);
  EXPECT_EQ(GetParam().hex, Hex(bytes));
  std::unique_ptr<AvroValue> read = ValueSerializerImpl().Deserialize(GetParam().schema(), bytes);
  ASSERT_NE(nullptr, read);
  EXPECT_EQ(bytes, Encode(*read));
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    AvroEncodingTest,
    ::testing::Values(
        EncodingCase{"EmptyArray", &StringArray, [](AvroValue*) {}, "00"},
        EncodingCase{"ArrayOfTwoStrings", &StringArray,
                     [](AvroValue* v) {
                       v->AppendItem()->SetString("a");
                       v->AppendItem()->SetString("b");
                     },
                     "04 02 61 02 62 00"},
        EncodingCase{"MapInKeyOrder", &IntMap,
                     [](AvroValue* v) {
                       v->GetOrAddEntry("b")->SetInt(1);
                       v->GetOrAddEntry("a")->SetInt(2);
                     },
                     "04 02 61 04 02 62 02 00"},
        EncodingCase{"UnionOnNull", &OptionalString, [](AvroValue*) {}, "00"},
        EncodingCase{"UnionOnString", &OptionalString,
                     [](AvroValue* v) { v->SelectBranch(1)->SetString("x"); }, "02 02 78"},
        EncodingCase{"RecordOfIntAndEmptyString", &IntAndString,
                     [](AvroValue* v) { v->GetChild("i")->SetInt(1); }, "02 00"},
        EncodingCase{"Float", &FloatSchema, [](AvroValue* v) { v->SetFloat(1.0f); }, "00 00 80 3F"},
        EncodingCase{"Double", &DoubleSchema, [](AvroValue* v) { v->SetDouble(1.0); },
                     "00 00 00 00 00 00 F0 3F"},
        EncodingCase{"IntSetOnAStringChangesNothing", &StringSchema,
                     [](AvroValue* v) {
                       v->SetString("s");
                       v->SetInt(9);
                     },
                     "02 73"},
        EncodingCase{"True", &BooleanSchema, [](AvroValue* v) { v->SetBool(true); }, "01"}),
    [](const auto& info) { return std::string(info.param.name); });

// Inputs the decoder must refuse (or, for the last rows, accept) whole.
struct DecodingCase {
  const char* name;
  scoped_refptr<AvroSchema> (*schema)();
  std::string bytes;
  bool readable;
};

scoped_refptr<AvroSchema> IntSchema() {
  return AvroSchema::Int(kVersion);
}
scoped_refptr<AvroSchema> TwoSymbols() {
  return AvroSchema::Enum(kVersion, "", "e", {"a", "b"});
}

scoped_refptr<AvroSchema> NullArray() {
  return AvroSchema::Array(kVersion, AvroSchema::Null(kVersion));
}
scoped_refptr<AvroSchema> NullRecordArray() {
  return AvroSchema::Array(
      kVersion, AvroSchema::Record(kVersion, "", "n",
                                   {{"a", AvroSchema::Null(kVersion)},
                                    {"b", AvroSchema::Null(kVersion)}}));
}
scoped_refptr<AvroSchema> NullArrayArray() {
  return AvroSchema::Array(kVersion, NullArray());
}
scoped_refptr<AvroSchema> NullMap() {
  return AvroSchema::Map(kVersion, AvroSchema::Null(kVersion));
}

// `blocks` blocks of `count` items each, with no item bytes (null items),
// and the closing count.
std::string NullBlocks(int64_t count, int blocks) {
  std::string bytes;
  for (int i = 0; i < blocks; ++i)
    bytes += EncodeLong(count);
  return bytes + Bytes({0x00});
}

// An array of `outer` arrays, each of `inner` null items.
std::string NestedNullArrays(int64_t outer, int64_t inner) {
  std::string bytes = EncodeLong(outer);
  for (int64_t i = 0; i < outer; ++i)
    bytes += NullBlocks(inner, 1);
  return bytes + Bytes({0x00});
}

class AvroDecodingTest : public ::testing::TestWithParam<DecodingCase> {};

TEST_P(AvroDecodingTest, ReadsOnlyWhatTheSchemaAllows) {
  std::unique_ptr<AvroValue> value =
      ValueSerializerImpl().Deserialize(GetParam().schema(), GetParam().bytes);
  EXPECT_EQ(GetParam().readable, value != nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs,
    AvroDecodingTest,
    ::testing::Values(
        DecodingCase{"BooleanTwo", &BooleanSchema, Bytes({0x02}), false},
        DecodingCase{"IntAboveRange", &IntSchema, EncodeLong(2147483648LL), false},
        DecodingCase{"IntAtTop", &IntSchema, EncodeLong(2147483647LL), true},
        DecodingCase{"EnumIndexEqualToCount", &TwoSymbols, EncodeLong(2), false},
        DecodingCase{"EnumNegative", &TwoSymbols, EncodeLong(-1), false},
        DecodingCase{"UnionBranchTwo", &OptionalString, Bytes({0x04}), false},
        DecodingCase{"UnionNegativeBranch", &OptionalString, Bytes({0x01}), false},
        DecodingCase{"StringLongerThanInput", &StringSchema, Bytes({0x08, 'a', 'b'}), false},
        DecodingCase{"StringNegativeLength", &StringSchema, Bytes({0x01}), false},
        DecodingCase{"ExtraByteAfterValue", &StringSchema, Bytes({0x02, 'a', 0x00}), false},
        DecodingCase{"ArrayCountBeyondInput", &StringArray,
                     EncodeLong(1LL << 40) + Bytes({0x02, 'a'}), false},
        DecodingCase{"ArrayWithoutClosingCount", &StringArray, Bytes({0x02, 0x02, 'a'}), false},
        DecodingCase{"MapWithBadValue", &IntMap, Bytes({0x02, 0x02, 'k'}), false},
        DecodingCase{"NegativeCountEndsArray", &StringArray, Bytes({0x03}), true},
        DecodingCase{"TwoBlocks", &StringArray, Bytes({0x02, 0x02, 'a', 0x02, 0x02, 'b', 0x00}),
                     true},
        DecodingCase{"RepeatedMapKey", &IntMap,
                     Bytes({0x04, 0x02, 'k', 0x02, 0x02, 'k', 0x04, 0x00}), true},
        // Items that take no bytes cannot be bounded by the input's length:
        // the item limit bounds them, per block and over a whole value.
        DecodingCase{"NullArrayCountNearTheTop", &NullArray,
                     NullBlocks(std::numeric_limits<int64_t>::max(), 1), false},
        DecodingCase{"NullRecordArrayCountNearTheTop", &NullRecordArray,
                     NullBlocks(std::numeric_limits<int64_t>::max() - 1, 1), false},
        DecodingCase{"NullArrayCountJustAboveTheLimit", &NullArray,
                     NullBlocks(ValueSerializerImpl::kMaxItems + 1, 1), false},
        DecodingCase{"NullArrayBlocksOverTheLimitTogether", &NullArray,
                     NullBlocks(ValueSerializerImpl::kMaxItems / 2 + 1, 2), false},
        DecodingCase{"NestedNullArraysOverTheLimitTogether", &NullArrayArray,
                     NestedNullArrays(3, ValueSerializerImpl::kMaxItems / 2), false},
        DecodingCase{"NullMapCountBeyondInput", &NullMap,
                     EncodeLong(std::numeric_limits<int64_t>::max()) + Bytes({0x02, 'k', 0x00}),
                     false},
        DecodingCase{"NullArrayOfAThousand", &NullArray, NullBlocks(1000, 1), true},
        DecodingCase{"NestedNullArraysWithinTheLimit", &NullArrayArray,
                     NestedNullArrays(2, 100), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AvroDecodingTest, RepeatedMapKeyKeepsTheLaterValue) {
  std::unique_ptr<AvroValue> value = ValueSerializerImpl().Deserialize(
      IntMap(), Bytes({0x04, 0x02, 'k', 0x02, 0x02, 'k', 0x04, 0x00}));
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(2, value->GetChild("k")->GetInt());
}

TEST(ValueSerializerImplTest, SerializePutsTheVersionFirst) {
  std::unique_ptr<AvroValue> value = AvroValue::Create(IntAndString());
  value->GetChild("s")->SetString("a");
  std::string out;
  ValueSerializerImpl().Serialize(*value, &out);
  EXPECT_EQ("00 00 00 01 7F 00 02 61", Hex(out));
}

// The signed envelope, with an HMAC signer in the slot for each test.
class SignedEnvelopeTest : public ::testing::Test {
 protected:
  SignedEnvelopeTest() {
    logging::SetMinLogLevel(-6);
    CollectVerboseLevel(1);
    GetPayloadSigner() = &signer_;
  }
  ~SignedEnvelopeTest() override {
    GetPayloadSigner() = nullptr;
    logging::SetMinLogLevel(logging::LOG_INFO);
  }

  std::string SignedEnvelope() {
    std::unique_ptr<AvroValue> value = AvroValue::Create(IntAndString());
    value->GetChild("i")->SetInt(-3);
    value->GetChild("s")->SetString("payload");
    std::string out;
    EXPECT_TRUE(serializer_.SerializeSigned(*value, &out));
    return out;
  }

  // An envelope whose header record is `header` as given.
  static std::string Envelope(const AvroValue& header) {
    std::string out = Bytes({0x04, 0x06, 0x06, 0x00, 0x00, 0x00, 0x01});
    ValueSerializerImpl::WriteValue(header, &out);
    return out;
  }

  static ValueSerializer::SchemaLookup LookupOf(int32_t version) {
    return base::BindOnce(
        [](int32_t known, int32_t asked) -> scoped_refptr<AvroSchema> {
          return asked == known ? IntAndString() : nullptr;
        },
        version);
  }

  // Collects the verbose lines of `level` (one level at a time).
  void CollectVerboseLevel(int level) {
    log_.reset();
    log_ = std::make_unique<base::test::ScopedLogCollector>(-level);
  }
  const std::vector<std::string>& lines() const { return log_->lines; }

  HmacPayloadSigner signer_;
  ValueSerializerImpl serializer_;
  std::unique_ptr<base::test::ScopedLogCollector> log_;
};

// A hash provider that fails neither signs nor verifies: the envelope is
// not written, and one signed before does not read.
TEST_F(SignedEnvelopeTest, FailingHashProviderSignsAndVerifiesNothing) {
  const std::string envelope = SignedEnvelope();
  for (const auto step : {base::test::ScopedFailingHash::Step::kCreate,
                          base::test::ScopedFailingHash::Step::kUpdate,
                          base::test::ScopedFailingHash::Step::kFinish}) {
    base::test::ScopedFailingHash failing(step);
    std::unique_ptr<AvroValue> value = AvroValue::Create(IntAndString());
    std::string out;
    EXPECT_FALSE(serializer_.SerializeSigned(*value, &out));
    EXPECT_EQ("", out);
    std::string signature = "stale";
    EXPECT_FALSE(signer_.Sign(&signature, "payload", "key"));
    EXPECT_EQ("", signature);
    EXPECT_EQ(nullptr, serializer_.DeserializeSigned(envelope, LookupOf(kVersion)));
  }
  EXPECT_NE(nullptr, serializer_.DeserializeSigned(envelope, LookupOf(kVersion)));
}

TEST_F(SignedEnvelopeTest, RoundTripsASignedValue) {
  const std::string envelope = SignedEnvelope();
  // Magic, header version 1, then payload_signature on branch 1 with the
  // 32-byte MAC (length 64 as a zigzag long: 40).
  EXPECT_EQ("04 06 06 00 00 00 01 02 40", Hex(envelope.substr(0, 9)));
  std::unique_ptr<AvroValue> value = serializer_.DeserializeSigned(envelope, LookupOf(kVersion));
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(-3, value->GetChild("i")->GetInt());
  EXPECT_EQ("payload", value->GetChild("s")->GetString());
}

// A damaged envelope and the verbose line that names why it was refused.
struct EnvelopeFault {
  const char* name;
  void (*damage)(std::string* envelope);
  const char* logged;
};

class SignedEnvelopeFaultTest : public SignedEnvelopeTest,
                                public ::testing::WithParamInterface<EnvelopeFault> {};

TEST_P(SignedEnvelopeFaultTest, RefusesAndLogsWhy) {
  std::string envelope = SignedEnvelope();
  GetParam().damage(&envelope);
  EXPECT_EQ(nullptr, serializer_.DeserializeSigned(envelope, LookupOf(kVersion)));
  EXPECT_THAT(lines(), Contains(GetParam().logged));
}

INSTANTIATE_TEST_SUITE_P(
    Faults,
    SignedEnvelopeFaultTest,
    ::testing::Values(
        EnvelopeFault{"WrongMagic", [](std::string* e) { (*e)[2] = 0x07; }, "Magic mismatch."},
        EnvelopeFault{"HeaderVersionTwo", [](std::string* e) { (*e)[6] = 0x02; },
                      "Header schema not found."},
        EnvelopeFault{"EmptyHeader", [](std::string* e) { e->resize(7); }, "Header not decodable."},
        EnvelopeFault{"TrailingByte", [](std::string* e) { e->push_back('\0'); },
                      "Header not decodable."},
        EnvelopeFault{"PayloadTampered", [](std::string* e) { e->back() ^= 0x01; },
                      "Signature mismatch."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SignedEnvelopeTest, ShortInputIsRefusedSilently) {
  EXPECT_EQ(nullptr, serializer_.DeserializeSigned(Bytes({4, 7, 6, 0, 0, 1}), LookupOf(kVersion)));
  EXPECT_TRUE(lines().empty());
  CollectVerboseLevel(4);
  EXPECT_EQ(nullptr, serializer_.DeserializeSigned(Bytes({4, 6, 6, 0, 0, 1}), LookupOf(kVersion)));
  EXPECT_THAT(lines(), Contains("Header not readable."));
}

TEST_F(SignedEnvelopeTest, NamesTheFirstAbsentHeaderField) {
  std::unique_ptr<AvroValue> header = AvroValue::Create(ValueSerializerImpl::GetHeaderSchema());
  header->ResolvePath("payload_version")->SetInt(kVersion);
  header->ResolvePath("payload_bytes")->SetString("x");
  EXPECT_EQ(nullptr, serializer_.DeserializeSigned(Envelope(*header), LookupOf(kVersion)));
  EXPECT_THAT(lines(), Contains("Header has no signature."));

  header->ResolvePath("payload_signature")->SetString("s");
  header->GetChild("payload_bytes")->SelectBranch(0);
  EXPECT_EQ(nullptr, serializer_.DeserializeSigned(Envelope(*header), LookupOf(kVersion)));
  EXPECT_THAT(lines(), Contains("Header has no bytes."));

  header->ResolvePath("payload_bytes")->SetString("x");
  header->GetChild("payload_version")->SelectBranch(0);
  EXPECT_EQ(nullptr, serializer_.DeserializeSigned(Envelope(*header), LookupOf(kVersion)));
  EXPECT_THAT(lines(), Contains("Header has no version."));
}

TEST_F(SignedEnvelopeTest, UnknownPayloadVersionIsRefused) {
  CollectVerboseLevel(4);
  EXPECT_EQ(nullptr, serializer_.DeserializeSigned(SignedEnvelope(), LookupOf(kVersion + 1)));
  EXPECT_THAT(lines(), Contains("Payload schema not found."));
}

TEST_F(SignedEnvelopeTest, NothingIsSignedOrVerifiedWithoutASigner) {
  const std::string envelope = SignedEnvelope();
  GetPayloadSigner() = nullptr;
  std::unique_ptr<AvroValue> value = AvroValue::Create(IntAndString());
  std::string out = "kept";
  EXPECT_FALSE(serializer_.SerializeSigned(*value, &out));
  EXPECT_EQ("kept", out);
  EXPECT_EQ(nullptr, serializer_.DeserializeSigned(envelope, LookupOf(kVersion)));
  EXPECT_THAT(lines(), Contains("Signature mismatch."));
}

}  // namespace
}  // namespace velta
