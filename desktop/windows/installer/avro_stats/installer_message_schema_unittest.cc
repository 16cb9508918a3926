// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/installer_message_schema.h"

#include <map>
#include <memory>
#include <string>

#include "base/strings/string_number_conversions.h"
#include "gtest/gtest.h"
#include "velta_components/avro/avro_schema.h"
#include "velta_components/avro/avro_value.h"
#include "velta_components/avro/value_serializer_impl.h"

namespace velta {
namespace {

std::string HexOf(const std::string& bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    if (!text.empty())
      text += ' ';
    text += base::HexEncode(&byte, 1);
  }
  return text;
}

std::string SerializeMessage(const AvroValue& message) {
  std::string out;
  ValueSerializerImpl().Serialize(message, &out);
  return out;
}

// Counts the nodes of each kind in the tree below `schema`, and checks that
// every node carries the message version.
void CountKinds(const AvroSchema& schema, std::map<AvroType, int>* counts, bool* all_versioned) {
  ++(*counts)[schema.GetType()];
  if (!schema.HasVersion() || schema.GetVersion() != kInstallerMessageSchemaVersion)
    *all_versioned = false;
  if (schema.item_schema())
    CountKinds(*schema.item_schema(), counts, all_versioned);
  for (const auto& field : schema.fields())
    CountKinds(*field.second, counts, all_versioned);
  for (const auto& branch : schema.branches())
    CountKinds(*branch, counts, all_versioned);
}

TEST(InstallerMessageSchemaTest, HasTheDocumentedShapeAtOneVersion) {
  std::map<AvroType, int> counts;
  bool all_versioned = true;
  CountKinds(*BuildInstallerMessageSchema(), &counts, &all_versioned);
  EXPECT_TRUE(all_versioned);
  EXPECT_EQ(15, counts[AvroType::kRecord]);
  EXPECT_EQ(2, counts[AvroType::kEnum]);
  EXPECT_EQ(71, counts[AvroType::kUnion]);
  EXPECT_EQ(3, counts[AvroType::kArray]);
  EXPECT_EQ(3, counts[AvroType::kMap]);
}

TEST(InstallerMessageSchemaTest, DefaultMessageIsAllNullsAndZeros) {
  std::unique_ptr<AvroValue> message = AvroValue::Create(BuildInstallerMessageSchema());
  EXPECT_EQ("00 00 00 01 7F 00 00 00 00 00 00 00 00", HexOf(SerializeMessage(*message)));
}

TEST(InstallerMessageSchemaTest, DefaultInstallerEventHasItsPlainFieldsAtZero) {
  std::unique_ptr<AvroValue> message = AvroValue::Create(BuildInstallerMessageSchema());
  message->GetChild("installer_event")->SelectBranch(1);
  EXPECT_EQ(
      "00 00 00 01 7F 00 00 00 00 00 00 00 "
      "02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
      HexOf(SerializeMessage(*message)));
}

TEST(InstallerMessageSchemaTest, EnumsGoOutAsTheirIndexes) {
  std::unique_ptr<AvroValue> message = AvroValue::Create(BuildInstallerMessageSchema());
  AvroValue* event = message->ResolvePath("installer_event");
  ASSERT_TRUE(event->GetChild("event_type")->SetEnumSymbol("uninstall_survey_completed"));
  std::string bytes;
  ValueSerializerImpl().Encode(*event->GetChild("event_type"), &bytes);
  EXPECT_EQ("30", HexOf(bytes));

  AvroValue* architecture = message->ResolvePath("installer_event.controller_launched_details");
  ASSERT_TRUE(architecture->GetChild("package_architecture")->SetEnumSymbol("x64"));
  bytes.clear();
  ValueSerializerImpl().Encode(*architecture->GetChild("package_architecture"), &bytes);
  EXPECT_EQ("02", HexOf(bytes));
}

}  // namespace
}  // namespace velta
