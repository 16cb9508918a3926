// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/display_scale.h"

#include <windows.h>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

struct NearestCase {
  double scale;
  ScaleFactor expected;
};

class NearestScaleFactorTest : public ::testing::TestWithParam<NearestCase> {};

TEST_P(NearestScaleFactorTest, MapsToNearestWithTiesToSmaller) {
  EXPECT_EQ(GetParam().expected, GetNearestScaleFactor(GetParam().scale))
      << "scale " << GetParam().scale;
}

INSTANTIATE_TEST_SUITE_P(
    EdgeCases,
    NearestScaleFactorTest,
    ::testing::Values(NearestCase{1.0, ScaleFactor::k100Percent},
                      // Exactly between two entries: the smaller wins.
                      NearestCase{1.125, ScaleFactor::k100Percent},
                      NearestCase{1.375, ScaleFactor::k125Percent},
                      NearestCase{1.75, ScaleFactor::k150Percent},
                      NearestCase{2.25, ScaleFactor::k200Percent},
                      NearestCase{1.126, ScaleFactor::k125Percent},
                      NearestCase{1.5, ScaleFactor::k150Percent},
                      // Beyond the table: its ends.
                      NearestCase{3.125, ScaleFactor::k250Percent},
                      NearestCase{0.5, ScaleFactor::k100Percent},
                      NearestCase{0.0, ScaleFactor::k100Percent}));

TEST(ScaleFactorsForDpisTest, MonitorSetsGiveOrderedSets) {
  EXPECT_THAT(GetScaleFactorsForDpis({144}), ElementsAre(ScaleFactor::k150Percent));
  EXPECT_THAT(GetScaleFactorsForDpis({120, 96}),
              ElementsAre(ScaleFactor::k100Percent, ScaleFactor::k125Percent));
  EXPECT_THAT(GetScaleFactorsForDpis({300}), ElementsAre(ScaleFactor::k250Percent));
  // 108 DPI is 1.125: the tie goes to 1.0.
  EXPECT_THAT(GetScaleFactorsForDpis({108}), ElementsAre(ScaleFactor::k100Percent));
  EXPECT_THAT(GetScaleFactorsForDpis({192, 192}), ElementsAre(ScaleFactor::k200Percent));
  EXPECT_TRUE(GetScaleFactorsForDpis({}).empty());
}

// The real system: every attached monitor gives one factor, and the set
// agrees with the screen's logical DPI (the test process is not per-monitor
// aware, so that is what each monitor reports).
TEST(SupportedScaleFactorsTest, MatchesTheScreenDpi) {
  HDC screen = ::GetDC(nullptr);
  ASSERT_NE(nullptr, screen);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  const std::set<ScaleFactor> factors = GetSupportedScaleFactors();
  if (::GetSystemMetrics(SM_CMONITORS) == 0) {
    EXPECT_TRUE(factors.empty());
  } else {
    EXPECT_THAT(factors, ElementsAre(GetNearestScaleFactor(dpi / 96.0)));
  }
}

TEST(WindowDpiTest, DesktopWindowHasAPositiveDpi) {
  HDC screen = ::GetDC(nullptr);
  ASSERT_NE(nullptr, screen);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(dpi, GetWindowDpi(::GetDesktopWindow()));
}

}  // namespace
}  // namespace velta
