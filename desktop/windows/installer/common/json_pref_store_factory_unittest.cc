// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/json_pref_store_factory.h"

#include <wctype.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/logging.h"
#include "base/synchronization/waitable_event.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/test/scoped_log_collector.h"
#include "base/time/time.h"
#include "base/values.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using base::FilePath;
using base::JsonPrefStore;
using base::PersistentPrefStore;
using ::testing::ElementsAre;

constexpr base::TimeDelta kFactoryTestTimeout = base::TimeDelta::FromSeconds(20);
constexpr char kGood[] = "{\"welcome-url\": \"https://velta.test/\"}";
constexpr char kBackup[] = "{\"welcome-url\": \"https://backup.test/\"}";
constexpr char kCutShort[] = "{\"welcome-url\": \"https://velta.te";

// The installer's scheduler, with two threads in the pool that writes
// preference files so that two folders' runners can run at once.
class JsonPrefStoreFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    base::TaskScheduler::Create("installer");
    const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
    base::TaskScheduler::GetInstance()->Start(base::TaskScheduler::InitParams(
        one, one, one, base::SchedulerWorkerPoolParams(2, base::TimeDelta::FromSeconds(30))));
    task_runner_map_.emplace();
  }

  void TearDown() override {
    gate_.Signal();
    base::TaskScheduler::GetInstance()->JoinForTesting();
    task_runner_map_.reset();
    base::TaskScheduler::SetInstance(nullptr);
  }

  scoped_refptr<JsonPrefStore> Open(const FilePath& path) {
    return CreateJsonPrefStore(&*task_runner_map_, path);
  }

  // Waits until `folder`'s runner ran everything posted to it so far.
  void FlushFolder(const FilePath& folder) {
    base::WaitableEvent done;
    task_runner_map_->GetTaskRunner(folder)->PostTask(
        FROM_HERE, base::BindOnce(&base::WaitableEvent::Signal, base::Unretained(&done)));
    ASSERT_TRUE(done.TimedWait(kFactoryTestTimeout));
  }

  // Holds `folder`'s runner until gate_ is signalled (at the latest when the
  // test ends).
  void BlockFolder(const FilePath& folder) {
    task_runner_map_->GetTaskRunner(folder)->PostTask(
        FROM_HERE,
        base::BindOnce([](base::WaitableEvent* gate) { gate->TimedWait(kFactoryTestTimeout); },
                       base::Unretained(&gate_)));
  }

  // Writes `file` at `path` and `backup` beside it, each unless null.
  static void WriteFiles(const FilePath& path, const char* file, const char* backup) {
    if (file) {
      ASSERT_TRUE(base::WriteFile(path, std::string_view(file)));
    }
    if (backup) {
      ASSERT_TRUE(base::WriteFile(path.AddExtension(L"backup"), std::string_view(backup)));
    }
  }

  std::string ReadText(const FilePath& path) const {
    std::string contents;
    EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path;
    return contents;
  }

  std::map<std::wstring, std::string> FolderContents() const {
    std::map<std::wstring, std::string> contents;
    base::FileEnumerator files(temp_dir_.GetPath(), false, base::FileEnumerator::FILES);
    for (FilePath path = files.Next(); !path.empty(); path = files.Next())
      contents[path.BaseName().value()] = ReadText(path);
    return contents;
  }

  static std::string WelcomeUrl(JsonPrefStore* store) {
    const base::Value* url = nullptr;
    return store->GetValue("welcome-url", &url) ? url->GetString() : std::string();
  }

  base::ScopedTempDir temp_dir_;
  base::WaitableEvent gate_;
  std::optional<PrefStoreTaskRunnerMap> task_runner_map_;
};

struct BackupCase {
  const char* name;
  const wchar_t* file_name;
  // Null: no such file.
  const char* file;
  const char* backup;
  PersistentPrefStore::PrefReadError error;
  const char* welcome_url;
  // Every file of the folder afterwards, with its contents.
  std::map<std::wstring, std::string> folder;
};

class JsonPrefStoreBackupTest : public JsonPrefStoreFactoryTest,
                                public ::testing::WithParamInterface<BackupCase> {};

