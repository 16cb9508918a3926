// Copyright 2026 Velta Software. All rights reserved.

#include "base/json/json_reader.h"

#include <string>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(JSONReaderTest, ReadsEveryKindOfValue) {
  std::optional<Value> root = JSONReader::Read(
      " {\"null\": null, \"t\": true, \"f\": false, \"int\": -42, \"double\": 1.5,"
      " \"exp\": 1e2, \"str\": \"a\\\"b\\\\c\\/\\n\\u00e9\\ud83d\\ude00\","
      " \"list\": [1, [2, {}]], \"dict\": {\"x\": {\"y\": []}}}\r\n\t");
  ASSERT_TRUE(root.has_value());
  ASSERT_TRUE(root->is_dict());
  EXPECT_TRUE(root->FindKey("null")->is_none());
  EXPECT_EQ(true, root->FindBoolKey("t"));
  EXPECT_EQ(false, root->FindBoolKey("f"));
  EXPECT_EQ(-42, root->FindIntKey("int"));
  EXPECT_EQ(1.5, root->FindKeyOfType("double", Value::Type::DOUBLE)->GetDouble());
  EXPECT_TRUE(root->FindKey("exp")->is_double());
  EXPECT_EQ("a\"b\\c/\n\xC3\xA9\xF0\x9F\x98\x80", *root->FindStringKey("str"));
  EXPECT_EQ(2u, root->FindListKey("list")->GetList().size());
  EXPECT_TRUE(root->FindListKey("list")->GetList()[1].GetList()[1].is_dict());
  EXPECT_NE(nullptr, root->FindListPath("dict.x.y"));
}

TEST(JSONReaderTest, ScalarsAreValidRoots) {
  EXPECT_EQ(Value(1), JSONReader::Read("1"));
  EXPECT_EQ(Value("s"), JSONReader::Read("\"s\""));
  EXPECT_EQ(Value(), JSONReader::Read("null"));
}

TEST(JSONReaderTest, IntegersThatFitInIntStayIntegers) {
  struct NumberCase {
    const char* text;
    Value expected;
  };
  const NumberCase cases[] = {
      {"0", Value(0)},
      {"-0", Value(0)},
      {"2147483647", Value(2147483647)},
      {"-2147483648", Value(-2147483647 - 1)},
      {"2147483648", Value(2147483648.0)},
      {"-2147483649", Value(-2147483649.0)},
      {"18446744073709551616", Value(18446744073709551616.0)},  // beyond uint64
      {"1.0", Value(1.0)},
      {"1E3", Value(1000.0)},
      {"-1.5e-3", Value(-0.0015)},
  };
  for (const NumberCase& c : cases) {
    std::optional<Value> value = JSONReader::Read(c.text);
    ASSERT_TRUE(value.has_value()) << c.text;
    EXPECT_EQ(c.expected, *value) << c.text;
  }
}

TEST(JSONReaderTest, DuplicateKeysKeepTheLastValue) {
  std::optional<Value> root = JSONReader::Read("{\"a\":1,\"a\":2}");
  ASSERT_TRUE(root.has_value());
  EXPECT_EQ(2, root->FindIntKey("a"));
  EXPECT_EQ(1u, root->DictSize());
}

TEST(JSONReaderTest, AcceptsLeadingByteOrderMark) {
  EXPECT_EQ(Value(Value::Type::LIST), JSONReader::Read("\xEF\xBB\xBF[]"));
  // Only at the very start.
  EXPECT_FALSE(JSONReader::Read("[]\xEF\xBB\xBF").has_value());
  EXPECT_FALSE(JSONReader::Read(" \xEF\xBB\xBF[]").has_value());
}

TEST(JSONReaderTest, EmbeddedNulFromEscapeIsKept) {
  std::optional<Value> value = JSONReader::Read("\"a\\u0000b\"");
  ASSERT_TRUE(value.has_value());
  EXPECT_EQ(std::string("a\0b", 3), value->GetString());
}

struct MalformedCase {
  const char* name;
  std::string json;
  JSONReader::JsonParseError code;
};

