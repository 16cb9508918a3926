// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/avro_value.h"

#include <memory>
#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "velta_components/avro/avro_schema.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

constexpr int32_t kValueTestVersion = 7;

scoped_refptr<AvroSchema> Optional(scoped_refptr<AvroSchema> type) {
  return AvroSchema::Union(kValueTestVersion,
                           {AvroSchema::Null(kValueTestVersion), std::move(type)});
}

// {"inner": optional {"a": string, "b": int}, "name": optional string}
scoped_refptr<AvroSchema> NestedSchema() {
  scoped_refptr<AvroSchema> inner = AvroSchema::Record(
      kValueTestVersion, "", "inner",
      {{"a", AvroSchema::String(kValueTestVersion)}, {"b", AvroSchema::Int(kValueTestVersion)}});
  return AvroSchema::Record(
      kValueTestVersion, "", "outer",
      {{"inner", Optional(inner)}, {"name", Optional(AvroSchema::String(kValueTestVersion))}});
}

struct UnionCase {
  const char* name;
  std::vector<AvroType> kinds;
  bool accepted;
};

scoped_refptr<AvroSchema> SchemaOfKind(AvroType kind) {
  switch (kind) {
    case AvroType::kNull:
      return AvroSchema::Null(kValueTestVersion);
    case AvroType::kString:
      return AvroSchema::String(kValueTestVersion);
    case AvroType::kBytes:
      return AvroSchema::Bytes(kValueTestVersion);
    case AvroType::kArray:
      return AvroSchema::Array(kValueTestVersion, AvroSchema::Int(kValueTestVersion));
    case AvroType::kMap:
      return AvroSchema::Map(kValueTestVersion, AvroSchema::Int(kValueTestVersion));
    case AvroType::kEnum:
      return AvroSchema::Enum(kValueTestVersion, "", "e", {"x"});
    case AvroType::kRecord:
      return AvroSchema::Record(kValueTestVersion, "", "r", {});
    default:
      return AvroSchema::Int(kValueTestVersion);
  }
}

class AvroUnionBranchesTest : public ::testing::TestWithParam<UnionCase> {};

