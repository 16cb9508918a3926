// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/tracking/server_tracking_blob.h"

#include <ostream>
#include <string>
#include <string_view>

#include "base/base64.h"
#include "base/hash/sha2.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// Written by hand from the format: the SHA-256 of {"utm":{"medium":"email"}}
// in lower-case hex, ":", that JSON, in Base64 (124 characters), four blanks.
constexpr char kEmailMediumBlob[] =
    "YjZkZDAwNWQ5OTZkMmMyNmQ2YjllYTEwNDE4YmY4YjE5ZjNjNjRjZGZlYzEwZWVhYjQyOWZhZTUx"
    "MWM0NDIwZjp7InV0bSI6eyJtZWRpdW0iOiJlbWFpbCJ9fQ==    ";
const std::string kSourceJson = R"({"utm":{"source":"news"}})";

std::string BlobDigest(std::string_view json) {
  const std::string digest = base::SHA256HashString(json);
  return base::ToLowerASCII(base::HexEncode(digest.data(), digest.size()));
}

// Base64 of `text` padded with blanks to a multiple of 8.
std::string PaddedBase64(std::string_view text) {
  std::string blob = base::Base64Encode(text);
  blob.append((8 - blob.size() % 8) % 8, ' ');
  return blob;
}

// A well-formed blob of any JSON text, dictionary or not.
std::string BlobOfJson(std::string_view json) {
  return PaddedBase64(BlobDigest(json) + ":" + std::string(json));
}

// {"a":{"a":...{"a":1}...}} with `depth` dictionaries.
std::string NestedJson(size_t depth) {
  std::string json;
  for (size_t i = 1; i < depth; ++i)
    json += "{\"a\":";
  return json + "{\"a\":1}" + std::string(depth - 1, '}');
}

std::string ReplaceOnce(std::string text, std::string_view from, std::string_view to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(ServerTrackingBlobTest, WritesAndReadsTheDocumentedForm) {
  ServerTrackingBlob blob;
  EXPECT_EQ("", blob.Serialize());
  blob.SetLocalValue("utm.medium", "email");
  EXPECT_EQ(kEmailMediumBlob, blob.Serialize());
  EXPECT_FALSE(blob.HasServerValues());
  ServerTrackingBlob reader;
  ASSERT_TRUE(reader.Load(kEmailMediumBlob));
  EXPECT_TRUE(reader.HasServerValues());
  EXPECT_EQ("email", reader.GetString("utm.medium"));

  // Values of growing length walk through every padding the format allows.
  for (size_t length = 0; length < 12; ++length) {
    ServerTrackingBlob writer;
    writer.SetLocalValue("source.id", std::string(length, 'x'));
    const std::string serialized = writer.Serialize();
    EXPECT_EQ(0u, serialized.size() % 8) << length;
    ASSERT_TRUE(reader.Load(serialized)) << length;
    EXPECT_EQ(std::string(length, 'x'), reader.GetString("source.id"));
  }
}

TEST(ServerTrackingBlobTest, ReadsTheMergedDictionaryTheChildrenGet) {
  ServerTrackingBlob blob;
  ASSERT_TRUE(blob.Load(BlobOfJson(R"({"utm":{"medium":"cpc","source":"news"},"count":3})")));
  blob.SetLocalValue("utm.medium", "email");
  blob.SetLocalValue("uuid", "local");
  ServerTrackingBlob child;
  ASSERT_TRUE(child.Load(blob.Serialize()));
  for (const ServerTrackingBlob* reader : {&blob, &child}) {
    EXPECT_EQ("email", reader->GetString("utm.medium"));
    EXPECT_EQ("news", reader->GetString("utm.source"));
    EXPECT_EQ("local", reader->GetString("uuid"));
    // Not a string; absent.
    EXPECT_EQ(std::nullopt, reader->GetString("count"));
    EXPECT_EQ(std::nullopt, reader->GetString("utm.campaign"));
  }

  // A local string in place of the server's dictionary hides what was in
  // it, here as in the child; a dotted key through it makes a dictionary
  // again.
  blob.SetLocalValue("utm", "flat");
  ASSERT_TRUE(child.Load(blob.Serialize()));
  EXPECT_EQ(std::nullopt, blob.GetString("utm.source"));
  EXPECT_EQ(std::nullopt, child.GetString("utm.source"));
  EXPECT_EQ("flat", child.GetString("utm"));
  blob.SetLocalValue("utm.campaign", "spring");
  EXPECT_EQ("spring", blob.GetString("utm.campaign"));
  EXPECT_EQ("news", blob.GetString("utm.source"));
}

TEST(ServerTrackingBlobTest, TooDeepLocalKeyGivesNoBlobRatherThanAnUnreadableOne) {
  // Every part of a key but the last is one dictionary under the outer one.
  std::string key = "a";
  for (size_t i = 1; i < ServerTrackingBlob::kMaxNestingDepth; ++i)
    key += ".a";
  ServerTrackingBlob at_limit;
  at_limit.SetLocalValue(key, "deep");
  ServerTrackingBlob reader;
  ASSERT_TRUE(reader.Load(at_limit.Serialize()));
  EXPECT_EQ("deep", reader.GetString(key));
  ServerTrackingBlob too_deep;
  too_deep.SetLocalValue(key + ".a", "deep");
  EXPECT_EQ("", too_deep.Serialize());
}

struct LoadCase {
  const char* name;
  std::string blob;
  bool loads;
};

void PrintTo(const LoadCase& load_case, std::ostream* out) {
  *out << load_case.name;
}

class ServerTrackingBlobLoadTest : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ServerTrackingBlobLoadTest, LoadsTheDictionaryBetweenTheOuterBraces) {
  ServerTrackingBlob blob;
  ASSERT_TRUE(blob.Load(kEmailMediumBlob));
  EXPECT_EQ(GetParam().loads, blob.Load(GetParam().blob));
  // A refused blob leaves the earlier dictionary whole; a loaded one
  // replaces it.
  EXPECT_EQ(!GetParam().loads, blob.Serialize() == kEmailMediumBlob);
}