void PrintTo(const MalformedCase& c, std::ostream* os) {
  *os << c.name;
}

class JSONReaderMalformedTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(JSONReaderMalformedTest, FailsWithErrorAndPosition) {
  const MalformedCase& c = GetParam();
  JSONReader::ValueWithError result = JSONReader::ReadAndReturnValueWithError(c.json);
  EXPECT_FALSE(result.value.has_value());
  EXPECT_EQ(c.code, result.error_code) << result.error_message;
  EXPECT_GE(result.error_line, 1);
  EXPECT_GE(result.error_column, 1);
  EXPECT_EQ(0u, result.error_message.rfind("Line: ", 0)) << result.error_message;
  EXPECT_FALSE(JSONReader::Read(c.json, JSON_ALLOW_TRAILING_COMMAS).has_value());
}

INSTANTIATE_TEST_SUITE_P(
    All,
    JSONReaderMalformedTest,
    ::testing::Values(
        MalformedCase{"Empty", "", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"OnlySpace", " \n ", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"TruncatedObject", "{\"a\":1", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"TruncatedKey", "{\"a", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"TruncatedLiteral", "tru", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"TruncatedEscape", "\"\\u00", JSONReader::JSON_INVALID_ESCAPE},
        MalformedCase{"UnquotedKey", "{a:1}", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"SingleQuotes", "['a']", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"Comment", "[1] // c", JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT},
        MalformedCase{"LeadingComma", "[,1]", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"OnlyComma", "[,]", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"DoubleComma", "[1,,]", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"ColonComma", "{\"a\":,}", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"TrailingGarbage", "{} x", JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT},
        MalformedCase{"TwoRoots", "1 2", JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT},
        MalformedCase{"InvalidEscape", "\"\\x41\"", JSONReader::JSON_INVALID_ESCAPE},
        MalformedCase{"LoneHighSurrogate", "\"\\ud800\"", JSONReader::JSON_INVALID_ESCAPE},
        MalformedCase{"LoneLowSurrogate", "\"\\udc00\"", JSONReader::JSON_INVALID_ESCAPE},
        MalformedCase{"HighThenText", "\"\\ud800x\"", JSONReader::JSON_INVALID_ESCAPE},
        MalformedCase{"RawControl", "\"a\tb\"", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"RawNewline", "\"a\nb\"", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"RawNul", std::string("\"a\0b\"", 5), JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"InvalidUtf8", "\"\xFF\"", JSONReader::JSON_UNSUPPORTED_ENCODING},
        MalformedCase{"OverlongUtf8", "\"\xC0\xAF\"", JSONReader::JSON_UNSUPPORTED_ENCODING},
        MalformedCase{"EncodedSurrogate", "\"\xED\xA0\x80\"",
                      JSONReader::JSON_UNSUPPORTED_ENCODING},
        MalformedCase{"TruncatedUtf8", "\"\xE2\x82\"", JSONReader::JSON_UNSUPPORTED_ENCODING},
        MalformedCase{"Utf16Text", std::string("\xFF\xFE[\0]\0", 6),
                      JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"HugeNumber", "1e400", JSONReader::JSON_UNREPRESENTABLE_NUMBER},
        MalformedCase{"HugeNegativeNumber", "[-1e400]", JSONReader::JSON_UNREPRESENTABLE_NUMBER},
        MalformedCase{"LeadingZero", "01", JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT},
        MalformedCase{"PlusSign", "+1", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"BareFraction", ".5", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"NaN", "NaN", JSONReader::JSON_SYNTAX_ERROR},
        MalformedCase{"Infinity", "[Infinity]", JSONReader::JSON_SYNTAX_ERROR}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

TEST(JSONReaderTest, ErrorPositionIsLineAndColumnOfTheOffendingByte) {
  JSONReader::ValueWithError result =
      JSONReader::ReadAndReturnValueWithError("{\n  \"a\": 1,\n  \"b\": x\n}");
  EXPECT_EQ(3, result.error_line);
  EXPECT_EQ(8, result.error_column);
  EXPECT_EQ(0u, result.error_message.rfind("Line: 3, column: 8, ", 0)) << result.error_message;
}

TEST(JSONReaderTest, TrailingCommasOnlyWithTheOption) {
  const char* const inputs[] = {"[1,]", "[1 , ]", "{\"a\":1,}", "{\"a\":[1,],\n}",
                                "[{\"a\":\"x,]\",},]"};
  for (const char* input : inputs) {
    EXPECT_FALSE(JSONReader::Read(input).has_value()) << input;
    EXPECT_TRUE(JSONReader::Read(input, JSON_ALLOW_TRAILING_COMMAS).has_value()) << input;
  }
  // A comma inside a string is text, not a trailing comma.
  EXPECT_EQ(Value("1,]"), JSONReader::Read("\"1,]\"", JSON_ALLOW_TRAILING_COMMAS));
  std::optional<Value> list = JSONReader::Read("[\"a,\",]", JSON_ALLOW_TRAILING_COMMAS);
  ASSERT_TRUE(list.has_value());
  ASSERT_EQ(1u, list->GetList().size());
  EXPECT_EQ("a,", list->GetList()[0].GetString());
}

std::string Nested(size_t depth, char open, char close) {
  return std::string(depth, open) + std::string(depth, close);
}

TEST(JSONReaderTest, NestingUpToTheLimitIsAccepted) {
  EXPECT_TRUE(JSONReader::Read(Nested(JSONReader::kStackMaxDepth, '[', ']')).has_value());
  EXPECT_TRUE(JSONReader::Read(Nested(3, '[', ']'), JSON_PARSE_RFC, 3).has_value());
  std::string objects;
  for (size_t i = 0; i < JSONReader::kStackMaxDepth - 1; ++i)
    objects += "{\"a\":";
  objects += "[]" + std::string(JSONReader::kStackMaxDepth - 1, '}');
  EXPECT_TRUE(JSONReader::Read(objects).has_value());
}

TEST(JSONReaderTest, NestingBeyondTheLimitIsAnError) {
  JSONReader::ValueWithError result =
      JSONReader::ReadAndReturnValueWithError(Nested(JSONReader::kStackMaxDepth + 1, '[', ']'));
  EXPECT_FALSE(result.value.has_value());
  EXPECT_EQ(JSONReader::JSON_TOO_MUCH_NESTING, result.error_code);
  EXPECT_EQ(1, result.error_line);
  EXPECT_EQ(static_cast<int>(JSONReader::kStackMaxDepth) + 1, result.error_column);
  EXPECT_FALSE(JSONReader::Read(Nested(4, '[', ']'), JSON_PARSE_RFC, 3).has_value());
  EXPECT_FALSE(JSONReader::Read("[]", JSON_PARSE_RFC, 0).has_value());
  EXPECT_TRUE(JSONReader::Read("1", JSON_PARSE_RFC, 0).has_value());
  // Brackets inside strings do not count.
  EXPECT_TRUE(JSONReader::Read("[\"[[[[\"]", JSON_PARSE_RFC, 1).has_value());
}

TEST(JSONReaderTest, VeryDeepInputFailsWithoutExhaustingTheStack) {
  for (char open : {'[', '{'}) {
    std::string deep(100000, open);
    JSONReader::ValueWithError result = JSONReader::ReadAndReturnValueWithError(deep);
    EXPECT_FALSE(result.value.has_value());
    // "{{" is a syntax error before it is too deep: keys must be strings.
    EXPECT_EQ(open == '[' ? JSONReader::JSON_TOO_MUCH_NESTING : JSONReader::JSON_SYNTAX_ERROR,
              result.error_code);
  }
  std::string deep_objects;
  for (int i = 0; i < 100000; ++i)
    deep_objects += "{\"a\":";
  EXPECT_EQ(JSONReader::JSON_TOO_MUCH_NESTING,
            JSONReader::ReadAndReturnValueWithError(deep_objects).error_code);
}

}  // namespace
}  // namespace base
