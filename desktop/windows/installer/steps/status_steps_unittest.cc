// Copyright 2026 Velta Software. All rights reserved.

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/sequenced_task_runner.h"
#include "base/synchronization/waitable_event.h"
#include "base/test/scoped_log_collector.h"
#include "base/values.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/common/json_pref_store_factory.h"
#include "desktop/windows/installer/service/fake_firewall_policy.h"
#include "desktop/windows/installer/service/firewall_manager.h"
#include "desktop/windows/installer/service/firewall_rules.h"
#include "desktop/windows/installer/service/task_scheduler.h"
#include "desktop/windows/installer/status/installation_status_loader.h"
#include "desktop/windows/installer/steps/finalize_step.h"
#include "desktop/windows/installer/steps/install_components_step.h"
#include "desktop/windows/installer/steps/move_old_status_step.h"
#include "desktop/windows/installer/steps/test_installer_context.h"
#include "desktop/windows/installer/steps/update_installation_status_step.h"
#include "desktop/windows/installer/steps/write_installation_status_step.h"
#include "desktop/windows/installer/steps/write_installer_prefs_step.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using test::ReadText;
using test::WriteText;

base::Value ReadJson(const base::FilePath& path) {
  std::optional<base::Value> value = base::JSONReader::Read(ReadText(path));
  return value ? std::move(*value) : base::Value();
}

class StatusStepsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    test::EnsureTaskScheduler();
  }

  base::FilePath PrefsPath() const {
    return context_.install_folder().Append(L"installer_prefs.json");
  }

  test::TestInstallerContext context_;
};

// The file holds every key as soon as the step returns: the steps after it
// open the same file.
TEST_F(StatusStepsTest, InstallerPrefsAreOnDiskWhenTheStepEnds) {
  ScopedInstallerProcess process(
      {L"backend", L"session-guid=guid-1", L"temp-folder=C:\\Temp\\x"});
  GetTrackingData()->SetLocalValue("uuid", "niuid-7");
  WriteText(PrefsPath(), "{\"au_task_error_count\": 4}");
  WriteText(context_.package_dir().Append(L"installer_prefs_include.json"),
            "{\"welcome-url\": \"https://welcome.test/\", \"other\": 1}");
  context_.settings.set_option(SettingsOption::SINGLE_PROFILE, true);
  context_.settings.set_option(SettingsOption::IMPORT_BROWSER_DATA, true);
  context_.settings.language = L"de";
  context_.settings.profile_folder = base::FilePath(L"D:\\Profile");
  WriteInstallerPrefsStep step(&context_);
  EXPECT_EQ("write_installer_prefs", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);

  const base::Value prefs = ReadJson(PrefsPath());
  ASSERT_TRUE(prefs.is_dict()) << ReadText(PrefsPath());
  auto string_of = [&](const char* key) {
    const std::string* value = prefs.FindStringKey(key);
    return value ? *value : std::string("<none>");
  };
  EXPECT_EQ("https://welcome.test/", string_of("welcome-url"));
  EXPECT_EQ("D:\\Profile", string_of("profile_path"));
  EXPECT_EQ("de", string_of("language"));
  EXPECT_EQ("guid-1", string_of("last_installation_guid"));
  EXPECT_EQ("niuid-7", string_of("installer_id"));
  EXPECT_EQ("C:\\Temp\\x", string_of("temp_folder"));
  EXPECT_EQ(std::optional<bool>(true), prefs.FindBoolKey("single_profile"));
  EXPECT_EQ(std::optional<bool>(false), prefs.FindBoolKey("autoupdate"));
  EXPECT_EQ(std::optional<bool>(true), prefs.FindBoolKey("import_browser_data"));
  EXPECT_EQ(std::optional<bool>(false), prefs.FindBoolKey("enable_stats"));
  EXPECT_EQ(std::optional<int>(4), prefs.FindIntKey("au_task_error_count"));
  EXPECT_EQ(nullptr, prefs.FindKey("other"));
  const base::Value* all = prefs.FindKey("all-installer-experiments");
  ASSERT_TRUE(all && all->is_list());
  std::vector<std::string> entries;
  for (const base::Value& entry : all->GetList())
    entries.push_back(entry.GetString());
  EXPECT_THAT(entries, ElementsAre("installer-experiment-test@2",
                                   "installer-use-minimal-package@2",
                                   "installer-simplified-ui@2"));
  const base::Value* differing = prefs.FindKey("installer-experiments");
  ASSERT_TRUE(differing && differing->is_list());
  EXPECT_THAT(differing->GetList(), IsEmpty());
}