std::string TamperedDigestBlob() {
  std::string digest = BlobDigest(kSourceJson);
  digest[0] = digest[0] == '0' ? '1' : '0';
  return PaddedBase64(digest + ":" + kSourceJson);
}

const std::string kEmail = kEmailMediumBlob;

// The digest is not checked and bytes around the outer braces are ignored:
// what a download server attaches must load even when its digest was made
// some other way.
INSTANTIATE_TEST_SUITE_P(
    Blobs,
    ServerTrackingBlobLoadTest,
    ::testing::Values(
        LoadCase{"Dictionary", BlobOfJson(kSourceJson), true},
        LoadCase{"NestedToTheLimit", BlobOfJson(NestedJson(200)), true},
        LoadCase{"OtherDigest", TamperedDigestBlob(), true},
        LoadCase{"NoDigest", PaddedBase64(kSourceJson), true},
        LoadCase{"TextAroundTheBraces", PaddedBase64("tracking " + kSourceJson + " end"), true},
        LoadCase{"PaddingMissing",
                 base::Base64Encode(BlobDigest(kSourceJson) + ":" + kSourceJson), true},
        LoadCase{"PaddedWithTabs", BlobOfJson(kSourceJson) + "\t\t\n", true},
        LoadCase{"Empty", "", false},
        LoadCase{"OnlyBlanks", "        ", false},
        LoadCase{"Truncated", kEmail.substr(0, 120), false},
        LoadCase{"NotBase64", ReplaceOnce(kEmail, "Yj", "Y!"), false},
        LoadCase{"NoBraces", PaddedBase64("no dictionary here"), false},
        LoadCase{"BracesReversed", PaddedBase64("}{"), false},
        LoadCase{"TooDeep", BlobOfJson(NestedJson(201)), false},
        LoadCase{"Array", BlobOfJson(R"(["utm","cpc"])"), false},
        LoadCase{"NotJson", BlobOfJson(R"({utm:{medium:"cpc"}})"), false},
        LoadCase{"ExtraClosingBrace", BlobOfJson(kSourceJson + "}"), false}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
