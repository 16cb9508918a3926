// Copyright 2026 Velta Software. All rights reserved.

#include "base/version.h"

#include <sstream>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

struct ParseCase {
  const char* input;
  size_t parts;
  bool valid;
};

TEST(VersionTest, ParsesOnlyPlainDottedNumbers) {
  const ParseCase cases[] = {
      {"", 0, false},
      {" ", 0, false},
      {"\t", 0, false},
      {".", 0, false},
      {" . ", 0, false},
      {"0", 1, true},
      {"0.", 0, false},
      {".0", 0, false},
      {"1..2", 0, false},
      {"0.0", 2, true},
      {"4294967295.0", 2, true},
      {"4294967296.0", 0, false},  // a part over 32 bits
      {"1.4294967296", 0, false},
      {"-1.0", 0, false},
      {"-0.0", 0, false},
      {"1.-1.0", 0, false},
      {"+1.0", 0, false},
      {"1.+1.0", 0, false},
      {"1+1.0", 0, false},
      {"1.0a", 0, false},
      {"1.0 ", 0, false},
      {" 1.0", 0, false},
      {"1. 0", 0, false},
      {"1,0", 0, false},
      {"1.2.3.4.5.6.7.8.9.0", 10, true},
      {"02.1", 0, false},  // leading zero in the first part
      {"0.01", 2, true},   // but not in later ones
      {"f.1", 0, false},
      {"15.007.20011", 3, true},
      {"12.0.345.6", 4, true},
  };
  for (const ParseCase& c : cases) {
    const Version version(c.input);
    EXPECT_EQ(c.valid, version.IsValid()) << '"' << c.input << '"';
    EXPECT_EQ(c.parts, version.components().size()) << '"' << c.input << '"';
  }
}

TEST(VersionTest, TextRoundTrip) {
  EXPECT_EQ("1.2.3.4", Version("1.2.3.4").GetString());
  EXPECT_EQ("15.7.20011", Version("15.007.20011").GetString());
  EXPECT_EQ("4294967295", Version("4294967295").GetString());
  EXPECT_EQ("invalid", Version().GetString());
  EXPECT_EQ("invalid", Version("1.x").GetString());
  const Version from_parts(std::vector<uint32_t>{12, 0, 345, 6, 7});
  EXPECT_EQ("12.0.345.6.7", from_parts.GetString());
  EXPECT_EQ(from_parts, Version(from_parts.GetString()));
  EXPECT_FALSE(Version(std::vector<uint32_t>()).IsValid());
  std::ostringstream stream;
  stream << Version("3.1");
  EXPECT_EQ("3.1", stream.str());
}

TEST(VersionTest, CompareTreatsMissingPartsAsZero) {
  const struct {
    const char* lhs;
    const char* rhs;
    int expected;
  } cases[] = {
      {"1.0", "1.0", 0},
      {"1.0", "1.0.0.0", 0},
      {"1.0.0.1", "1.0", 1},
      {"1.0", "1.0.0.1", -1},
      {"1.0", "1.1", -1},
      {"1.10", "1.9", 1},  // numeric, not textual
      {"2", "10", -1},
      {"1.0.0", "1.0.1", -1},
      {"11.0.10", "15.5.28.130162", -1},
      {"4294967295", "4294967294.9", 1},
  };
  for (const auto& c : cases) {
    const Version lhs(c.lhs);
    const Version rhs(c.rhs);
    EXPECT_EQ(c.expected, lhs.CompareTo(rhs)) << c.lhs << " vs " << c.rhs;
    EXPECT_EQ(-c.expected, rhs.CompareTo(lhs)) << c.rhs << " vs " << c.lhs;
    EXPECT_EQ(c.expected == 0, lhs == rhs);
    EXPECT_EQ(c.expected != 0, lhs != rhs);
    EXPECT_EQ(c.expected < 0, lhs < rhs);
    EXPECT_EQ(c.expected <= 0, lhs <= rhs);
    EXPECT_EQ(c.expected > 0, lhs > rhs);
    EXPECT_EQ(c.expected >= 0, lhs >= rhs);
  }
}

TEST(VersionTest, CopiesAndMovesKeepComponents) {
  Version original("1.2.3");
  Version copy = original;
  Version moved = std::move(original);
  EXPECT_THAT(copy.components(), ElementsAre(1u, 2u, 3u));
  EXPECT_THAT(moved.components(), ElementsAre(1u, 2u, 3u));
  copy = Version("4");
  EXPECT_THAT(copy.components(), ElementsAre(4u));
}

}  // namespace
}  // namespace base