// A write that does not land in time fails the attempt: the steps after it
// would read the old file. The queued write still lands afterwards.
TEST_F(StatusStepsTest, InstallerPrefsNotWrittenInTimeFailTheAttempt) {
  ScopedInstallerProcess process({L"backend"});
  WriteText(PrefsPath(), "{\"au_task_error_count\": 4}");
  base::WaitableEvent release;
  GetPrefStoreTaskRunnerMap()
      ->GetTaskRunner(context_.install_folder())
      ->PostTask(FROM_HERE,
                 base::BindOnce([](base::WaitableEvent* event) { event->Wait(); }, &release));
  WriteInstallerPrefsStep step(&context_, base::TimeDelta::FromMilliseconds(50));
  const StepResult result = test::RunStep(step);
  EXPECT_EQ(StepResult::kRetryThenFail, result.code);
  EXPECT_EQ(PrefsPath().value(), result.wide_text);
  EXPECT_EQ(std::nullopt, ReadJson(PrefsPath()).FindBoolKey("autoupdate"));

  release.Signal();
  WriteInstallerPrefsStep retried(&context_);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(retried).code);
  const base::Value prefs = ReadJson(PrefsPath());
  EXPECT_EQ(std::optional<bool>(false), prefs.FindBoolKey("autoupdate"));
  EXPECT_EQ(std::optional<int>(4), prefs.FindIntKey("au_task_error_count"));
}

// The previous file's values that this run does not replace are kept, but
// only in the form the browser and the installer read them: a value of
// another type, or a text longer than any path or address, is dropped with
// a warning that names its key.
TEST_F(StatusStepsTest, MalformedInstallerPrefsAreDroppedNotCarriedOver) {
  // An autoupdate run with none of the values the step may write: every
  // stored value below would otherwise stay.
  ScopedInstallerProcess process({L"backend", L"autoupdate"});
  const std::string huge = "\"" + std::string(200000, 'x') + "\"";
  const struct {
    const char* key;
    std::string json;
  } malformed[] = {
      {"profile_path", "[\"C:\\\\Profile\"]"},
      {"welcome-url", "5"},
      {"language", huge},
      {"temp_folder", "{}"},
      {"installer_id", "true"},
      {"import_browser_data", "\"yes\""},
      {"enable_stats", "1"},
      {"au_task_error_count", "\"4\""},
  };
  std::string text = "{\"other\": \"kept\"";
  for (const auto& entry : malformed)
    text += std::string(", \"") + entry.key + "\": " + entry.json;
  WriteText(PrefsPath(), text + "}");

  base::test::ScopedLogCollector warnings(logging::LOG_WARNING);
  WriteInstallerPrefsStep step(&context_);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  const base::Value prefs = ReadJson(PrefsPath());
  ASSERT_TRUE(prefs.is_dict());
  for (const auto& entry : malformed) {
    SCOPED_TRACE(entry.key);
    EXPECT_EQ(nullptr, prefs.FindKey(entry.key));
    EXPECT_EQ(1, std::count_if(warnings.lines.begin(), warnings.lines.end(),
                               [&](const std::string& line) {
                                 return line.find(std::string("\"") + entry.key + "\"") !=
                                        std::string::npos;
                               }));
  }
  const std::string* other = prefs.FindStringKey("other");
  EXPECT_EQ("kept", other ? *other : "");
  EXPECT_EQ(std::optional<bool>(true), prefs.FindBoolKey("autoupdate"));
}

