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
#include "base/win/scoped_com_initializer.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/thread_task_runner_handle.h"
#include "base/time/time.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/status/installation_status_loader.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
#include "desktop/windows/installer/steps/installer_step.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

// The pause between retries where only their order and count matter.
constexpr base::TimeDelta kQuickRetryDelay = base::TimeDelta::FromMilliseconds(1);

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
    scheduler_ = real_retry_delay_
                     ? std::make_unique<InstallerStepSchedulerImpl>(
                           base::ThreadTaskRunnerHandle::Get())
                     : std::make_unique<InstallerStepSchedulerImpl>(
                           base::ThreadTaskRunnerHandle::Get(), kQuickRetryDelay);
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
  // Runs with the production pause between retries; otherwise the retries
  // follow each other after kQuickRetryDelay, in the same order.
  bool real_retry_delay_ = false;
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
// always succeeds and runs only when "b" counted as done.
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
  real_retry_delay_ = true;
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
  // A delayed task never runs early (load only makes it later); the slack
  // covers the clock's tick.
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
  InstallerStepSchedulerImpl scheduler(base::ThreadTaskRunnerHandle::Get(), kQuickRetryDelay);
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

// The job lists, scheduled from real files lists in a test installer.
class JobListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    context_.has_package_dir = true;
  }

  void WriteLists(const std::string& files, const std::string& root_files) {
    test::WriteText(context_.target_folder().Append(L"files_list"), files);
    test::WriteText(context_.target_folder().Append(L"root_files_list"), root_files);
  }

  bool Schedule(InstallOperation operation) {
    context_.settings.operation = operation;
    return scheduler_.Schedule(&context_, &context_.scheduler_text, &total_);
  }

  std::string ErrorDetail() {
    std::string detail;
    GetInstallerError(nullptr, &detail, nullptr);
    return detail;
  }

  ScopedInstallerErrorRecord error_record_;
  base::MessageLoop message_loop_;
  ScopedInstallerProcess process_{{L"backend"}};
  test::TestInstallerContext context_;
  InstallerStepSchedulerImpl scheduler_{base::ThreadTaskRunnerHandle::Get()};
  uint32_t total_ = 77;
  std::vector<std::string> trace_;
};

TEST_F(JobListTest, OtherJobKindsScheduleNothing) {
  for (InstallOperation operation :
       {InstallOperation::kNotDecided, static_cast<InstallOperation>(9)}) {
    EXPECT_TRUE(Schedule(operation));
    EXPECT_EQ(1u, total_);
  }
}

struct ListFailureCase {
  const char* name;
  InstallOperation operation;
  // The lists' texts; null leaves the list out.
  const char* files;
  const char* root_files;
  // The installer error's detail.
  const char* detail;
};

class JobListFailureTest : public JobListTest,
                           public ::testing::WithParamInterface<ListFailureCase> {};

TEST_P(JobListFailureTest, FailsWithTheListsReason) {
  const ListFailureCase& c = GetParam();
  if (c.files)
    test::WriteText(context_.target_folder().Append(L"files_list"), c.files);
  if (c.root_files)
    test::WriteText(context_.target_folder().Append(L"root_files_list"), c.root_files);
  EXPECT_FALSE(Schedule(c.operation));
  EXPECT_EQ(1u, GetInstallerErrorCode());
  EXPECT_THAT(ErrorDetail(), ::testing::HasSubstr(c.detail));
  EXPECT_EQ(77u, total_);
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    JobListFailureTest,
    ::testing::Values(
        ListFailureCase{"NoStandardList", InstallOperation::kNewInstallation, nullptr, "",
                        "Normal files list\nCannot read standard files list\n"
                        "Cannot schedule install steps"},
        ListFailureCase{"EmptyStandardList", InstallOperation::kNewInstallation, "\r\n", "",
                        "No files in normal files list\nCannot read standard files list"},
        ListFailureCase{"NoRootList", InstallOperation::kOverExistingInstallation, "a.dll",
                        nullptr,
                        "Root files list\nCannot read root files list\nSchedule upgrade steps\n"
                        "Cannot schedule upgrade steps"},
        ListFailureCase{"EntryOutsideTheFolder", InstallOperation::kNewInstallation,
                        "a.dll\r\n..\\..\\evil.dll", "",
                        "Normal files list names a file outside its folder: ..\\..\\evil.dll"},
        ListFailureCase{"RootEntryOnADrive", InstallOperation::kNewInstallation, "a.dll",
                        "C:\\evil.dll", "Root files list names a file outside its folder"},
        ListFailureCase{"RepairWithoutList", InstallOperation::kRepairDownloadableResources,
                        nullptr, nullptr,
                        "Schedule fix downloadable resources failed\n"
                        "Cannot schedule fix resources steps"}),
    [](const auto& info) { return info.param.name; });

