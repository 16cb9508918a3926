// Copyright 2026 Velta Software. All rights reserved.

// The delay-import stubs (cmake/velta_delay_imports.cmake) that base_unittests
// is linked with for a few oleaut32 functions: the first call of each binds
// the function and reaches it with every argument, a floating-point one (in
// xmm0 on x64) included. (Wine's binding happens to leave xmm0 alone, so a
// stub that did not keep it would pass here too.)

#include <windows.h>

#include <oleauto.h>

#include <string>

#include "gtest/gtest.h"

namespace base::win {
namespace {

struct VariantTimeCase {
  const char* name;
  double time;
  WORD year;
  WORD month;
  WORD day;
  WORD hour;
};

class DelayImportTest : public ::testing::TestWithParam<VariantTimeCase> {};

TEST_P(DelayImportTest, FloatingPointArgumentReachesTheFunction) {
  SYSTEMTIME fields = {};
  ASSERT_TRUE(::VariantTimeToSystemTime(GetParam().time, &fields));
  EXPECT_EQ(GetParam().year, fields.wYear);
  EXPECT_EQ(GetParam().month, fields.wMonth);
  EXPECT_EQ(GetParam().day, fields.wDay);
  EXPECT_EQ(GetParam().hour, fields.wHour);
  EXPECT_EQ(0, fields.wMinute);
}

INSTANTIATE_TEST_SUITE_P(
    Times,
    DelayImportTest,
    ::testing::Values(
        VariantTimeCase{
            .name = "epoch", .time = 0.0, .year = 1899, .month = 12, .day = 30, .hour = 0},
        VariantTimeCase{
            .name = "evening", .time = 45000.75, .year = 2023, .month = 3, .day = 15, .hour = 18},
        VariantTimeCase{.name = "before_the_epoch",
                        .time = -1.5,
                        .year = 1899,
                        .month = 12,
                        .day = 29,
                        .hour = 12}),
    [](const ::testing::TestParamInfo<VariantTimeCase>& info) { return info.param.name; });

// Integer and pointer arguments, and a result that another delay-loaded
// function reads.
TEST(DelayImportTest, StringFunctionsBindEachOnItsFirstCall) {
  const std::wstring text = L"delay-loaded";
  BSTR string = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  ASSERT_NE(nullptr, string);
  EXPECT_EQ(text.size(), ::SysStringLen(string));
  EXPECT_EQ(text, std::wstring(string, ::SysStringLen(string)));
  ::SysFreeString(string);
}

}  // namespace
}  // namespace base::win
