// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crt_handlers.h"

#include <string>

#include "gtest/gtest.h"

namespace velta {
namespace {

std::wstring Text(const char16_t* units) {
  return std::wstring(reinterpret_cast<const wchar_t*>(units));
}

struct RecordCase {
  const char* name;
  const wchar_t* expression;
  std::wstring expected_expression;
};

const std::wstring kFits(127, L'a');
const std::wstring kTooLong(300, L'b');

class InvalidParameterRecordTest : public ::testing::TestWithParam<RecordCase> {};

// The texts come from the crashing code: any may be missing, empty or too
// long for the record, which must stay terminated.
TEST_P(InvalidParameterRecordTest, KeepsWhatFitsTerminated) {
  AssertionRecord record;
  // Left over from an earlier report: must not show through.
  record.kind = kAssertionKindPureCall;
  record.expression[0] = u'x';
  FillInvalidParameterRecord(GetParam().expression, L"Function", nullptr, 17, &record);
  EXPECT_EQ(static_cast<uint32_t>(kAssertionKindInvalidParameter), record.kind);
  EXPECT_EQ(GetParam().expected_expression, Text(record.expression));
  EXPECT_EQ(L"Function", Text(record.function));
  EXPECT_EQ(L"", Text(record.file));
  EXPECT_EQ(17u, record.line);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, InvalidParameterRecordTest,
    ::testing::Values(RecordCase{"absent", nullptr, L""},
                      RecordCase{"empty", L"", L""},
                      RecordCase{"short", L"p != nullptr", L"p != nullptr"},
                      RecordCase{"exactly_127", kFits.c_str(), kFits},
                      RecordCase{"cut_to_127", kTooLong.c_str(), std::wstring(127, L'b')}),
    [](const ::testing::TestParamInfo<RecordCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
