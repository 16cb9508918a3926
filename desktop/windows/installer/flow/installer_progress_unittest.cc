// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/flow/installer_progress.h"

#include <string>
#include <vector>

#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

// Writes every notification into a log shared by all observers of a test,
// so that the order across observers shows.
class RecordingProgressObserver : public InstallerProgressObserver {
 public:
  RecordingProgressObserver(std::string name, std::vector<std::string>* log)
      : name_(std::move(name)), log_(log) {}

  // Removes this observer from `progress` when it hears of a phase.
  void RemoveSelfOnPhase(InstallerProgress* progress) { remove_from_ = progress; }

  void OnPhaseEntered(uint32_t phase) override {
    Record("phase", phase);
    if (remove_from_)
      remove_from_->RemoveObserver(this);
  }
  void OnTotalSteps(uint32_t count) override { Record("total", count); }
  void OnStepsFinished(uint32_t finished) override { Record("finished", finished); }

 private:
  void Record(const char* what, uint32_t value) {
    log_->push_back(name_ + ":" + what + "=" + std::to_string(value));
  }

  const std::string name_;
  std::vector<std::string>* const log_;
  InstallerProgress* remove_from_ = nullptr;
};

TEST(InstallerProgressTest, KeepsThePhaseAndPassesCountsOnInOrder) {
  std::vector<std::string> log;
  RecordingProgressObserver first("a", &log);
  RecordingProgressObserver second("b", &log);
  InstallerProgress progress;
  EXPECT_EQ(0u, progress.GetPhase());
  progress.AddObserver(&first);
  progress.AddObserver(&second);
  progress.AddObserver(&first);  // Already there: still one entry.

  progress.SetPhase(6);
  progress.NotifyTotalSteps(31);
  progress.NotifyStepsFinished(4);

  EXPECT_EQ(6u, progress.GetPhase());
  EXPECT_THAT(log, ElementsAre("a:phase=6", "b:phase=6", "a:total=31", "b:total=31",
                               "a:finished=4", "b:finished=4"));
}

TEST(InstallerProgressTest, ObserverRemovingItselfDoesNotStopTheOthers) {
  std::vector<std::string> log;
  RecordingProgressObserver leaving("a", &log);
  RecordingProgressObserver staying("b", &log);
  InstallerProgress progress;
  progress.AddObserver(&leaving);
  progress.AddObserver(&staying);
  leaving.RemoveSelfOnPhase(&progress);

  progress.SetPhase(2);
  progress.NotifyStepsFinished(1);

  EXPECT_THAT(log, ElementsAre("a:phase=2", "b:phase=2", "b:finished=1"));
}

}  // namespace
}  // namespace velta