// The main process refuses a temp-folder value that is not a full path and
// downloads elsewhere; the preference keeps none of it either.
TEST_F(StatusStepsTest, TempFolderPrefIsOnlyAFullPath) {
  for (const wchar_t* value : {L"", L"relative\\x", L"\\x", L"C:x"}) {
    SCOPED_TRACE(base::WideToUTF8(value));
    ScopedInstallerProcess process({L"backend", std::wstring(L"temp-folder=") + value});
    WriteText(PrefsPath(), "{\"temp_folder\": \"C:\\\\Earlier\"}");
    WriteInstallerPrefsStep step(&context_);
    EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
    const std::string* stored = ReadJson(PrefsPath()).FindStringKey("temp_folder");
    EXPECT_EQ("C:\\Earlier", stored ? *stored : "<none>");
  }
}

TEST_F(StatusStepsTest, AutoupdateRunWritesNoConsentPrefs) {
  ScopedInstallerProcess process({L"backend", L"autoupdate"});
  WriteInstallerPrefsStep step(&context_);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  const base::Value prefs = ReadJson(PrefsPath());
  ASSERT_TRUE(prefs.is_dict());
  EXPECT_EQ(std::optional<bool>(true), prefs.FindBoolKey("autoupdate"));
  EXPECT_EQ(nullptr, prefs.FindKey("import_browser_data"));
  EXPECT_EQ(nullptr, prefs.FindKey("enable_stats"));
  EXPECT_EQ(nullptr, prefs.FindKey("welcome-url"));
  EXPECT_EQ(nullptr, prefs.FindKey("temp_folder"));
}

struct ComponentCase {
  const char* name;
  const wchar_t* components;
  // Installers put beside the package folder: relative path -> a real
  // program ("exe") or a file that cannot run ("text").
  std::vector<std::pair<std::wstring, std::string>> installers;
  bool upgrade;
  std::vector<std::string> expected;
};

class InstallComponentsTest : public StatusStepsTest,
                              public ::testing::WithParamInterface<ComponentCase> {};

TEST_P(InstallComponentsTest, RecordsTheComponentsThatInstalled) {
  const ComponentCase& c = GetParam();
  ScopedInstallerProcess process({L"backend", std::wstring(L"components=") + c.components});
  const base::FilePath beside = context_.package_dir().DirName();
  for (const auto& [path, kind] : c.installers) {
    const base::FilePath target = beside.Append(path);
    ASSERT_TRUE(base::CreateDirectory(target.DirName()));
    if (kind == "exe")
      ASSERT_TRUE(base::CopyFile(base::FilePath::FromUTF8Unsafe(VELTA_EXIT_ZERO_PROGRAM), target));
    else
      WriteText(target, "not a program");
  }
  if (c.upgrade) {
    context_.settings.operation = InstallOperation::kOverExistingInstallation;
    context_.folder_details.existing =
        std::make_unique<InstallationStatus>(StatusSource::kPrimary);
    context_.folder_details.existing->components.emplace_back(
        "suite", context_.install_folder().AppendASCII("suite"));
  }
  InstallComponentsStep step(&context_);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  std::vector<std::string> names;
  for (const InstallationComponent& component : context_.new_status.components) {
    names.push_back(component.name);
    EXPECT_EQ(context_.install_folder().Append(base::FilePath::FromUTF8Unsafe(component.name)),
              component.path);
  }
  EXPECT_EQ(c.expected, names);
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    InstallComponentsTest,
    ::testing::Values(
        ComponentCase{"RunsEachListedInstaller",
                      L"suite:comp|extra:more",
                      {{L"comp\\suite_installer.exe", "exe"},
                       {L"more\\extra_installer.exe", "exe"}},
                      false,
                      {"suite", "extra"}},
        // "suite" falls back to the assistant's installer, recorded as suite.
        ComponentCase{"SuiteRunsTheAssistant",
                      L"suite:comp",
                      {{L"comp\\assistant_installer.exe", "exe"}},
                      false,
                      {"suite"}},
        ComponentCase{"MissingOrFailingInstallerIsSkipped",
                      L"gone:comp|broken:comp|ok:comp",
                      {{L"comp\\broken_installer.exe", "text"}, {L"comp\\ok_installer.exe", "exe"}},
                      false,
                      {"ok"}},
        // A name or folder that leads out of its place is refused.
        ComponentCase{"UnsafeEntriesAreRefused",
                      L"..\\evil:comp|bad:..\\..|ok:comp",
                      {{L"comp\\ok_installer.exe", "exe"}, {L"bad_installer.exe", "exe"}},
                      false,
                      {"ok"}},
        // A name is UTF-8 text: its installer and folder keep every letter.
        ComponentCase{"NonAsciiName",
                      L"\u00dcbersicht:comp",
                      {{L"comp\\\u00dcbersicht_installer.exe", "exe"}},
                      false,
                      {"\xC3\x9C" "bersicht"}},
        // An upgrade carries the old list over and lists nothing twice.
        ComponentCase{"UpgradeListsNothingTwice",
                      L"suite:comp",
                      {{L"comp\\suite_installer.exe", "exe"}},
                      true,
                      {"suite"}}),
    [](const auto& info) { return info.param.name; });