TEST_P(JsonPrefStoreBackupTest, DamagedFileFallsBackToItsBackup) {
  const BackupCase& test = GetParam();
  const FilePath path = temp_dir_.GetPath().Append(test.file_name);
  ASSERT_NO_FATAL_FAILURE(WriteFiles(path, test.file, test.backup));

  scoped_refptr<JsonPrefStore> store = Open(path);
  EXPECT_EQ(test.error, store->GetReadError());
  EXPECT_FALSE(store->ReadOnly());
  EXPECT_EQ(test.welcome_url, WelcomeUrl(store.get()));
  EXPECT_EQ(test.folder, FolderContents());

  // The next reader finds the same values, without falling back again.
  store = nullptr;
  store = Open(path);
  EXPECT_EQ(test.welcome_url, WelcomeUrl(store.get()));
}

const wchar_t kPrefs[] = L"installer_prefs.json";
constexpr auto kNone = PersistentPrefStore::PREF_READ_ERROR_NONE;
constexpr auto kParse = PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Files, JsonPrefStoreBackupTest, ::testing::Values(
    BackupCase{"CleanReadIsBackedUp", kPrefs, kGood, nullptr, kNone, "https://velta.test/",
               {{kPrefs, kGood}, {L"installer_prefs.json.backup", kGood}}},
    BackupCase{"CutShortFileIsRestored", kPrefs, kCutShort, kBackup, kNone, "https://backup.test/",
               {{L"installer_prefs.bad", kCutShort}, {kPrefs, kBackup},
                {L"installer_prefs.json.backup", kBackup}}},
    BackupCase{"InvalidPreferencesAreRestored", L"Preferences", "{\"welcome-url\" 1}", kBackup,
               kNone, "https://backup.test/",
               {{L"Preferences.bad", "{\"welcome-url\" 1}"}, {L"Preferences", kBackup},
                {L"Preferences.backup", kBackup}}},
    // Both damaged: each keeps its own set-aside copy.
    BackupCase{"DamagedBackupKeepsItsOwnBadCopy", L"Preferences", kCutShort, "{", kParse, "",
               {{L"Preferences.bad", kCutShort}, {L"Preferences.backup.bad", "{"}}},
    BackupCase{"LocalStateIsNotRestored", L"Local State", kCutShort, kBackup, kParse, "",
               {{L"Local State.bad", kCutShort}, {L"Local State.backup", kBackup}}},
    BackupCase{"LocalStateIsNotBackedUp", L"Local State", kGood, nullptr, kNone,
               "https://velta.test/", {{L"Local State", kGood}}},
    BackupCase{"MissingFileIsNotRestored", kPrefs, nullptr, kBackup,
               PersistentPrefStore::PREF_READ_ERROR_NO_FILE, "",
               {{L"installer_prefs.json.backup", kBackup}}}),
    [](const ::testing::TestParamInfo<BackupCase>& info) { return std::string(info.param.name); });
// clang-format on

struct HistogramCase {
  const char* name;
  const wchar_t* file_name;
  // Null: no such file.
  const char* file;
  const char* backup;
  // The verbose lines of the histograms the first read records.
  std::vector<std::string> lines;
};

class JsonPrefStoreHistogramTest : public JsonPrefStoreFactoryTest,
                                   public ::testing::WithParamInterface<HistogramCase> {};

// A backup read records whether it gave a value; a read without error the
// size it read, in whole KiB, under the name of the file it stands for.
TEST_P(JsonPrefStoreHistogramTest, RecordsEachReadInTheVerboseLog) {
  const HistogramCase& test = GetParam();
  const FilePath path = temp_dir_.GetPath().Append(test.file_name);
  ASSERT_NO_FATAL_FAILURE(WriteFiles(path, test.file, test.backup));
  const int previous_level = logging::GetMinLogLevel();
  logging::SetMinLogLevel(-1);
  std::vector<std::string> lines;
  {
    base::test::ScopedLogCollector verbose(-1);
    Open(path);
    for (const std::string& line : verbose.lines) {
      if (line.rfind("Histogram ", 0) == 0)
        lines.push_back(line);
    }
  }
  logging::SetMinLogLevel(previous_level);
  EXPECT_EQ(test.lines, lines);
}

