// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/installer_step_scheduler_impl.h"

#include <stdint.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// Answers its codes one attempt after another (the last one for ever after)
// and records when each attempt ran.
class ScriptedStep : public InstallerStep {
 public:
  ScriptedStep(std::string name, std::vector<uint32_t> codes, std::vector<std::string>* trace)
      : InstallerStep(nullptr, std::move(name)), codes_(std::move(codes)), trace_(trace) {}

  StepResult& Execute(StepResult& result, int32_t attempt) override {
    run_times_.push_back(base::TimeTicks::Now());
    trace_->push_back("run " + name() + " " + std::to_string(attempt));
    uint32_t code = codes_[std::min<size_t>(attempt, codes_.size() - 1)];
    if (code == StepResult::kSuccess)
      return result;
    result = StepResult(code, 40 + code, L"wide " + base::UTF8ToWide(name()),
                        name() + " failed");
    return result;
  }

  const std::vector<base::TimeTicks>& run_times() const { return run_times_; }

 private:
  const std::vector<uint32_t> codes_;
  std::vector<std::string>* const trace_;
  std::vector<base::TimeTicks> run_times_;
};

class RecordingDelegate : public InstallerStepSchedulerDelegate {
 public:
  RecordingDelegate(std::vector<std::string>* trace, base::OnceClosure on_finished)
      : trace_(trace), on_finished_(std::move(on_finished)) {}

  void OnStepStarting(const std::string& name) override { trace_->push_back("starting " + name); }
  void OnStepFinished(const std::string& name, int32_t attempt, int32_t finished_count) override {
    trace_->push_back("finished " + name + " " + std::to_string(attempt) + " " +
                      std::to_string(finished_count));
  }
  void OnStepsFinished(bool success) override {
    trace_->push_back(success ? "success" : "failure");
    std::move(on_finished_).Run();
  }

 private:
  std::vector<std::string>* const trace_;
  base::OnceClosure on_finished_;
};

class InstallerStepSchedulerImplTest : public ::testing::Test {
 protected:
  // Schedules `steps`, runs them to the end and returns the trace.
  std::vector<std::string> Run(std::vector<std::pair<std::string, std::vector<uint32_t>>> steps) {
    std::vector<std::unique_ptr<InstallerStep>> list;
    for (auto& [name, codes] : steps) {
      auto step = std::make_unique<ScriptedStep>(name, codes, &trace_);
      steps_.push_back(step.get());
      list.push_back(std::move(step));
    }
    // Kept by the fixture: it owns the steps that steps_ points at.
    scheduler_ = std::make_unique<InstallerStepSchedulerImpl>(base::ThreadTaskRunnerHandle::Get());
    scheduler_->ScheduleSteps(std::move(list), &total_steps_);
    base::RunLoop run_loop;
    RecordingDelegate delegate(&trace_, run_loop.QuitClosure());
    scheduler_->Start(&delegate);
    EXPECT_TRUE(base::test::RunWithTimeout(&run_loop, base::TimeDelta::FromSeconds(60)));
    return trace_;
  }

  ScopedInstallerErrorRecord error_record_;
  base::MessageLoop message_loop_;
  std::vector<std::string> trace_;
  std::unique_ptr<InstallerStepSchedulerImpl> scheduler_;
  std::vector<ScriptedStep*> steps_;
  uint32_t total_steps_ = 0;
};

struct RetryCase {
  const char* name;
  std::vector<uint32_t> codes_of_b;
  std::vector<std::string> trace;
  uint32_t error_code;
};

class StepRetryRuleTest : public InstallerStepSchedulerImplTest,
                          public ::testing::WithParamInterface<RetryCase> {};

// Step "a" always succeeds, step "b" answers the case's codes, step "c"
// always succeeds and runs only when "b" counted as done. Cases with retries
// wait one second per retry, as a real run does.
TEST_P(StepRetryRuleTest, RunsStepsByTheRetryRule) {
  const RetryCase& c = GetParam();
  EXPECT_THAT(Run({{"a", {0}}, {"b", c.codes_of_b}, {"c", {0}}}), ElementsAreArray(c.trace));
  EXPECT_EQ(4u, total_steps_);
  EXPECT_EQ(c.error_code, GetInstallerErrorCode());
}

const std::vector<std::string> kHead = {"starting a", "run a 0", "finished a 0 1", "starting b"};

std::vector<std::string> Trace(std::vector<std::string> middle) {
  std::vector<std::string> trace = kHead;
  trace.insert(trace.end(), middle.begin(), middle.end());
  return trace;
}

std::vector<std::string> Runs(int count) {
  std::vector<std::string> runs;
  for (int i = 0; i < count; ++i)
    runs.push_back("run b " + std::to_string(i));
  return runs;
}