// The uninstall job reads no files list and cannot fail to schedule.
TEST_F(JobListTest, UninstallJobNeedsNoLists) {
  ASSERT_TRUE(Schedule(InstallOperation::kUninstall));
  EXPECT_EQ(7u, total_);
}

// A copy-only install job end to end from a package folder: every step runs
// and the installation is in place, recorded and marked done.
TEST_F(JobListTest, CopyOnlyInstallJobRunsEveryStep) {
  base::win::ScopedCOMInitializer com;
  test::EnsureTaskScheduler();
  context_.has_package_dir = false;
  context_.settings.set_option(SettingsOption::COPY_ONLY, true);
  const base::FilePath package = context_.package_dir();
  test::WriteText(package.Append(L"files_list"), "a.dll\r\nlib\\b.dll\r\n");
  test::WriteText(package.Append(L"root_files_list"), "root.txt");
  for (const wchar_t* name : {L"a.dll", L"lib\\b.dll", L"root.txt", L"launcher.exe",
                              L"installer_helper.exe", L"installer_helper_64.exe"}) {
    ASSERT_TRUE(test::WriteFileWithFolders(package.Append(name), base::WideToUTF8(name)));
  }
  test::WriteText(package.Append(L"pref_default_overrides"), "{}");
  ASSERT_TRUE(Schedule(InstallOperation::kNewInstallation));
  EXPECT_EQ(17u, total_);
  base::RunLoop run_loop;
  RecordingDelegate delegate(&trace_, run_loop.QuitClosure());
  scheduler_.Start(&delegate);
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop, base::TimeDelta::FromSeconds(60)));
  ASSERT_EQ("success", trace_.back());
  std::vector<std::string> started;
  for (const std::string& line : trace_) {
    if (line.starts_with("starting "))
      started.push_back(line.substr(9));
  }
  EXPECT_THAT(started,
              ElementsAre("verify_downloadable_resources", "verify_package_contents",
                          "copy_file:a.dll", "copy_file:lib\\b.dll", "copy_file:root.txt",
                          "copy_file:launcher.exe", "install_tracking_data",
                          "copy_file:pref_default_overrides", "install_helper", "setup_registry",
                          "install_shortcuts", "write_installer_prefs", "install_components",
                          "write_installation_status", "setup_file_and_protocol_handlers",
                          "finalize"));
  EXPECT_EQ("lib\\b.dll", test::ReadText(context_.target_folder().Append(L"lib\\b.dll")));
  EXPECT_EQ("root.txt", test::ReadText(context_.install_folder().Append(L"root.txt")));
  EXPECT_EQ("launcher.exe", test::ReadText(context_.install_folder().Append(L"launcher.exe")));
  EXPECT_TRUE(base::PathExists(context_.install_folder().Append(L"installer_prefs.json")));
  EXPECT_TRUE(base::PathExists(context_.install_folder().Append(L"pref_default_overrides")));
  EXPECT_TRUE(base::PathExists(context_.target_folder().Append(L"done")));
  std::unique_ptr<InstallationStatus> loaded;
  ASSERT_EQ(internal::StatusFileResult::kLoaded,
            internal::TryLoadStatusFile(context_.install_folder(), StatusSource::kPrimary, &loaded,
                                        nullptr, nullptr));
  EXPECT_EQ(3u, loaded->files.size());
  EXPECT_THAT(loaded->root_files, ElementsAre(base::FilePath(L"root.txt")));
}

