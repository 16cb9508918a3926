// Copyright 2026 Velta Software. All rights reserved.

#include "base/guid.h"

#include <set>
#include <string>

#include "gtest/gtest.h"

namespace base {
namespace {

TEST(GUIDTest, GeneratedGUIDsAreVersion4LowerCaseAndUnique) {
  std::set<std::string> seen;
  std::set<char> variants;
  for (int i = 0; i < 2000; ++i) {
    const std::string guid = GenerateGUID();
    ASSERT_TRUE(IsValidGUIDOutputString(guid)) << guid;
    EXPECT_EQ('4', guid[14]) << guid;
    variants.insert(guid[19]);
    EXPECT_TRUE(seen.insert(guid).second) << "repeated: " << guid;
  }
  // All four variant digits turn up in 2000 draws, and nothing else.
  EXPECT_EQ((std::set<char>{'8', '9', 'a', 'b'}), variants);
}

struct GUIDCase {
  const char* text;
  bool valid;
  bool valid_output;
};

class GUIDValidationTest : public ::testing::TestWithParam<GUIDCase> {};

TEST_P(GUIDValidationTest, ChecksThePattern) {
  EXPECT_EQ(GetParam().valid, IsValidGUID(GetParam().text)) << GetParam().text;
  EXPECT_EQ(GetParam().valid_output, IsValidGUIDOutputString(GetParam().text)) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, GUIDValidationTest,
    ::testing::Values(GUIDCase{"0123abcd-ef01-4567-89ab-cdef01234567", true, true},
                      GUIDCase{"0123ABCD-EF01-4567-89AB-CDEF01234567", true, false},
                      GUIDCase{"0123abcd-EF01-4567-89ab-cdef01234567", true, false},
                      GUIDCase{"{0123abcd-ef01-4567-89ab-cdef01234567}", false, false},
                      GUIDCase{"0123abcd-ef01-4567-89ab-cdef0123456", false, false},
                      GUIDCase{"0123abcd-ef01-4567-89ab-cdef012345678", false, false},
                      GUIDCase{"0123abcdef01-4567-89ab-cdef012345678", false, false},
                      GUIDCase{"0123abcd-ef01-4567-89ab_cdef01234567", false, false},
                      GUIDCase{"0123abcg-ef01-4567-89ab-cdef01234567", false, false},
                      GUIDCase{"", false, false}));

}  // namespace
}  // namespace base
