// Copyright 2026 Velta Software. All rights reserved.

#include "base/values.h"

#include <string>
#include <utility>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

std::vector<std::string> KeysOf(const Value& dict) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : dict.DictItems())
    keys.push_back(key);
  return keys;
}

// A dictionary holding one value of every type under its type's name.
Value MakeEveryType() {
  Value dict(Value::Type::DICTIONARY);
  dict.SetKey("none", Value());
  dict.SetBoolKey("bool", true);
  dict.SetIntKey("int", 7);
  dict.SetDoubleKey("double", 2.5);
  dict.SetStringKey("string", "text");
  dict.SetKey("blob", Value(Value::BlobStorage{1, 2, 3}));
  dict.SetPath("dict.inner", Value(1));
  Value list(Value::Type::LIST);
  list.Append(1);
  list.Append("two");
  dict.SetKey("list", std::move(list));
  return dict;
}

TEST(ValuesTest, ConstructorsGiveTheirTypes) {
  EXPECT_TRUE(Value().is_none());
  EXPECT_TRUE(Value(false).is_bool());
  EXPECT_TRUE(Value(0).is_int());
  EXPECT_TRUE(Value(0.0).is_double());
  EXPECT_TRUE(Value("x").is_string());  // not bool, despite the pointer
  EXPECT_TRUE(Value(std::string("x")).is_string());
  EXPECT_TRUE(Value(Value::BlobStorage{}).is_blob());
  EXPECT_TRUE(DictionaryValue().is_dict());
  EXPECT_TRUE(ListValue().is_list());
  EXPECT_EQ(Value::Type::DICT, Value(Value::Type::DICTIONARY).type());
  EXPECT_EQ("", Value(Value::Type::STRING).GetString());
  EXPECT_EQ(0, Value(Value::Type::INTEGER).GetInt());
}

TEST(ValuesTest, WideStringsAreStoredAsUtf8) {
  EXPECT_EQ("C:\\Program Files\\Velta \xC3\xA9\xE2\x82\xAC",
            Value(L"C:\\Program Files\\Velta \u00E9\u20AC").GetString());
}

TEST(ValuesTest, NonFiniteDoublesBecomeZero) {
  EXPECT_EQ(0.0, Value(std::numeric_limits<double>::infinity()).GetDouble());
  EXPECT_EQ(0.0, Value(std::numeric_limits<double>::quiet_NaN()).GetDouble());
}

TEST(ValuesTest, GetDoubleAcceptsAnInteger) {
  EXPECT_EQ(3.0, Value(3).GetDouble());
  Value dict(Value::Type::DICTIONARY);
  dict.SetIntKey("n", 3);
  EXPECT_EQ(3.0, dict.FindDoubleKey("n"));
  EXPECT_EQ(std::nullopt, dict.FindIntPath("n.x"));
}

TEST(ValuesTest, WrongTypeLookupsFindNothing) {
  const Value dict = MakeEveryType();
  // Each typed finder finds only its own type and nothing under the others.
  for (const auto& [key, value] : dict.DictItems()) {
    EXPECT_EQ(key == "bool", dict.FindBoolKey(key).has_value()) << key;
    EXPECT_EQ(key == "int", dict.FindIntKey(key).has_value()) << key;
    EXPECT_EQ(key == "int" || key == "double", dict.FindDoubleKey(key).has_value()) << key;
    EXPECT_EQ(key == "string", dict.FindStringKey(key) != nullptr) << key;
    EXPECT_EQ(key == "blob", dict.FindBlobKey(key) != nullptr) << key;
    EXPECT_EQ(key == "dict", dict.FindDictKey(key) != nullptr) << key;
    EXPECT_EQ(key == "list", dict.FindListKey(key) != nullptr) << key;
    EXPECT_EQ(&value, dict.FindKeyOfType(key, value.type()));
  }
  EXPECT_EQ(nullptr, dict.FindKey("absent"));
  // Lookups on values that are not dictionaries find nothing instead of
  // failing: input may have any shape.
  EXPECT_EQ(nullptr, Value(1).FindKey("a"));
  EXPECT_EQ(nullptr, Value("a").FindPath("a.b"));
  EXPECT_EQ(nullptr, dict.FindPath("int.x"));
  EXPECT_EQ(nullptr, dict.FindPath("list.0"));
  EXPECT_FALSE(Value(1).RemoveKey("a"));
  EXPECT_FALSE(Value(1).RemovePath("a.b"));
}