// Over 2 KiB of preferences.
const std::string kLargePrefs = "{\"a\": \"" + std::string(2100, 'x') + "\"}";

INSTANTIATE_TEST_SUITE_P(
    Reads,
    JsonPrefStoreHistogramTest,
    ::testing::Values(
        HistogramCase{"CleanRead", kPrefs, kLargePrefs.c_str(), nullptr,
                      {"Histogram Settings.JsonDataReadSizeKilobytes.installer_prefs.json: 2"}},
        HistogramCase{"Restored", L"Preferences", kCutShort, kLargePrefs.c_str(),
                      {"Histogram Settings.RestoreFromBackupResult.Preferences.backup: 1",
                       "Histogram Settings.JsonDataReadSizeKilobytes.Preferences.backup: 2",
                       "Histogram Settings.JsonDataReadSizeKilobytes.Preferences: 2"}},
        HistogramCase{"BackupDamagedToo", L"Preferences", kCutShort, "{",
                      {"Histogram Settings.RestoreFromBackupResult.Preferences.backup: 0"}},
        HistogramCase{"LocalStateNamedWithoutSpaces", L"Local State", kGood, nullptr,
                      {"Histogram Settings.JsonDataReadSizeKilobytes.Local_State: 0"}},
        HistogramCase{"MissingFile", kPrefs, nullptr, nullptr, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(JsonPrefStoreFactoryTest, FolderSpelledAnotherWayGetsTheSameRunner) {
  const FilePath folder = temp_dir_.GetPath().Append(L"Install");
  const FilePath other = temp_dir_.GetPath().Append(L"Profile");
  scoped_refptr<base::SequencedTaskRunner> runner = task_runner_map_->GetTaskRunner(folder);
  std::wstring shouted = folder.value();
  for (wchar_t& c : shouted)
    c = static_cast<wchar_t>(towupper(c));
  EXPECT_EQ(runner, task_runner_map_->GetTaskRunner(FilePath(shouted + L"\\")));
  EXPECT_NE(runner, task_runner_map_->GetTaskRunner(other));
}

// Writes of every store in one folder land in commit order on the folder's
// runner, while another folder's writes go on beside them.
TEST_F(JsonPrefStoreFactoryTest, WritesOfOneFolderLandInOrderOnItsOwnRunner) {
  const FilePath install = temp_dir_.GetPath().Append(L"install");
  const FilePath profile = temp_dir_.GetPath().Append(L"profile");
  ASSERT_TRUE(base::CreateDirectory(install));
  ASSERT_TRUE(base::CreateDirectory(profile));
  const FilePath prefs = install.Append(L"installer_prefs.json");
  // Appended on the writing runners; read once they are flushed.
  std::vector<std::string> landed;
  auto write = [&](const FilePath& path, int step) {
    scoped_refptr<JsonPrefStore> store = Open(path);
    store->RegisterOnNextWriteSynchronousCallbacks(
        {base::OnceClosure(),
         base::BindOnce([](std::vector<std::string>* out, std::string name,
                           bool ok) { out->push_back(ok ? name : "failed"); },
                        &landed, path.BaseName().AsUTF8Unsafe() + std::to_string(step))});
    store->SetValue("step", std::make_unique<base::Value>(step), 0);
  };
  BlockFolder(install);
  write(prefs, 1);
  write(install.Append(L"installer_prefs_include.json"), 1);
  write(prefs, 2);
  write(profile.Append(L"Local State"), 1);
  FlushFolder(profile);
  EXPECT_THAT(landed, ElementsAre("Local State1"));
  EXPECT_FALSE(base::PathExists(prefs));

  gate_.Signal();
  FlushFolder(install);
  EXPECT_THAT(landed, ElementsAre("Local State1", "installer_prefs.json1",
                                  "installer_prefs_include.json1", "installer_prefs.json2"));
  EXPECT_EQ("{\"step\":2}", ReadText(prefs));
}

}  // namespace
}  // namespace velta