TEST_F(StatusStepsTest, StatusIsWrittenAndUpdated) {
  context_.new_status.version = "1.2.3.4";
  context_.new_status.files = {base::FilePath(L"a.dll"), base::FilePath(L"b.dll")};
  WriteInstallationStatusStep write(&context_);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(write).code);
  std::unique_ptr<InstallationStatus> loaded;
  ASSERT_EQ(internal::StatusFileResult::kLoaded,
            internal::TryLoadStatusFile(context_.install_folder(), StatusSource::kPrimary, &loaded,
                                        nullptr, nullptr));
  EXPECT_EQ(context_.new_status.files, loaded->files);

  // Without an existing record a repair writes nothing: a record of the
  // copied files alone would drop the rest of the installation.
  UpdateInstallationStatusStep update_without_record(&context_);
  EXPECT_EQ(StepResult::kFailure, test::RunStep(update_without_record).code);
  ASSERT_EQ(internal::StatusFileResult::kLoaded,
            internal::TryLoadStatusFile(context_.install_folder(), StatusSource::kPrimary, &loaded,
                                        nullptr, nullptr));
  EXPECT_EQ("1.2.3.4", loaded->version);

  // A repair adds what it copied to the existing record, once.
  context_.folder_details.existing = std::move(loaded);
  context_.new_status.files = {base::FilePath(L"b.dll"), base::FilePath(L"res\\c.pak")};
  UpdateInstallationStatusStep update(&context_);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(update).code);
  ASSERT_EQ(internal::StatusFileResult::kLoaded,
            internal::TryLoadStatusFile(context_.install_folder(), StatusSource::kPrimary, &loaded,
                                        nullptr, nullptr));
  EXPECT_THAT(loaded->files, ElementsAre(base::FilePath(L"a.dll"), base::FilePath(L"b.dll"),
                                         base::FilePath(L"res\\c.pak")));
  EXPECT_EQ("1.2.3.4", loaded->version);

  // A folder that cannot take the file fails the job.
  ASSERT_TRUE(base::DeletePathRecursively(context_.install_folder()));
  WriteText(context_.install_folder(), "a file where the folder was");
  for (InstallerStep* step : std::initializer_list<InstallerStep*>{&write, &update}) {
    StepResult result = test::RunStep(*step);
    EXPECT_EQ(StepResult::kFailure, result.code);
    EXPECT_EQ("Failed saving the installation status", result.text);
  }
}

// The steps that write the status and the preferences outside the
// operations.
enum class FileWriter { kWriteStatus, kUpdateStatus, kWritePrefs };