TEST(ValuesTest, KeysStaySortedByteWise) {
  Value dict(Value::Type::DICTIONARY);
  for (const char* key : {"b", "_all_users", "a", "B", "\xC3\xA9", "aa", ""})
    dict.SetIntKey(key, 1);
  EXPECT_THAT(KeysOf(dict), ElementsAre("", "B", "_all_users", "a", "aa", "b", "\xC3\xA9"));
  EXPECT_EQ(7u, dict.DictSize());
}

TEST(ValuesTest, SetKeyReplacesAndReturnsTheStoredValue) {
  Value dict(Value::Type::DICTIONARY);
  Value* stored = dict.SetStringKey("k", "first");
  EXPECT_EQ("first", stored->GetString());
  stored = dict.SetIntKey("k", 2);
  EXPECT_EQ(2, stored->GetInt());
  EXPECT_EQ(stored, dict.FindKey("k"));
  EXPECT_EQ(1u, dict.DictSize());
}

TEST(ValuesTest, PathsWalkNestedDictionaries) {
  Value root(Value::Type::DICTIONARY);
  ASSERT_NE(nullptr, root.SetStringPath("utm.medium", "pb"));
  ASSERT_NE(nullptr, root.SetBoolPath("a.b.c", true));
  ASSERT_NE(nullptr, root.SetIntPath("a.b.d", 4));
  EXPECT_EQ("pb", *root.FindStringPath("utm.medium"));
  EXPECT_EQ("pb", *root.FindDictKey("utm")->FindStringKey("medium"));
  EXPECT_EQ(true, root.FindBoolPath("a.b.c"));
  EXPECT_EQ(4, root.FindIntPath("a.b.d"));
  EXPECT_EQ(4.0, root.FindDoublePath("a.b.d"));
  EXPECT_NE(nullptr, root.FindDictPath("a.b"));
  EXPECT_EQ(nullptr, root.FindListPath("a.b"));
  EXPECT_EQ(nullptr, root.FindPath("a.b.c.d"));
  // A key holding a dot is one key, not a path.
  root.SetIntKey("x.y", 1);
  EXPECT_EQ(nullptr, root.FindPath("x.y"));
  EXPECT_EQ(1, root.FindIntKey("x.y"));
}

TEST(ValuesTest, PathsKeepEmptyParts) {
  Value root(Value::Type::DICTIONARY);
  ASSERT_NE(nullptr, root.SetIntPath("a..b", 1));
  EXPECT_EQ(1, root.FindDictKey("a")->FindDictKey("")->FindIntKey("b"));
  ASSERT_NE(nullptr, root.SetIntPath("", 2));
  EXPECT_EQ(2, root.FindIntKey(""));
  ASSERT_NE(nullptr, root.SetIntPath("c.", 3));
  EXPECT_EQ(3, root.FindIntPath("c."));
  EXPECT_NE(nullptr, root.FindDictPath("c"));
}

TEST(ValuesTest, SetPathThroughNonDictionaryFailsAndChangesNothing) {
  Value root(Value::Type::DICTIONARY);
  root.SetIntKey("a", 1);
  root.SetPath("b.list", Value(Value::Type::LIST));
  const Value before = root.Clone();
  EXPECT_EQ(nullptr, root.SetIntPath("a.b", 2));
  EXPECT_EQ(nullptr, root.SetIntPath("a.b.c.d", 2));
  EXPECT_EQ(nullptr, root.SetIntPath("b.list.x.y", 2));
  EXPECT_EQ(before, root);
  Value not_a_dict(5);
  EXPECT_EQ(nullptr, not_a_dict.SetIntPath("a", 1));
  EXPECT_EQ(5, not_a_dict.GetInt());
}

TEST(ValuesTest, RemovePathDropsEmptiedIntermediates) {
  Value root(Value::Type::DICTIONARY);
  root.SetIntPath("a.b.c", 1);
  root.SetIntPath("a.x", 2);
  EXPECT_FALSE(root.RemovePath("a.b.absent"));
  EXPECT_FALSE(root.RemovePath("a.x.y"));
  EXPECT_TRUE(root.RemovePath("a.b.c"));
  // "a.b" became empty and went; "a" still holds "x".
  EXPECT_EQ(nullptr, root.FindPath("a.b"));
  EXPECT_EQ(2, root.FindIntPath("a.x"));
  EXPECT_TRUE(root.RemovePath("a.x"));
  EXPECT_TRUE(root.DictEmpty());
  EXPECT_FALSE(root.RemovePath("a"));
}

