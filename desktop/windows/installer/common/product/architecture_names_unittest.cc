// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/architecture_names.h"

#include "gtest/gtest.h"

namespace velta {
namespace {

struct ArchitectureNameCase {
  PackageArchitecture architecture;
  const char* name;
  const wchar_t* wide_name;
  const char* lower_name;
};

class ArchitectureNamesTest : public ::testing::TestWithParam<ArchitectureNameCase> {};

TEST_P(ArchitectureNamesTest, BothFormsAgree) {
  const ArchitectureNameCase& c = GetParam();
  EXPECT_EQ(c.name, ArchitectureToString(c.architecture));
  EXPECT_EQ(c.wide_name, ArchitectureToWideString(c.architecture));
  EXPECT_EQ(c.lower_name, ArchitectureToLowerString(c.architecture));
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    ArchitectureNamesTest,
    ::testing::Values(
        ArchitectureNameCase{PackageArchitecture::kX86, "X86", L"X86", "x86"},
        ArchitectureNameCase{PackageArchitecture::kX64, "X64", L"X64", "x64"},
        ArchitectureNameCase{PackageArchitecture::kInvalid, "invalid", L"invalid", "invalid"},
        // Values outside the enumeration have no name.
        ArchitectureNameCase{static_cast<PackageArchitecture>(3), "", L"", ""},
        ArchitectureNameCase{static_cast<PackageArchitecture>(0xFFFFFFFF), "", L"", ""}));

}  // namespace
}  // namespace velta