// A copy-only upgrade end to end: the files of an installation recorded in
// old_status go, the new version is copied, the old root files are
// replaced and the previous status is kept in old_status.
TEST_F(JobListTest, CopyOnlyUpgradeJobReplacesTheOldInstallation) {
  base::win::ScopedCOMInitializer com;
  test::EnsureTaskScheduler();
  context_.has_package_dir = false;
  context_.settings.set_option(SettingsOption::COPY_ONLY, true);
  const base::FilePath install = context_.install_folder();
  // As the installer does: the folders emptied below it go.
  context_.real_factory.run_journal()->Start(install);
  // Two versions back, kept in old_status by an earlier upgrade.
  InstallationStatus older(StatusSource::kGenerated);
  older.subfolder = base::FilePath(L"0.9");
  older.files = {base::FilePath(L"old.dll")};
  ASSERT_TRUE(test::WriteFileWithFolders(install.Append(L"0.9\\old.dll"), "0.9"));
  ASSERT_TRUE(base::CreateDirectory(install.Append(L"old_status")));
  ASSERT_TRUE(WriteInstallationStatusJson(
      older, install.Append(L"old_status\\installation_status.json.5")));
  // The installation being upgraded.
  auto current = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  current->subfolder = base::FilePath(L"1.0");
  current->files = {base::FilePath(L"a.dll")};
  current->root_files = {base::FilePath(L"root.txt")};
  ASSERT_TRUE(test::WriteFileWithFolders(install.Append(L"1.0\\a.dll"), "1.0"));
  test::WriteText(install.Append(L"root.txt"), "1.0");
  ASSERT_TRUE(WriteInstallationStatusJson(*current, install.Append(L"installation_status.json")));
  context_.folder_details.existing = std::move(current);
  // The new package.
  const base::FilePath package = context_.package_dir();
  test::WriteText(package.Append(L"files_list"), "a.dll");
  test::WriteText(package.Append(L"root_files_list"), "root.txt");
  for (const wchar_t* name : {L"a.dll", L"root.txt", L"launcher.exe", L"installer_helper.exe",
                              L"installer_helper_64.exe"}) {
    test::WriteText(package.Append(name), "new");
  }
  ASSERT_TRUE(Schedule(InstallOperation::kOverExistingInstallation));
  base::RunLoop run_loop;
  RecordingDelegate delegate(&trace_, run_loop.QuitClosure());
  scheduler_.Start(&delegate);
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop, base::TimeDelta::FromSeconds(60)));
  ASSERT_EQ("success", trace_.back());
  EXPECT_FALSE(base::PathExists(install.Append(L"0.9")));
  EXPECT_EQ("new", test::ReadText(context_.target_folder().Append(L"a.dll")));
  EXPECT_EQ("new", test::ReadText(install.Append(L"root.txt")));
  // The previous status, moved; the record of 0.9, removed with its files.
  const std::vector<std::wstring> kept = test::FileNamesIn(install.Append(L"old_status"));
  ASSERT_EQ(1u, kept.size());
  EXPECT_TRUE(kept[0].starts_with(L"installation_status.json.")) << kept[0];
  EXPECT_NE(L"installation_status.json.5", kept[0]);
  std::unique_ptr<InstallationStatus> loaded;
  ASSERT_EQ(internal::StatusFileResult::kLoaded,
            internal::TryLoadStatusFile(install, StatusSource::kPrimary, &loaded, nullptr,
                                        nullptr));
  EXPECT_EQ(base::FilePath(test::TestInstallerContext::kSubfolder), loaded->subfolder);
}

// The protocol-handler job: its two steps, and the total as the caller set
// it.
TEST_F(JobListTest, ProtocolHandlerJobLeavesTheTotal) {
  total_ = 0;
  ASSERT_TRUE(Schedule(InstallOperation::kRegisterProtocolHandler));
  EXPECT_EQ(0u, total_);
}

// The repair job end to end: the files the fetched list names beside them in
// the package folder are copied and added to the existing status, and the
// marker goes once nothing is missing. A list left in the version folder
// (an installation's own) is not the repair's.
TEST_F(JobListTest, RepairJobRunsItsSteps) {
  WriteLists("installed.dll\r\n", "");
  test::WriteText(context_.package_dir().Append(L"files_list"), "a.dll\r\nres\\b.pak\r\n");
  test::WriteText(context_.package_dir().Append(L"a.dll"), "a");
  ASSERT_TRUE(test::WriteFileWithFolders(context_.package_dir().Append(L"res\\b.pak"), "b"));
  context_.folder_details.existing = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  context_.folder_details.existing->files = {base::FilePath(L"a.dll")};
  ASSERT_TRUE(Schedule(InstallOperation::kRepairDownloadableResources));
  // verify, two copies, update status, remove marker, and the report.
  EXPECT_EQ(6u, total_);
  base::RunLoop run_loop;
  RecordingDelegate delegate(&trace_, run_loop.QuitClosure());
  scheduler_.Start(&delegate);
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop, base::TimeDelta::FromSeconds(60)));
  EXPECT_THAT(trace_, ElementsAre("starting verify_downloadable_resources",
                                  "finished verify_downloadable_resources 0 1",
                                  "starting copy_file:a.dll", "finished copy_file:a.dll 0 2",
                                  "starting copy_file:res\\b.pak",
                                  "finished copy_file:res\\b.pak 0 3",
                                  "starting update_installation_status",
                                  "finished update_installation_status 0 4",
                                  "starting remove_minimal_install_file",
                                  "finished remove_minimal_install_file 0 5", "success"));
  EXPECT_EQ("b", test::ReadText(context_.target_folder().Append(L"res\\b.pak")));
  std::unique_ptr<InstallationStatus> loaded;
  ASSERT_EQ(internal::StatusFileResult::kLoaded,
            internal::TryLoadStatusFile(context_.install_folder(), StatusSource::kPrimary, &loaded,
                                        nullptr, nullptr));
  EXPECT_THAT(loaded->files, ElementsAre(base::FilePath(L"a.dll"), base::FilePath(L"res\\b.pak")));
}

}  // namespace
}  // namespace velta
