// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/display_scale.h"

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

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

// What the stand-ins for user32's two functions were asked, and which
// awareness contexts the first accepts.
struct DpiCalls {
  std::vector<intptr_t> contexts;
  bool accepts_v2 = false;
  bool accepts_v1 = false;
  int set_dpi_aware = 0;
};
DpiCalls g_dpi_calls;

BOOL WINAPI FakeSetAwarenessContext(DPI_AWARENESS_CONTEXT context) {
  g_dpi_calls.contexts.push_back(reinterpret_cast<intptr_t>(context));
  const bool accepted = (context == DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2 &&
                         g_dpi_calls.accepts_v2) ||
                        (context == DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE &&
                         g_dpi_calls.accepts_v1);
  ::SetLastError(accepted ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER);
  return accepted;
}

BOOL WINAPI FakeSetDpiAware() {
  ++g_dpi_calls.set_dpi_aware;
  return TRUE;
}

struct HighDpiCase {
  const char* name;
  bool has_context_function;
  bool accepts_v2;
  bool accepts_v1;
  bool per_monitor;
  // The contexts asked for (-4 per monitor v2, -3 per monitor), and whether
  // the old system-wide call followed.
  std::vector<intptr_t> contexts;
  int set_dpi_aware;
};

class HighDpiSupportTest : public testing::TestWithParam<HighDpiCase> {};

// Per-monitor awareness where the system has it (version 2 first), the
// system-wide call only where it has neither.
TEST_P(HighDpiSupportTest, AsksForPerMonitorAwarenessFirst) {
  const HighDpiCase& test = GetParam();
  g_dpi_calls = DpiCalls();
  g_dpi_calls.accepts_v2 = test.accepts_v2;
  g_dpi_calls.accepts_v1 = test.accepts_v1;
  EXPECT_EQ(test.per_monitor,
            EnableHighDpiSupportWith(test.has_context_function ? &FakeSetAwarenessContext : nullptr,
                                     &FakeSetDpiAware));
  EXPECT_EQ(test.contexts, g_dpi_calls.contexts);
  EXPECT_EQ(test.set_dpi_aware, g_dpi_calls.set_dpi_aware);
}

INSTANTIATE_TEST_SUITE_P(
    Systems,
    HighDpiSupportTest,
    testing::Values(
        HighDpiCase{.name = "PerMonitorV2", .has_context_function = true, .accepts_v2 = true,
                    .accepts_v1 = true, .per_monitor = true, .contexts = {-4},
                    .set_dpi_aware = 0},
        HighDpiCase{.name = "PerMonitorV1", .has_context_function = true, .accepts_v2 = false,
                    .accepts_v1 = true, .per_monitor = true, .contexts = {-4, -3},
                    .set_dpi_aware = 0},
        HighDpiCase{.name = "NeitherAccepted", .has_context_function = true,
                    .accepts_v2 = false, .accepts_v1 = false, .per_monitor = false,
                    .contexts = {-4, -3}, .set_dpi_aware = 1},
        HighDpiCase{.name = "OlderSystem", .has_context_function = false, .accepts_v2 = false,
                    .accepts_v1 = false, .per_monitor = false, .contexts = {},
                    .set_dpi_aware = 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WindowDpiTest, DesktopWindowHasAPositiveDpi) {
  HDC screen = ::GetDC(nullptr);
  ASSERT_NE(nullptr, screen);
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
  ::ReleaseDC(nullptr, screen);
  EXPECT_EQ(dpi, GetWindowDpi(::GetDesktopWindow()));
}

}  // namespace
}  // namespace velta
