// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installation/leftover_remover.h"

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/test/scoped_file_link.h"
#include "base/test/scoped_folder_link.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/run_journal.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using test::SnapshotFolder;

// When the journals of these tests were made; the parked names' seconds
// are counted from it.
constexpr time_t kJournalMade = 1765000000;

// Gives the file or folder `path` `time` as its creation and last-write
// time (Wine reports the last-write time as the creation time).
void SetTimes(const base::FilePath& path, base::Time time) {
  base::win::ScopedHandle handle(::CreateFileW(
      path.value().c_str(), FILE_WRITE_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(handle.IsValid()) << path.AsUTF8Unsafe();
  const FILETIME file_time = time.ToFileTime();
  ASSERT_TRUE(::SetFileTime(handle.Get(), &file_time, nullptr, &file_time))
      << path.AsUTF8Unsafe();
}

TEST(IsJournaledVersionFolderNameTest, AcceptsFourOrMoreNumbersWithTheTakenSuffix) {
  const struct {
    const wchar_t* name;
    bool is_version_folder;
  } kCases[] = {
      {.name = L"1.0.0.2", .is_version_folder = true},
      {.name = L"1.0.0.2_0", .is_version_folder = true},
      {.name = L"12.0.345.6_17", .is_version_folder = true},
      {.name = L"1.2.3.4.5", .is_version_folder = true},
      {.name = L"2024", .is_version_folder = false},
      {.name = L"2024_1", .is_version_folder = false},
      {.name = L"9.9.9", .is_version_folder = false},
      {.name = L"1.0.0.2_", .is_version_folder = false},
      {.name = L"1.0.0.2_x", .is_version_folder = false},
      {.name = L"1.0.0.2_0_1", .is_version_folder = false},
      {.name = L"1.0..2.3", .is_version_folder = false},
      {.name = L"1.0.0.2.", .is_version_folder = false},
      {.name = L"1.0.0.a", .is_version_folder = false},
      {.name = L"", .is_version_folder = false},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(c.is_version_folder, IsJournaledVersionFolderName(c.name)) << c.name;
}

TEST(IsParkedFileNameTest, KnowsTheNamesATransactionParksUnder) {
  const struct {
    const wchar_t* name;
    const wchar_t* origin;
  } kCases[] = {
      {.name = L"velta.dll.1765000000.old", .origin = L"velta.dll"},
      {.name = L"velta.dll.1765000000.2.old", .origin = L"velta.dll"},
      {.name = L"launcher.exe.123456789.old", .origin = L"launcher.exe"},
      {.name = L"notes.123456789.1765000000.old", .origin = L"notes.123456789"},
      {.name = L"velta.dll.old", .origin = nullptr},
      {.name = L"notes.2024.old", .origin = nullptr},
      {.name = L".1765000000.old", .origin = nullptr},
      {.name = L".1765000000.2.old", .origin = nullptr},
      {.name = L"velta.dll.1765000000", .origin = nullptr},
      {.name = L"velta.dll.1765000000.x.old", .origin = nullptr},
      {.name = L"1765000000.old", .origin = nullptr},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(c.origin != nullptr, IsParkedFileName(c.name)) << c.name;
    if (c.origin) {
      EXPECT_EQ(std::wstring_view(c.origin), ParkedFileOrigin(c.name)) << c.name;
    }
  }
}

// An installation folder as killed runs and the user leave it beside what
// the statuses record.
class LeftoverRemoverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    ASSERT_TRUE(base::CreateDirectory(Folder()));
  }

  base::FilePath Folder() const { return dir_.GetPath().Append(L"Velta"); }
  base::FilePath Outside() const { return dir_.GetPath().Append(L"outside"); }

  // Writes the file `relative` (its own path as its contents), or makes the
  // empty folder when it ends with "\".
  void Write(const std::wstring& relative) {
    const base::FilePath path = Folder().Append(relative);
    if (relative.ends_with(L'\\')) {
      ASSERT_TRUE(base::CreateDirectory(path));
      return;
    }
    ASSERT_TRUE(base::CreateDirectory(path.DirName()));
    ASSERT_TRUE(base::WriteFile(path, base::FilePath(relative).AsUTF8Unsafe()));
  }

  // A journal that a killed run left, made at kJournalMade, recording
  // `entries`, as `name`.
  void LeftJournal(const std::vector<std::wstring>& entries,
                   const wchar_t* name = L"unfinished_run.4242") {
    std::string text;
    for (const std::wstring& entry : entries)
      text += base::FilePath(entry).AsUTF8Unsafe() + "\n";
    ASSERT_TRUE(base::WriteFile(Folder().Append(name), text));
    SetTimes(Folder().Append(name), base::Time::FromTimeT(kJournalMade));
  }

  InstallationStatus Status(const std::wstring& subfolder,
                            std::vector<base::FilePath> files,
                            std::vector<base::FilePath> root_files = {}) {
    InstallationStatus status(StatusSource::kGenerated);
    status.version = "1.0.0.1";
    status.path = Folder();
    status.subfolder = base::FilePath(subfolder);
    status.files = std::move(files);
    status.root_files = std::move(root_files);
    return status;
  }

  void Run(const InstallationStatus& kept) {
    LeftoverRemover remover(Folder());
    remover.Keep(kept);
    remover.Run();
  }

  base::ScopedTempDir dir_;
};

// One entry of the folder: what lies there, what a left journal records of
// it, and whether the remover takes it away.
struct LeftoverCase {
  const wchar_t* path;
  const wchar_t* journaled;
  bool removed;
  // The journal takes it back after recording it: the run did not make it.
  bool taken_back = false;
  // Its first folder was made before the journal.
  bool older = false;
};

constexpr LeftoverCase kLeftoverCases[] = {
    // The user's own, named like version folders or parked files: never
    // touched.
    {.path = L"2024\\plan.txt", .journaled = nullptr, .removed = false},
    {.path = L"9.9.9.9\\", .journaled = nullptr, .removed = false},
    {.path = L"9.9.9.9_1\\a\\b.txt", .journaled = nullptr, .removed = false},
    {.path = L"notes.1700000000.old", .journaled = nullptr, .removed = false},
    {.path = L"User Data\\cache.1765000000.old", .journaled = nullptr, .removed = false},
    {.path = L"1.0.0.1\\notes.1765000000.old", .journaled = nullptr, .removed = false},
    // A parked name of a file that no status records, in no journal.
    {.path = L"launcher.exe.1765000001.old", .journaled = nullptr, .removed = false},
    // The user's own that a journal names, but no run of it made: not
    // named as a version folder, made before the journal, parked before it.
    {.path = L"2025\\plan.txt", .journaled = L"2025", .removed = false},
    {.path = L"2024_1\\plan.txt", .journaled = L"2024_1", .removed = false},
    {.path = L"9.9.9\\plan.txt", .journaled = L"9.9.9", .removed = false},
    {.path = L"9.9.9.8_1\\a\\b.txt", .journaled = L"9.9.9.8_1", .removed = false, .older = true},
    {.path = L"notes.1764999999.old", .journaled = L"notes.1764999999.old", .removed = false},
    {.path = L"1.0.0.1\\draft.1764999999.3.old",
     .journaled = L"1.0.0.1\\draft.1764999999.3.old",
     .removed = false},
    // The version folders a killed run made, whole.
    {.path = L"1.0.0.2\\velta.dll", .journaled = L"1.0.0.2", .removed = true},
    {.path = L"1.0.0.2_0\\locales\\de.pak", .journaled = L"1.0.0.2_0", .removed = true},
    // One that another process made just before the run would have.
    {.path = L"1.0.0.9\\theirs.txt",
     .journaled = L"1.0.0.9",
     .removed = false,
     .taken_back = true},
    // Version folders a status records stay, journaled or not: the current
    // one, an old_status record's, a parked old_status record's.
    {.path = L"1.0.0.1\\velta.dll", .journaled = L"1.0.0.1", .removed = false},
    {.path = L"1.0.0.3\\velta.dll", .journaled = L"1.0.0.3", .removed = false},
    {.path = L"1.0.0.4\\velta.dll", .journaled = nullptr, .removed = false},
    // Other folders a run made are not the remover's.
    {.path = L"assets\\logo.png", .journaled = L"assets", .removed = false},
    // What a killed run parked, but a name a status records.
    {.path = L"launcher.exe.1765000000.old",
     .journaled = L"launcher.exe.1765000000.old",
     .removed = true},
    {.path = L"1.0.0.1\\files_list.1765000000.old",
     .journaled = L"1.0.0.1\\files_list.1765000000.old",
     .removed = true},
    {.path = L"1.0.0.1\\listed.dll.1765000000.old",
     .journaled = L"1.0.0.1\\listed.dll.1765000000.old",
     .removed = false},
    // Parked copies of the files a status records, beside them: runs of
    // installers that kept no journal left those.
    {.path = L"1.0.0.1\\velta.dll.1765000000.old", .journaled = nullptr, .removed = true},
    {.path = L"1.0.0.1\\localization\\de.pak.1765000001.2.old",
     .journaled = nullptr,
     .removed = true},
    {.path = L"1.0.0.3\\velta.dll.1765000000.old", .journaled = nullptr, .removed = true},
    {.path = L"root.txt.1765000000.old", .journaled = nullptr, .removed = true},
    // The recorded files themselves.
    {.path = L"1.0.0.1\\localization\\de.pak", .journaled = nullptr, .removed = false},
    {.path = L"root.txt", .journaled = nullptr, .removed = false},
    // ...but not while the recorded file is missing: it is then the only
    // copy.
    {.path = L"1.0.0.1\\gone.dll.1765000000.old", .journaled = nullptr, .removed = false},
};

TEST_F(LeftoverRemoverTest, RemovesOnlyWhatARunRecordedAndNoStatusKeeps) {
  std::vector<std::wstring> journal;
  for (const LeftoverCase& c : kLeftoverCases) {
    Write(c.path);
    if (c.journaled)
      journal.push_back(c.journaled);
    if (c.taken_back)
      journal.push_back(std::wstring(L"not ours:") + c.journaled);
  }
  for (const LeftoverCase& c : kLeftoverCases) {
    if (c.older) {
      SetTimes(Folder().Append(base::FilePath(c.path).GetComponents()[0]),
               base::Time::FromTimeT(kJournalMade - 1));
    }
  }
  // What the journal records but the run never made or has gone since.
  journal.push_back(L"1.0.0.8");
  journal.push_back(L"gone.dll.1765000000.old");
  LeftJournal(journal);
  const base::FilePath old_status = Folder().Append(kOldStatusFolderName);
  ASSERT_TRUE(base::CreateDirectory(old_status));
  ASSERT_TRUE(WriteInstallationStatusJson(Status(L"1.0.0.3", {base::FilePath(L"velta.dll")}),
                                          old_status.Append(L"installation_status.json.3")));
  ASSERT_TRUE(WriteInstallationStatusJson(
      Status(L"1.0.0.4", {}), old_status.Append(L"installation_status.json.4.1765000000.old")));

  Run(Status(L"1.0.0.1",
             {base::FilePath(L"velta.dll"), base::FilePath(L"localization\\de.pak"),
              base::FilePath(L"listed.dll.1765000000.old"), base::FilePath(L"gone.dll")},
             {base::FilePath(L"root.txt")}));

  for (const LeftoverCase& c : kLeftoverCases) {
    const base::FilePath path = Folder().Append(c.path);
    EXPECT_NE(c.removed, base::PathExists(path)) << c.path;
    if (!c.removed && !std::wstring_view(c.path).ends_with(L'\\')) {
      EXPECT_EQ(base::FilePath(c.path).AsUTF8Unsafe(), test::ReadText(path)) << c.path;
    }
  }
  for (const wchar_t* folder : {L"1.0.0.2", L"1.0.0.2_0"})
    EXPECT_FALSE(base::PathExists(Folder().Append(folder))) << folder;
  EXPECT_FALSE(base::PathExists(Folder().Append(L"unfinished_run.4242")));
  EXPECT_EQ(2u, SnapshotFolder(old_status).size());
}

// The journal of a run that still goes (another process of the same
// installation) is not read; what cannot go yet (in use) keeps its journal
// for the run after.
TEST_F(LeftoverRemoverTest, LeavesJournalsOfLivingRunsAndOfWhatCannotGoYet) {
  Write(L"1.0.0.2\\velta.dll");
  Write(L"1.0.0.7\\velta.dll");
  LeftJournal({L"1.0.0.2"});
  RunJournal living;
  living.Start(Folder());
  ASSERT_TRUE(living.Record(Folder().Append(L"1.0.0.7")));
  base::win::ScopedHandle held(
      ::CreateFileW(Folder().Append(L"1.0.0.2\\velta.dll").value().c_str(), GENERIC_READ,
                    FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.IsValid());

  Run(Status(L"1.0.0.1", {}));
  EXPECT_TRUE(base::PathExists(Folder().Append(L"1.0.0.7\\velta.dll")));
  EXPECT_TRUE(base::PathExists(Folder().Append(L"1.0.0.2\\velta.dll")));
  EXPECT_TRUE(base::PathExists(Folder().Append(L"unfinished_run.4242")));

  held.Close();
  living.Close();
  Run(Status(L"1.0.0.1", {}));
  EXPECT_FALSE(base::PathExists(Folder().Append(L"1.0.0.2")));
  EXPECT_THAT(test::FileNamesIn(Folder()), ElementsAre(L"1.0.0.7"));
}

// A parked copy of a recorded file stays while another run still goes in
// the folder (it holds its journal as a run does): that run may be parking
// the file right now. The journals of this process's own run (its own, and
// those of the processes it was started from) do not count.
TEST_F(LeftoverRemoverTest, LeavesParkedCopiesWhileAnotherRunGoes) {
  Write(L"1.0.0.1\\velta.dll");
  Write(L"1.0.0.1\\velta.dll.1765000000.old");
  RunJournal own;
  own.Start(Folder());
  ASSERT_TRUE(own.Record(Folder().Append(L"1.0.0.7")));
  const base::FilePath other = Folder().Append(L"unfinished_run.999999");
  base::File living(other, base::File::FLAG_CREATE | base::File::FLAG_WRITE |
                               base::File::FLAG_EXCLUSIVE_WRITE);
  ASSERT_TRUE(living.IsValid());

  Run(Status(L"1.0.0.1", {base::FilePath(L"velta.dll")}));
  EXPECT_TRUE(base::PathExists(Folder().Append(L"1.0.0.1\\velta.dll.1765000000.old")));

  living.Close();
  ASSERT_TRUE(base::DeleteFile(other));
  Run(Status(L"1.0.0.1", {base::FilePath(L"velta.dll")}));
  EXPECT_FALSE(base::PathExists(Folder().Append(L"1.0.0.1\\velta.dll.1765000000.old")));
}

// A journal file that no run of ours can have left is left alone, and so is
// all it names.
enum class UntrustedJournal {
  // Owned by another user (through the fake: Wine reads every owner as the
  // current user).
  kOtherUsers,
  // A second name of a file (a hard link): its contents are another file's.
  kSecondName,
  // A symbolic link to a file elsewhere (under Wine a Unix symbolic link,
  // which Wine shows as a plain file: only its path tells).
  kLink,
};

class LeftoverRemoverUntrustedJournalTest
    : public LeftoverRemoverTest,
      public ::testing::WithParamInterface<UntrustedJournal> {};

TEST_P(LeftoverRemoverUntrustedJournalTest, LeavesTheJournalAndAllItNames) {
  Write(L"1.0.0.2\\velta.dll");
  Write(L"notes.1765000001.old");
  const base::FilePath journal = Folder().Append(L"unfinished_run.4242");
  std::optional<test::ScopedFileLink> link;
  FakeSecurityUtils security;
  base::ProcessWide<SecurityUtils>::ScopedOverride override_security(&security);
  switch (GetParam()) {
    case UntrustedJournal::kOtherUsers:
      LeftJournal({L"1.0.0.2", L"notes.1765000001.old"});
      security.SetForeignOwner(journal.value());
      break;
    case UntrustedJournal::kSecondName:
    case UntrustedJournal::kLink: {
      ASSERT_TRUE(base::CreateDirectory(Outside()));
      const base::FilePath file = Outside().Append(L"list.txt");
      ASSERT_TRUE(base::WriteFile(file, "1.0.0.2\nnotes.1765000001.old\n"));
      SetTimes(file, base::Time::FromTimeT(kJournalMade));
      if (GetParam() == UntrustedJournal::kSecondName) {
        ASSERT_TRUE(::CreateHardLinkW(journal.value().c_str(), file.value().c_str(), nullptr));
      } else {
        link.emplace(journal, file);
        ASSERT_TRUE(link->is_valid());
      }
      break;
    }
  }
  const std::map<std::wstring, std::string> before = SnapshotFolder(Folder());

  const std::map<std::wstring, std::string> outside = SnapshotFolder(Outside());

  Run(Status(L"1.0.0.1", {}));
  EXPECT_EQ(before, SnapshotFolder(Folder()));
  EXPECT_EQ(outside, SnapshotFolder(Outside()));
}

INSTANTIATE_TEST_SUITE_P(Shapes,
                         LeftoverRemoverUntrustedJournalTest,
                         ::testing::Values(UntrustedJournal::kOtherUsers,
                                           UntrustedJournal::kSecondName,
                                           UntrustedJournal::kLink));

// A folder that a link (a junction or symbolic link) replaced leads to
// another place: nothing there is removed, neither parked copies of the
// recorded files through it, nor what a journal names through it, nor what
// a link inside a removed version folder leads to. (Under Wine the link is
// a Unix symbolic link: see ScopedFolderLink.)
TEST_F(LeftoverRemoverTest, NeverRemovesThroughALink) {
  ASSERT_TRUE(base::CreateDirectory(Outside()));
  for (const wchar_t* name : {L"de.pak", L"de.pak.1765000000.old", L"x.dll.1765000000.old"})
    ASSERT_TRUE(base::WriteFile(Outside().Append(name), "someone else's"));
  const std::map<std::wstring, std::string> outside = SnapshotFolder(Outside());
  Write(L"1.0.0.1\\velta.dll");
  Write(L"1.0.0.6\\velta.dll");
  const test::ScopedFolderLink links[] = {
      {Folder().Append(L"1.0.0.1\\localization"), Outside()},
      {Folder().Append(L"linked"), Outside()},
      {Folder().Append(L"1.0.0.6\\localization"), Outside()},
  };
  for (const test::ScopedFolderLink& link : links)
    ASSERT_TRUE(link.is_valid());
  LeftJournal({L"linked\\x.dll.1765000000.old", L"1.0.0.6"});

  Run(Status(L"1.0.0.1", {base::FilePath(L"velta.dll"), base::FilePath(L"localization\\de.pak")}));
  EXPECT_EQ(outside, SnapshotFolder(Outside()));
  EXPECT_FALSE(base::PathExists(Folder().Append(L"1.0.0.6\\velta.dll")));
}

}  // namespace
}  // namespace velta
