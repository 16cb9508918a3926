// Copyright 2026 Velta Software. All rights reserved.

#include "base/json/json_writer.h"

#include <string>

#include "base/json/json_reader.h"
#include "gtest/gtest.h"

namespace base {
namespace {

std::string WriteOrDie(const Value& value, int options = 0) {
  std::string json;
  EXPECT_TRUE(JSONWriter::WriteWithOptions(value, options, &json));
  return json;
}

TEST(JSONWriterTest, CompactOutputHasSortedKeysAndNoSpaces) {
  Value root(Value::Type::DICTIONARY);
  root.SetStringKey("version", "1.2.3.4");
  root.SetBoolKey("copy_only", false);
  root.SetBoolKey("_all_users", true);
  root.SetKey("none", Value());
  Value files(Value::Type::LIST);
  files.Append("a.dll");
  files.Append(2);
  root.SetKey("files", std::move(files));
  root.SetPath("dict.empty", Value(Value::Type::DICTIONARY));
  root.SetKey("list", Value(Value::Type::LIST));
  EXPECT_EQ(
      "{\"_all_users\":true,\"copy_only\":false,\"dict\":{\"empty\":{}},"
      "\"files\":[\"a.dll\",2],\"list\":[],\"none\":null,\"version\":\"1.2.3.4\"}",
      WriteOrDie(root));
}

TEST(JSONWriterTest, DoublesKeepTheirType) {
  const struct {
    double value;
    const char* preserved;
    const char* omitted;
  } cases[] = {
      {2.0, "2.0", "2"},
      {-0.0, "-0.0", "0"},
      {0.5, "0.5", "0.5"},
      {-1.25, "-1.25", "-1.25"},
      {1e20, "1e+20", "1e+20"},
      {1e300, "1e+300", "1e+300"},
      {1e15, "1e+15", "1000000000000000"},
      // 2^63 is just outside the int64 range, -2^63 just inside.
      {9223372036854775808.0, "9223372036854775808.0", "9223372036854775808.0"},
      {-9223372036854775808.0, "-9223372036854775808.0", "-9223372036854775808"},
      {0.1, "0.1", "0.1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.preserved, WriteOrDie(Value(c.value))) << c.value;
    EXPECT_EQ(c.omitted,
              WriteOrDie(Value(c.value), JSONWriter::OPTIONS_OMIT_DOUBLE_TYPE_PRESERVATION))
        << c.value;
  }
  // Whatever the form, the double reads back as the same number.
  for (double value : {0.1, 1.0 / 3.0, 123456789.123456789, 1e-300, 4.9e-324}) {
    std::optional<Value> back = JSONReader::Read(WriteOrDie(Value(value)));
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(back->is_double());
    EXPECT_EQ(value, back->GetDouble());
  }
}

TEST(JSONWriterTest, StringsAreEscapedAndKeepUtf8) {
  EXPECT_EQ("\"a\\\"b\\\\c/\\b\\f\\n\\r\\t\\u0001\\u001F\x7F\"",
            WriteOrDie(Value("a\"b\\c/\b\f\n\r\t\x01\x1F\x7F")));
  EXPECT_EQ("\"\\u003Cscript>\"", WriteOrDie(Value("<script>")));
  EXPECT_EQ("\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\"",
            WriteOrDie(Value("\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80")));
  EXPECT_EQ("\"\\u2028\\u2029\"", WriteOrDie(Value("\xE2\x80\xA8\xE2\x80\xA9")));
  EXPECT_EQ("\"a\\u0000b\"", WriteOrDie(Value(std::string("a\0b", 3))));
  // Keys are escaped the same way.
  Value dict(Value::Type::DICTIONARY);
  dict.SetIntKey("k\"<", 1);
  EXPECT_EQ("{\"k\\\"\\u003C\":1}", WriteOrDie(dict));
}

TEST(JSONWriterTest, InvalidUtf8IsReplaced) {
  EXPECT_EQ("\"a\xEF\xBF\xBD" "b\"", WriteOrDie(Value("a\xFF" "b")));
  EXPECT_EQ("\"\xEF\xBF\xBD\xEF\xBF\xBD\"", WriteOrDie(Value("\xC0\xAF")));  // overlong
  EXPECT_EQ("\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"",
            WriteOrDie(Value("\xED\xA0\x80")));  // surrogate
  EXPECT_EQ("\"x\xEF\xBF\xBD\xEF\xBF\xBD\"", WriteOrDie(Value("x\xE2\x82")));  // truncated
  // Whatever went in, what comes out parses.
  EXPECT_TRUE(JSONReader::Read(WriteOrDie(Value("\xF8\x88\x80\x80\x80\xF4\x90\x80\x80"))));
}

TEST(JSONWriterTest, PrettyPrintIndentsObjectsByThreeSpaces) {
  Value root(Value::Type::DICTIONARY);
  root.SetIntPath("a.b", 1);
  Value list(Value::Type::LIST);
  list.Append(1);
  Value inner(Value::Type::DICTIONARY);
  inner.SetBoolKey("c", true);
  list.Append(std::move(inner));
  root.SetKey("l", std::move(list));
  root.SetKey("e", Value(Value::Type::LIST));
  EXPECT_EQ(
      "{\n"
      "   \"a\": {\n"
      "      \"b\": 1\n"
      "   },\n"
      "   \"e\": [  ],\n"
      "   \"l\": [ 1, {\n"
      "      \"c\": true\n"
      "   } ]\n"
      "}\n",
      WriteOrDie(root, JSONWriter::OPTIONS_PRETTY_PRINT));
  EXPECT_EQ("1\n", WriteOrDie(Value(1), JSONWriter::OPTIONS_PRETTY_PRINT));
}

TEST(JSONWriterTest, BinaryValuesFailUnlessOmitted) {
  Value root(Value::Type::DICTIONARY);
  root.SetIntKey("a", 1);
  root.SetKey("blob", Value(Value::BlobStorage{1}));
  Value list(Value::Type::LIST);
  list.Append(Value(Value::BlobStorage{}));
  list.Append(2);
  root.SetKey("list", std::move(list));
  std::string json = "previous";
  EXPECT_FALSE(JSONWriter::Write(root, &json));
  EXPECT_EQ("", json);
  EXPECT_EQ("{\"a\":1,\"list\":[2]}", WriteOrDie(root, JSONWriter::OPTIONS_OMIT_BINARY_VALUES));
}

TEST(JSONWriterTest, NestingBeyondTheLimitFails) {
  Value deep(Value::Type::LIST);
  for (size_t i = 1; i < JSONReader::kStackMaxDepth; ++i) {
    Value outer(Value::Type::LIST);
    outer.Append(std::move(deep));
    deep = std::move(outer);
  }
  std::string json;
  ASSERT_TRUE(JSONWriter::Write(deep, &json));
  EXPECT_EQ(std::string(200, '[') + std::string(200, ']'), json);
  Value deeper(Value::Type::LIST);
  deeper.Append(std::move(deep));
  EXPECT_FALSE(JSONWriter::Write(deeper, &json));
  EXPECT_EQ("", json);
}

TEST(JSONWriterTest, RoundTripKeepsEveryValue) {
  const char* const texts[] = {
      "{\"a\":[1,-2,3.5,\"x\",true,false,null,{\"b\":{}},[]],\"c\":\"\\u003C\xC3\xA9\"}",
      "[2147483647,-2147483648,2147483648.0,1e+20]",
      "\"\\u0000\\u001F\"",
  };
  for (const char* text : texts) {
    std::optional<Value> first = JSONReader::Read(text);
    ASSERT_TRUE(first.has_value()) << text;
    const std::string written = WriteOrDie(*first);
    EXPECT_EQ(text, written);
    std::optional<Value> second = JSONReader::Read(written);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(*first, *second);
    std::optional<Value> pretty =
        JSONReader::Read(WriteOrDie(*first, JSONWriter::OPTIONS_PRETTY_PRINT));
    ASSERT_TRUE(pretty.has_value());
    EXPECT_EQ(*first, *pretty);
  }
}

}  // namespace
}  // namespace base