struct WrittenFileCase {
  const char* name;
  FileWriter writer;
  // The folder holds an earlier status and preferences.
  bool earlier_files;
};

class WrittenFileRollbackTest : public StatusStepsTest,
                                public ::testing::WithParamInterface<WrittenFileCase> {};

// A run that fails after these steps leaves the folder as it found it: a
// status or preferences left behind by a failed new installation would make
// the next run take the folder for an installation.
TEST_P(WrittenFileRollbackTest, RollbackLeavesTheFolderAsItWas) {
  const WrittenFileCase& c = GetParam();
  ScopedInstallerProcess process({L"backend"});
  context_.new_status.version = "1.2.3.4";
  context_.new_status.files = {base::FilePath(L"a.dll")};
  auto existing = std::make_unique<InstallationStatus>(StatusSource::kPrimary);
  existing->version = "1.2.3.3";
  context_.folder_details.existing = std::move(existing);
  if (c.earlier_files) {
    WriteText(context_.install_folder().Append(L"installation_status.json"),
              "{\"version\": \"1.2.3.3\"}");
    WriteText(PrefsPath(), "{\"au_task_error_count\": 4}");
  }
  const auto before = test::SnapshotFolder(context_.scratch());

  std::unique_ptr<InstallerStep> step;
  switch (c.writer) {
    case FileWriter::kWriteStatus:
      step = std::make_unique<WriteInstallationStatusStep>(&context_);
      break;
    case FileWriter::kUpdateStatus:
      step = std::make_unique<UpdateInstallationStatusStep>(&context_);
      break;
    case FileWriter::kWritePrefs:
      step = std::make_unique<WriteInstallerPrefsStep>(&context_);
      break;
  }
  ASSERT_EQ(StepResult::kSuccess, test::RunStep(*step).code);
  ASSERT_NE(before, test::SnapshotFolder(context_.scratch()));
  context_.transaction.Rollback();
  EXPECT_EQ(before, test::SnapshotFolder(context_.scratch()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    WrittenFileRollbackTest,
    ::testing::Values(WrittenFileCase{"NewStatus", FileWriter::kWriteStatus, false},
                      WrittenFileCase{"RewrittenStatus", FileWriter::kWriteStatus, true},
                      WrittenFileCase{"UpdatedStatus", FileWriter::kUpdateStatus, true},
                      WrittenFileCase{"NewPrefs", FileWriter::kWritePrefs, false},
                      WrittenFileCase{"RewrittenPrefs", FileWriter::kWritePrefs, true}),
    [](const auto& info) { return std::string(info.param.name); });

struct OldStatusCase {
  const char* name;
  std::vector<const wchar_t*> files;
  // old_status cannot be made (a file of that name is in the way).
  bool blocked;
  // The file expected in old_status, or null for none.
  const wchar_t* moved;
};

class MoveOldStatusTest : public StatusStepsTest,
                          public ::testing::WithParamInterface<OldStatusCase> {};

TEST_P(MoveOldStatusTest, KeepsThePreviousStatusFile) {
  const OldStatusCase& c = GetParam();
  for (const wchar_t* file : c.files)
    WriteText(context_.install_folder().Append(file), "old");
  const base::FilePath old_status = context_.install_folder().Append(L"old_status");
  if (c.blocked)
    WriteText(old_status, "in the way");
  const auto before = test::SnapshotFolder(context_.scratch());
  const int64_t start = (base::Time::Now() - base::Time::UnixEpoch()).InSeconds();
  MoveOldStatusStep step(&context_);
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);
  if (!c.moved || c.blocked) {
    EXPECT_EQ(before, test::SnapshotFolder(context_.scratch()));
    return;
  }
  const std::vector<std::wstring> names = test::FileNamesIn(old_status);
  ASSERT_EQ(1u, names.size());
  const std::wstring prefix = std::wstring(c.moved) + L".";
  ASSERT_THAT(names[0], StartsWith(prefix));
  const int64_t seconds = std::stoll(names[0].substr(prefix.size()));
  EXPECT_GE(seconds, start);
  EXPECT_LE(seconds, start + 60);
  EXPECT_FALSE(base::PathExists(context_.install_folder().Append(c.moved)));
  context_.transaction.Rollback();
  EXPECT_EQ(before, test::SnapshotFolder(context_.scratch()));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    MoveOldStatusTest,
    ::testing::Values(
        OldStatusCase{"Json", {L"installation_status.json", L"installation_status.xml"}, false,
                      L"installation_status.json"},
        OldStatusCase{"XmlOnly", {L"installation_status.xml"}, false, L"installation_status.xml"},
        OldStatusCase{"None", {}, false, nullptr},
        OldStatusCase{"FolderCannotBeMade", {L"installation_status.json"}, true,
                      L"installation_status.json"}),
    [](const auto& info) { return info.param.name; });

// Records what the finalize step asks of the task scheduler.
class RecordingTaskScheduler : public TaskScheduler {
 public:
  RecordingTaskScheduler(std::vector<std::string>* calls, bool init, bool create)
      : calls_(calls), init_(init), create_(create) {}
  bool Init() override {
    calls_->push_back("Init");
    return init_;
  }
  bool CreateTask(const ScheduledTaskInfo& info) override {
    calls_->push_back("CreateTask " + base::WideToUTF8(info.name) + " | " +
                      base::WideToUTF8(info.command_line.GetCommandLineString()) + " | " +
                      std::to_string(info.run_as_system) + " " +
                      std::to_string(info.max_run_seconds) + " " +
                      std::to_string(static_cast<int>(info.schedule)) + " " +
                      std::to_string(info.at_logon) + std::to_string(info.network_required));
    return create_;
  }
  void DeleteStaleTasks() override { calls_->push_back("DeleteStaleTasks"); }
  void DeleteTask(const std::wstring&) override {}
  void SetDailyInterval(const std::wstring&, uint32_t) override {}
  void SetEnabled(const std::wstring&, bool) override {}
  bool RunTask(const std::wstring&, const std::vector<std::wstring>&) override { return false; }
  ScheduledTaskState GetTaskState(const std::wstring&) override {
    return ScheduledTaskState::kNotFound;
  }
  base::Time GetLastRunTime(const std::wstring&) override { return base::Time(); }

 private:
  std::vector<std::string>* const calls_;
  const bool init_;
  const bool create_;
};

struct FinalizeCase {
  const char* name;
  bool copy_only;
  bool all_users;
  bool pending_undo;
  bool administrator;
  bool task_created;
  // The error counter before, and the one expected after.
  const char* count_before;
  std::optional<int> count_after;
  // The calls expected, "" for none.
  std::vector<std::string> calls;
  size_t firewall_rules;
};

class TestContextWithUndo : public test::TestInstallerContext {
 public:
  bool HasPendingPermissionUndo() const override { return pending_undo; }
  bool pending_undo = false;
};

class FinalizeStepTest : public ::testing::TestWithParam<FinalizeCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(context_.is_valid());
    test::EnsureTaskScheduler();
  }

  base::win::ScopedCOMInitializer com_;
  TestContextWithUndo context_;
  std::vector<std::string> calls_;
  test::FakeFirewallWorld firewall_;
};

