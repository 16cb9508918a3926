// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/progress_calculator_impl.h"

#include <optional>
#include <vector>

#include "base/bind.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/runner/main_process_installer_runner.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

struct Notification {
  uint32_t value;
  std::optional<uint32_t> remaining;
  bool operator==(const Notification&) const = default;
};

void PrintTo(const Notification& n, std::ostream* os) {
  *os << "{" << n.value << ", ";
  if (n.remaining)
    *os << *n.remaining;
  else
    *os << "none";
  *os << "}";
}

// The runner seam: only its observers matter to the calculator.
class ObservedRunner : public MainProcessInstallerRunner {
 public:
  uint32_t Run(Settings*) override { return 0; }
  void SetPackagePaths(const base::FilePath&, const base::FilePath&) override {}
  void Stop() override {}
  void OnPackageReady() override {}
  void AddObserver(InstallerObserver* observer) override { observers.push_back(observer); }
  void RemoveObserver(InstallerObserver* observer) override { std::erase(observers, observer); }
  void EndBackend(uint32_t result) {
    for (InstallerObserver* observer : observers)
      observer->OnBackendProcessTerminated(result);
  }
  std::vector<InstallerObserver*> observers;
};

class RecordingObserver : public ProgressCalculatorObserver {
 public:
  void OnProgressChanged(uint32_t value, std::optional<uint32_t> remaining) override {
    seen.push_back({value, remaining});
  }
  std::vector<Notification> seen;
};

enum class Kind { kPhase, kTotal, kFinished, kEnded, kWait };

// One event; kWait moves the test clock by `arg` seconds (negative: back).
struct Event {
  Kind kind;
  int64_t arg;
};

Event Phase(uint32_t p) { return {Kind::kPhase, p}; }
Event Total(uint32_t n) { return {Kind::kTotal, n}; }
Event Finished(uint32_t n) { return {Kind::kFinished, n}; }
Event Ended(uint32_t result) { return {Kind::kEnded, result}; }
Event Wait(int64_t seconds) { return {Kind::kWait, seconds}; }

struct ProgressCase {
  const char* name;
  std::vector<Event> events;
  std::vector<Notification> expected;
  uint32_t final_value;
};

void PrintTo(const ProgressCase& c, std::ostream* os) {
  *os << c.name;
}

class ProgressCalculatorTest : public testing::TestWithParam<ProgressCase> {
 protected:
  base::Time now_ = base::Time::UnixEpoch() + base::TimeDelta::FromDays(20000);
};

TEST_P(ProgressCalculatorTest, ReportsWeightedProgress) {
  InstallerProgress progress;
  ObservedRunner runner;
  ProgressCalculatorImpl calculator(
      &runner, &progress, ProgressPhaseWeights(),
      base::BindRepeating([](base::Time* now) { return *now; }, &now_));
  RecordingObserver observer;
  calculator.SetObserver(&observer);
  for (const Event& event : GetParam().events) {
    switch (event.kind) {
      case Kind::kPhase:
        progress.SetPhase(static_cast<uint32_t>(event.arg));
        break;
      case Kind::kTotal:
        progress.NotifyTotalSteps(static_cast<uint32_t>(event.arg));
        break;
      case Kind::kFinished:
        progress.NotifyStepsFinished(static_cast<uint32_t>(event.arg));
        break;
      case Kind::kEnded:
        runner.EndBackend(static_cast<uint32_t>(event.arg));
        break;
      case Kind::kWait:
        now_ += base::TimeDelta::FromSeconds(event.arg);
        break;
    }
  }
  EXPECT_EQ(GetParam().expected, observer.seen);
  EXPECT_EQ(GetParam().final_value, calculator.GetProgress());
  EXPECT_EQ(1304u, calculator.GetMaximum());
}