std::vector<std::string> Then(std::vector<std::string> a, std::vector<std::string> b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<std::string> kTail = {"starting c", "run c 0", "finished c 0 3", "success"};

INSTANTIATE_TEST_SUITE_P(
    Codes,
    StepRetryRuleTest,
    ::testing::Values(
        RetryCase{"AllSucceed", {0}, Trace(Then({"run b 0", "finished b 0 2"}, kTail)), 0},
        RetryCase{"FailureIsNotRetried", {1, 0}, Trace({"run b 0", "failure"}), 41},
        RetryCase{"UnknownCodeIsNotRetried", {7, 0}, Trace({"run b 0", "failure"}), 47},
        RetryCase{"RetriedFailureThatRecovers",
                  {2, 2, 0},
                  Trace(Then(Then(Runs(3), {"finished b 2 2"}), kTail)),
                  0},
        RetryCase{"RetriedFailureIsFatalAfterSixRuns",
                  {2},
                  Trace(Then(Runs(6), {"failure"})),
                  42},
        RetryCase{"IgnoredFailureCountsAsDoneAfterSixRuns",
                  {3},
                  Trace(Then(Then(Runs(6), {"finished b 5 2"}), kTail)),
                  0}),
    [](const ::testing::TestParamInfo<RetryCase>& info) { return info.param.name; });

TEST_F(InstallerStepSchedulerImplTest, EmptyListFinishesAtOnceWithTotalOne) {
  EXPECT_THAT(Run({}), ElementsAre("success"));
  EXPECT_EQ(1u, total_steps_);
}

TEST_F(InstallerStepSchedulerImplTest, FailureRecordsTheStepsErrorAndRetriesOneSecondApart) {
  Run({{"b", {2}}});
  uint32_t code = 0;
  std::string detail;
  std::wstring text;
  GetInstallerError(&code, &detail, &text);
  EXPECT_EQ(42u, code);
  EXPECT_EQ("b failed", detail);
  EXPECT_EQ(L"wide b", text);
  const std::vector<base::TimeTicks>& times = steps_[0]->run_times();
  ASSERT_EQ(6u, times.size());
  // A delayed task never runs early; the slack covers the clock's tick.
  for (size_t i = 1; i < times.size(); ++i)
    EXPECT_GE(times[i] - times[i - 1], base::TimeDelta::FromMilliseconds(980)) << i;
}

TEST(StepResultTest, CodeAloneCarriesInstallerErrorOne) {
  StepResult result(StepResult::kRetryThenFail);
  EXPECT_EQ(1u, result.subcode);
  EXPECT_TRUE(result.text.empty());
  EXPECT_TRUE(result.wide_text.empty());
}

// A step that copied over a file, then a step that keeps failing with code
// 2: the job fails after six runs and the installer's rollback puts the
// machine back as it was, with no parked ".old" file left.
class CopyStep : public InstallerStep {
 public:
  CopyStep(Transaction* transaction, base::FilePath from, base::FilePath to)
      : InstallerStep(nullptr, "copy_file:app.dll"),
        transaction_(transaction),
        from_(std::move(from)),
        to_(std::move(to)) {}

  StepResult& Execute(StepResult& result, int32_t /*attempt*/) override {
    std::unique_ptr<Operation> copy = factory_.CreateCopyFile(from_, to_);
    std::string error;
    if (!transaction_->Execute(copy, &error))
      result = StepResult(StepResult::kRetryThenFail, 10, to_.value(), error);
    return result;
  }

 private:
  OperationFactory factory_;
  Transaction* const transaction_;
  const base::FilePath from_;
  const base::FilePath to_;
};

TEST_F(InstallerStepSchedulerImplTest, FatalRetriedFailureLeavesNothingAfterRollback) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  base::FilePath package = temp.GetPath().Append(L"package");
  base::FilePath target = temp.GetPath().Append(L"target");
  ASSERT_TRUE(base::CreateDirectory(package));
  ASSERT_TRUE(base::CreateDirectory(target));
  test::WriteText(package.Append(L"app.dll"), "new");
  test::WriteText(target.Append(L"app.dll"), "previous");
  const auto before = test::SnapshotFolder(target);

  Transaction transaction;
  std::vector<std::unique_ptr<InstallerStep>> list;
  list.push_back(std::make_unique<CopyStep>(&transaction, package.Append(L"app.dll"),
                                            target.Append(L"app.dll")));
  auto failing = std::make_unique<ScriptedStep>("b", std::vector<uint32_t>{2}, &trace_);
  ScriptedStep* failing_step = failing.get();
  list.push_back(std::move(failing));
  InstallerStepSchedulerImpl scheduler(base::ThreadTaskRunnerHandle::Get());
  scheduler.ScheduleSteps(std::move(list), &total_steps_);
  base::RunLoop run_loop;
  std::string middle_state;
  RecordingDelegate delegate(&trace_, base::BindOnce(
                                          [](Transaction* transaction, base::FilePath dll,
                                             std::string* middle_state, base::OnceClosure quit) {
                                            *middle_state = test::ReadText(dll);
                                            transaction->Rollback();
                                            std::move(quit).Run();
                                          },
                                          &transaction, target.Append(L"app.dll"),
                                          &middle_state, run_loop.QuitClosure()));
  scheduler.Start(&delegate);
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop, base::TimeDelta::FromSeconds(60)));

  EXPECT_EQ("new", middle_state);
  EXPECT_EQ(6u, failing_step->run_times().size());
  EXPECT_EQ("failure", trace_.back());
  EXPECT_EQ(42u, GetInstallerErrorCode());
  EXPECT_EQ(before, test::SnapshotFolder(target));
}

TEST_F(InstallerStepSchedulerImplTest, ScheduleWithoutJobListsFailsClearly) {
  InstallerStepSchedulerImpl scheduler(base::ThreadTaskRunnerHandle::Get());
  std::wstring scheduler_text;
  uint32_t total = 0;
  EXPECT_FALSE(scheduler.Schedule(nullptr, &scheduler_text, &total));
  EXPECT_EQ(1u, GetInstallerErrorCode());
}

}  // namespace
}  // namespace velta