TEST_P(AvroUnionBranchesTest, RefusesTwoBranchesOfOneKindButEnumsAndRecords) {
  std::vector<scoped_refptr<AvroSchema>> branches;
  for (AvroType kind : GetParam().kinds)
    branches.push_back(SchemaOfKind(kind));
  scoped_refptr<AvroSchema> schema = AvroSchema::Union(kValueTestVersion, branches);
  EXPECT_EQ(GetParam().accepted, schema != nullptr);
  if (schema) {
    EXPECT_EQ(GetParam().kinds.size(), schema->GetChildCount());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds,
    AvroUnionBranchesTest,
    ::testing::Values(UnionCase{"NullString", {AvroType::kNull, AvroType::kString}, true},
                      UnionCase{"StringString", {AvroType::kString, AvroType::kString}, false},
                      UnionCase{"ArrayArray", {AvroType::kArray, AvroType::kArray}, false},
                      UnionCase{"MapMap", {AvroType::kNull, AvroType::kMap, AvroType::kMap}, false},
                      UnionCase{"StringBytes", {AvroType::kString, AvroType::kBytes}, true},
                      UnionCase{"RecordRecord", {AvroType::kRecord, AvroType::kRecord}, true},
                      UnionCase{"EnumEnum", {AvroType::kEnum, AvroType::kEnum}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AvroSchemaTest, SkipsRepeatedSymbolsAndKeepsTheFirstOfRepeatedFields) {
  scoped_refptr<AvroSchema> symbols = AvroSchema::Enum(kValueTestVersion, "", "e", {"a", "b", "a"});
  EXPECT_THAT(symbols->GetSymbols(), ElementsAre("a", "b"));
  scoped_refptr<AvroSchema> record = AvroSchema::Record(
      kValueTestVersion, "", "r",
      {{"x", AvroSchema::Int(kValueTestVersion)}, {"x", AvroSchema::String(kValueTestVersion)}});
  EXPECT_THAT(record->GetFieldNames(), ElementsAre("x"));
  EXPECT_EQ(AvroType::kInt, record->GetChildSchema(0)->GetType());
  EXPECT_EQ(nullptr, record->GetChildSchema(1));
  EXPECT_EQ(nullptr, record->GetItemSchema());
}

TEST(AvroValueTest, NewOptionalFieldIsOnItsNullBranch) {
  std::unique_ptr<AvroValue> value = AvroValue::Create(NestedSchema());
  size_t index = 9;
  AvroValue* branch = value->GetChild("name")->GetBranch(&index);
  EXPECT_EQ(0u, index);
  ASSERT_NE(nullptr, branch);
  EXPECT_EQ(AvroType::kNull, branch->GetType());
  EXPECT_EQ(nullptr, value->FindPath("name"));
  EXPECT_EQ(nullptr, value->FindPath("inner.a"));
}

TEST(AvroValueTest, PathsThroughOneOptionalRecordFillTheSameRecord) {
  std::unique_ptr<AvroValue> value = AvroValue::Create(NestedSchema());
  value->ResolvePath("inner.a")->SetString("first");
  value->ResolvePath("inner.b")->SetInt(5);
  const AvroValue* a = value->FindPath("inner.a");
  ASSERT_NE(nullptr, a);
  EXPECT_EQ("first", a->GetString());
  EXPECT_EQ(5, value->FindPath("inner.b")->GetInt());
  EXPECT_EQ(value.get(), value->ResolvePath(""));
}

TEST(AvroValueTest, SelectingAnotherBranchDiscardsTheOldContents) {
  std::unique_ptr<AvroValue> value = AvroValue::Create(NestedSchema());
  AvroValue* name = value->GetChild("name");
  AvroValue* text = name->SelectBranch(1);
  text->SetString("kept");
  EXPECT_EQ(text, name->SelectBranch(1));
  EXPECT_EQ("kept", name->SelectBranch(1)->GetString());
  name->SelectBranch(0);
  EXPECT_EQ("", name->SelectBranch(1)->GetString());
  EXPECT_EQ(nullptr, name->SelectBranch(2));
}

TEST(AvroValueTest, PathsNamingNothingResolveToNull) {
  std::unique_ptr<AvroValue> value = AvroValue::Create(NestedSchema());
  EXPECT_EQ(nullptr, value->ResolvePath("inner..a"));
  EXPECT_EQ(nullptr, value->ResolvePath("missing"));
  EXPECT_EQ(nullptr, value->ResolvePath("inner.a.deeper"));
  EXPECT_EQ(nullptr, value->FindPath("inner..a"));
}

TEST(AvroValueTest, EnumSettersRefuseWhatIsNoSymbol) {
  std::unique_ptr<AvroValue> value =
      AvroValue::Create(AvroSchema::Enum(kValueTestVersion, "", "e", {"x86", "x64"}));
  EXPECT_TRUE(value->SetEnumSymbol("x64"));
  EXPECT_FALSE(value->SetEnumSymbol("arm64"));
  EXPECT_EQ(1u, value->GetEnumIndex());
  EXPECT_FALSE(value->SetEnumIndex(2));
  EXPECT_EQ(1u, value->GetEnumIndex());
}

TEST(AvroValueTest, MapKeysComeBackInByteOrderAndEntriesAreReused) {
  std::unique_ptr<AvroValue> value =
      AvroValue::Create(AvroSchema::Map(kValueTestVersion, AvroSchema::Int(kValueTestVersion)));
  value->GetOrAddEntry("b")->SetInt(1);
  value->GetOrAddEntry("a");
  value->GetOrAddEntry("c");
  EXPECT_THAT(value->GetKeys(), ElementsAre("a", "b", "c"));
  EXPECT_EQ(value->GetOrAddEntry("b"), value->GetChild("b"));
  EXPECT_EQ(1, value->GetOrAddEntry("b")->GetInt());
  EXPECT_EQ(nullptr, value->GetChild("d"));
}

TEST(AvroValueTest, ContainerOperationsAnswerNullOnOtherKinds) {
  std::unique_ptr<AvroValue> text = AvroValue::Create(AvroSchema::String(kValueTestVersion));
  EXPECT_EQ(nullptr, text->AppendItem());
  EXPECT_EQ(nullptr, text->GetOrAddEntry("k"));
  EXPECT_EQ(nullptr, text->GetChild("k"));
  EXPECT_EQ(nullptr, text->GetChildAt(0));
  EXPECT_EQ(nullptr, text->SelectBranch(0));
}

}  // namespace
}  // namespace velta