constexpr std::optional<uint32_t> kNone = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Cases,
    ProgressCalculatorTest,
    testing::Values(
        // Download: 1 to 1001; the estimate is elapsed / share * (1 - share) + 1.
        ProgressCase{"DownloadHalfDoneAfterTenSeconds",
                     {Phase(1), Total(100), Wait(10), Finished(50)},
                     {{1, kNone}, {501, 11u}},
                     501},
        ProgressCase{"NoEstimateBelowFivePercent",
                     {Phase(1), Total(100), Wait(10), Finished(4), Finished(4), Finished(5)},
                     {{1, kNone}, {41, kNone}, {51, 191u}},
                     51},
        // A clock that went back gives no negative time.
        ProgressCase{"ClockGoingBackEstimatesOneSecond",
                     {Phase(1), Total(10), Wait(-30), Finished(5)},
                     {{1, kNone}, {501, 1u}},
                     501},
        // A century for one percent: the estimate stays within 32 bits.
        ProgressCase{"HugeEstimateIsClamped",
                     {Phase(1), Total(1000000), Wait(3153600000), Finished(62500)},
                     {{1, kNone}, {63, 4294967295u}},
                     63},
        ProgressCase{"NewPhaseStartsAtItsBoundary", {Phase(7)}, {{1204, kNone}}, 1204},
        ProgressCase{"ExtractionReportsFilesLeftEvenWhenUnchanged",
                     {Phase(6), Total(400), Finished(1), Finished(1)},
                     {{1004, kNone}, {1004, 399u}, {1004, 399u}},
                     1004},
        ProgressCase{"RetryWaitStandsWherePhaseZeroDoes",
                     {Phase(6), Phase(8), Total(30), Finished(10), Finished(30)},
                     {{1004, kNone}, {0, kNone}, {0, 20u}, {1, 0u}},
                     1},
        ProgressCase{"AdditionalFilesNeverMoveTheBar",
                     {Phase(3), Total(10), Finished(5), Finished(10)},
                     {{1001, kNone}},
                     1001},
        ProgressCase{"SuccessfulEndFillsThePhase",
                     {Phase(7), Total(10), Finished(3), Ended(0)},
                     {{1204, kNone}, {1234, 7u}, {1304, 0u}},
                     1304},
        ProgressCase{"FailedEndChangesNothing",
                     {Phase(7), Total(10), Finished(3), Ended(7)},
                     {{1204, kNone}, {1234, 7u}},
                     1234},
        ProgressCase{"FinishedWithoutTotalIsIgnored",
                     {Phase(2), Finished(3)},
                     {{1001, kNone}},
                     1001},
        // Mended: a count above the total fills its phase and no more.
        ProgressCase{"CountAboveTotalFillsItsPhaseOnly",
                     {Phase(6), Total(10), Finished(25)},
                     {{1004, kNone}, {1204, 0u}},
                     1204},
        // Mended: a phase number past the table is ignored, not read out of it.
        ProgressCase{"UnknownPhaseIsIgnored",
                     {Phase(7), Phase(9), Phase(4000000000u), Total(4), Finished(2)},
                     {{1204, kNone}, {1254, 2u}},
                     1254}),
    [](const testing::TestParamInfo<ProgressCase>& info) { return info.param.name; });

TEST(ProgressCalculatorWeightsTest, CustomWeightsSetTheMaximumAndBoundaries) {
  ProgressPhaseWeights weights;
  weights.weights = {0, 10, 0, 0, 0, 0, 0, 30, 0};
  InstallerProgress progress;
  ProgressCalculatorImpl calculator(nullptr, &progress, weights);
  EXPECT_EQ(40u, calculator.GetMaximum());
  progress.SetPhase(7);
  EXPECT_EQ(10u, calculator.GetProgress());
  progress.NotifyTotalSteps(3);
  progress.NotifyStepsFinished(2);
  EXPECT_EQ(30u, calculator.GetProgress());
}

TEST(ProgressCalculatorObservingTest, StopsObservingWhenDestroyed) {
  InstallerProgress progress;
  ObservedRunner runner;
  RecordingObserver observer;
  {
    ProgressCalculatorImpl calculator(&runner, &progress, ProgressPhaseWeights());
    calculator.SetObserver(&observer);
    EXPECT_EQ(1u, runner.observers.size());
    progress.SetPhase(4);
  }
  EXPECT_TRUE(runner.observers.empty());
  progress.SetPhase(7);  // reaches no calculator
  EXPECT_EQ((std::vector<Notification>{{1002, std::nullopt}}), observer.seen);
}

}  // namespace
}  // namespace velta
