// Copyright 2026 Velta Software. All rights reserved.

#include "base/base64.h"

#include <string>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(Base64Test, Rfc4648Vectors) {
  const struct {
    const char* decoded;
    const char* encoded;
  } kVectors[] = {
      {"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& v : kVectors) {
    EXPECT_EQ(v.encoded, Base64Encode(v.decoded));
    std::string decoded = "previous";
    ASSERT_TRUE(Base64Decode(v.encoded, &decoded)) << v.encoded;
    EXPECT_EQ(v.decoded, decoded);
  }
}

TEST(Base64Test, EveryByteValueRoundTrips) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 256; ++i)
    bytes.push_back(static_cast<uint8_t>(255 - i));
  // Every length from 0 to 256, so each padding case meets every byte.
  for (size_t length = 0; length <= bytes.size(); ++length) {
    const std::span<const uint8_t> input(bytes.data(), length);
    const std::string encoded = Base64Encode(input);
    EXPECT_EQ((length + 2) / 3 * 4, encoded.size());
    std::optional<std::vector<uint8_t>> decoded = Base64Decode(encoded);
    ASSERT_TRUE(decoded.has_value()) << length;
    EXPECT_EQ(std::vector<uint8_t>(input.begin(), input.end()), *decoded);
  }
  EXPECT_EQ("+/8=", Base64Encode(std::string("\xFB\xFF", 2)));
}

TEST(Base64Test, MalformedInputIsRefusedAndLeavesOutputAlone) {
  const char* const kBad[] = {
      "Zg",        // no padding
      "Zg=",       // short padding
      "Zm9",       // length not a multiple of 4
      "Z===",      // three padding characters
      "====",      // padding only
      "Zg==Zg==",  // padding in the middle
      "Z=g=",      // padding between data
      "Zm9v\n",    // white space
      " Zm9v",     // leading space
      "Zm 9v",     // inner space
      "Zm9v====",  // extra padding block
      "Zm-v",      // URL-safe alphabet
      "Zm_v",
      "Zm9\x80",   // non-ASCII
  };
  for (const char* input : kBad) {
    std::string output = "unchanged";
    EXPECT_FALSE(Base64Decode(input, &output)) << input;
    EXPECT_EQ("unchanged", output);
    EXPECT_FALSE(Base64Decode(std::string_view(input)).has_value()) << input;
  }
  std::string output;
  EXPECT_FALSE(Base64Decode(std::string_view("Zm9\0", 4), &output));
}

TEST(Base64Test, UnusedBitsOfTheLastCharacterAreIgnored) {
  std::string output;
  ASSERT_TRUE(Base64Decode("Zh==", &output));  // "Zg==" with a low bit set
  EXPECT_EQ("f", output);
}

}  // namespace
}  // namespace base