TEST_P(FinalizeStepTest, TaskFirewallAndMarker) {
  const FinalizeCase& c = GetParam();
  ScopedInstallerProcess process({L"backend"});
  context_.settings.set_option(SettingsOption::COPY_ONLY, c.copy_only);
  context_.settings.set_option(SettingsOption::ALL_USERS_FLAG, c.all_users);
  context_.pending_undo = c.pending_undo;
  context_.new_status.app_id = L"APPID";
  const base::FilePath prefs = context_.install_folder().Append(L"installer_prefs.json");
  WriteText(prefs, std::string("{\"au_task_error_count\": ") + c.count_before + "}");
  FinalizeServices services;
  services.make_task_scheduler = base::BindRepeating(
      [](std::vector<std::string>* calls, bool create) -> std::unique_ptr<TaskScheduler> {
        return std::make_unique<RecordingTaskScheduler>(calls, true, create);
      },
      &calls_, c.task_created);
  services.make_firewall_manager = base::BindRepeating(
      [](test::FakeFirewallWorld* world, const base::FilePath& path) {
        return FirewallManager::CreateWithManager(
            FirewallAppNameProvider::GetInstance(), path,
            std::make_unique<AdvancedFirewallManager>(
                test::MakeFakeFirewallPolicy(world),
                base::BindRepeating(&test::MakeFakeFirewallRule, world)));
      },
      &firewall_);
  services.is_administrator =
      base::BindRepeating([](bool administrator) { return administrator; }, c.administrator);
  FinalizeStep step(&context_, std::move(services));
  EXPECT_EQ("finalize", step.name());
  EXPECT_EQ(StepResult::kSuccess, test::RunStep(step).code);

  std::vector<std::string> expected;
  for (const std::string& call : c.calls) {
    if (call == "create") {
      // The scratch path holds no blank, so it is not quoted.
      expected.push_back("CreateTask Autoupdate APPID | " +
                         context_.install_folder().Append(L"launcher.exe").AsUTF8Unsafe() +
                         " --scheduledautoupdate $(Arg0) | " + (c.all_users ? "1" : "0") +
                         " 3600 1 11");
    } else {
      expected.push_back(call);
    }
  }
  EXPECT_EQ(expected, calls_);
  EXPECT_EQ(ReadJson(prefs).FindIntKey("au_task_error_count"), c.count_after);
  ASSERT_EQ(c.firewall_rules, firewall_.rules.size());
  if (c.firewall_rules) {
    EXPECT_EQ(context_.target_folder().Append(L"velta.exe").value(),
              firewall_.rules[0].application);
  }
  EXPECT_TRUE(base::PathExists(context_.target_folder().Append(L"done")));
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    FinalizeStepTest,
    ::testing::Values(
        FinalizeCase{"CurrentUser", false, false, false, true, true, "3", 2,
                     {"Init", "DeleteStaleTasks", "create"}, 1},
        FinalizeCase{"AllUsersWithLentAccess", false, true, true, false, true, "1", 0,
                     {"Init", "DeleteStaleTasks", "create"}, 0},
        FinalizeCase{"CurrentUserWithLentAccess", false, false, true, true, true, "3", 3, {}, 1},
        FinalizeCase{"CopyOnly", true, false, false, true, true, "3", 3, {}, 1},
        FinalizeCase{"TaskNotCreated", false, false, false, false, false, "3", 3,
                     {"Init", "DeleteStaleTasks", "create"}, 0},
        FinalizeCase{"CounterAtZero", false, false, false, false, true, "0", 0,
                     {"Init", "DeleteStaleTasks", "create"}, 0},
        FinalizeCase{"CounterNegative", false, false, false, false, true, "-2", -2,
                     {"Init", "DeleteStaleTasks", "create"}, 0},
        FinalizeCase{"CounterNotANumber", false, false, false, false, true, "\"5\"", std::nullopt,
                     {"Init", "DeleteStaleTasks", "create"}, 0}),
    [](const auto& info) { return info.param.name; });

TEST_F(StatusStepsTest, FinalizeFailsWithoutItsMarker) {
  ScopedInstallerProcess process({L"backend"});
  context_.settings.set_option(SettingsOption::COPY_ONLY, true);
  FinalizeServices services = CreateFinalizeServices();
  services.is_administrator = base::BindRepeating([] { return false; });
  FinalizeStep step(&context_, std::move(services));
  ASSERT_TRUE(base::DeletePathRecursively(context_.target_folder()));
  StepResult result = test::RunStep(step);
  EXPECT_EQ(StepResult::kFailure, result.code);
  EXPECT_EQ(1u, result.subcode);
}

}  // namespace
}  // namespace velta