TEST(ValuesTest, RemoveAndExtractKey) {
  Value root = MakeEveryType();
  EXPECT_TRUE(root.RemoveKey("int"));
  EXPECT_FALSE(root.RemoveKey("int"));
  std::optional<Value> list = root.ExtractKey("list");
  ASSERT_TRUE(list.has_value());
  EXPECT_EQ(2u, list->GetList().size());
  EXPECT_EQ(nullptr, root.FindKey("list"));
  EXPECT_EQ(std::nullopt, root.ExtractKey("list"));
}

TEST(ValuesTest, CloneIsDeepAndEqual) {
  Value original = MakeEveryType();
  Value copy = original.Clone();
  EXPECT_EQ(original, copy);
  copy.FindDictKey("dict")->SetIntKey("inner", 2);
  copy.FindListKey("list")->Append(3);
  EXPECT_NE(original, copy);
  EXPECT_EQ(1, original.FindIntPath("dict.inner"));
  EXPECT_EQ(2u, original.FindListKey("list")->GetList().size());
}

TEST(ValuesTest, EqualityComparesTypeAndContent) {
  EXPECT_NE(Value(1), Value(1.0));
  EXPECT_NE(Value(0), Value(false));
  EXPECT_NE(Value(), Value(Value::Type::DICTIONARY));
  EXPECT_NE(Value(Value::Type::LIST), Value(Value::Type::DICTIONARY));
  EXPECT_EQ(Value("a"), Value(std::string("a")));
  EXPECT_TRUE(Value(1) < Value(2));
  EXPECT_TRUE(Value(true) < Value(0));  // ordered by type first
  Value a(Value::Type::DICTIONARY);
  Value b(Value::Type::DICTIONARY);
  a.SetIntPath("x.y", 1);
  b.SetIntPath("x.y", 1);
  EXPECT_EQ(a, b);
  b.SetIntPath("x.z", 1);
  EXPECT_NE(a, b);
}

TEST(ValuesTest, ListAppendAndErase) {
  Value list(Value::Type::LIST);
  list.Append(1);
  list.Append("a");
  list.Append(1);
  list.Append(1.0);
  list.Append(true);
  EXPECT_EQ(2u, list.EraseListValue(Value(1)));
  EXPECT_EQ(0u, list.EraseListValue(Value(2)));
  ASSERT_EQ(3u, list.GetList().size());
  EXPECT_EQ("a", list.GetList()[0].GetString());
  EXPECT_TRUE(list.GetList()[1].is_double());
}

TEST(ValuesTest, MergeDictionaryMergesNestedAndReplacesTheRest) {
  Value server(Value::Type::DICTIONARY);
  server.SetStringPath("utm.medium", "server");
  server.SetStringPath("utm.source", "server");
  server.SetIntKey("replaced", 1);
  server.SetIntPath("becomes_dict", 1);
  Value local(Value::Type::DICTIONARY);
  local.SetStringPath("utm.medium", "local");
  local.SetStringPath("replaced.now", "dict");
  local.SetIntPath("becomes_dict.x", 2);
  server.MergeDictionary(&local);
  EXPECT_EQ("local", *server.FindStringPath("utm.medium"));
  EXPECT_EQ("server", *server.FindStringPath("utm.source"));
  EXPECT_EQ("dict", *server.FindStringPath("replaced.now"));
  EXPECT_EQ(2, server.FindIntPath("becomes_dict.x"));
  // The merged-in values are copies.
  local.SetStringPath("replaced.now", "changed");
  EXPECT_EQ("dict", *server.FindStringPath("replaced.now"));
}

TEST(ValuesTest, MovedFromDictionaryKeepsWorkingAfterMove) {
  Value dict = MakeEveryType();
  Value moved = std::move(dict);
  EXPECT_EQ(8u, moved.DictSize());
  std::unique_ptr<Value> held = ToUniquePtrValue(std::move(moved));
  Value back = FromUniquePtrValue(std::move(held));
  EXPECT_EQ(MakeEveryType(), back);
}

TEST(ValuesDeathTest, TypedGettersCheckTheType) {
  EXPECT_DEATH(Value(1).GetString(), "");
  EXPECT_DEATH(Value("1").GetInt(), "");
  EXPECT_DEATH(Value().GetDict(), "");
  EXPECT_DEATH(Value(1).SetIntKey("a", 1), "");
}

}  // namespace
}  // namespace base
