// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/run_journal.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/string_split.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/run_journal_format.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::MatchesRegex;
using test::ReadText;
using test::TestArchive;
using test::WriteText;

class RunJournalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    folder_ = dir_.GetPath().Append(L"Velta");
    outside_ = dir_.GetPath().Append(L"outside");
    ASSERT_TRUE(base::CreateDirectory(folder_));
    ASSERT_TRUE(base::CreateDirectory(outside_));
  }

  void Execute(std::unique_ptr<Operation> operation) {
    std::string error;
    ASSERT_TRUE(transaction_.Execute(operation, &error)) << error;
  }

  // The journal's lines as the run has written them so far.
  std::vector<std::string> Lines() {
    return base::SplitString(ReadText(factory_.run_journal()->path()), "\n",
                             base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
  }

  base::ScopedTempDir dir_;
  base::FilePath folder_;
  base::FilePath outside_;
  OperationFactory factory_;
  Transaction transaction_;
  LzmaUtil unpacker_;
};

// Each folder an operation makes below the journal's folder (the version
// folder an unpack makes too) and each name a file is parked under is
// recorded before it happens; what lies elsewhere, or comes before Start,
// is not. A run that still goes keeps its journal from being read as left.
TEST_F(RunJournalTest, RecordsWhatTheRunBeginsInItsFolder) {
  WriteText(folder_.Append(L"launcher.exe"), "old");
  WriteText(outside_.Append(L"other.txt"), "other");
  Execute(factory_.CreateCreateFolder(folder_.Append(L"before")));
  EXPECT_TRUE(factory_.run_journal()->path().empty());

  factory_.run_journal()->Start(folder_);
  Execute(factory_.CreateCreateFolder(folder_.Append(L"1.0\\sub")));
  Execute(factory_.CreateUnpackArchive(TestArchive(L"crafted\\copy_two_files.7z"),
                                       folder_.Append(L"2.0"), &unpacker_, nullptr));
  Execute(factory_.CreateCopyFile(outside_.Append(L"other.txt"), folder_.Append(L"launcher.exe")));
  Execute(factory_.CreateDeleteFile(outside_.Append(L"other.txt"), ProgramInUse::kDelete,
                                    EmptyParents::kKeep));
  Execute(factory_.CreateCreateFolder(outside_.Append(L"made")));

  const base::FilePath journal = factory_.run_journal()->path();
  EXPECT_TRUE(IsRunJournalName(journal.BaseName().value())) << journal;
  EXPECT_EQ(folder_, journal.DirName());
  EXPECT_THAT(Lines(), ElementsAre("1.0", "1.0\\sub", "2.0",
                                   MatchesRegex(R"(launcher\.exe\.\d+\.old)")));
  EXPECT_EQ(LeftRunJournal::State::kHeld,
            ReadLeftRunJournal(journal, SecurityUtils::GetInstance()).state);

  factory_.run_journal()->Close();
  EXPECT_FALSE(base::PathExists(journal));
  // A later record starts a new journal.
  Execute(factory_.CreateCreateFolder(folder_.Append(L"3.0")));
  EXPECT_THAT(Lines(), ElementsAre("3.0"));
}

// A folder the run did not make after all (a file, or another process's
// folder, came first) is taken back, so that a later run leaves it.
TEST_F(RunJournalTest, TakesBackAFolderItCouldNotMake) {
  WriteText(folder_.Append(L"2.0"), "the user's");
  factory_.run_journal()->Start(folder_);
  std::unique_ptr<Operation> create = factory_.CreateCreateFolder(folder_.Append(L"2.0\\sub"));
  std::string error;
  EXPECT_FALSE(transaction_.Execute(create, &error));
  Execute(factory_.CreateCreateFolder(folder_.Append(L"3.0")));

  EXPECT_THAT(Lines(), ElementsAre("2.0", "not ours:2.0", "3.0"));
  EXPECT_THAT(ParseRunJournal(ReadText(factory_.run_journal()->path())),
              ElementsAre(base::FilePath(L"3.0")));
}

// A name a file could not be parked under (the file is held without delete
// sharing) is taken back as well.
TEST_F(RunJournalTest, TakesBackANameNothingWasParkedUnder) {
  const base::FilePath held = folder_.Append(L"velta.dll");
  WriteText(held, "in use");
  base::win::ScopedHandle handle(::CreateFileW(held.value().c_str(), GENERIC_READ,
                                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                               nullptr));
  ASSERT_TRUE(handle.IsValid());
  factory_.run_journal()->Start(folder_);
  std::unique_ptr<Operation> park =
      factory_.CreateDeleteFile(held, ProgramInUse::kDelete, EmptyParents::kKeep);
  std::string error;
  EXPECT_FALSE(transaction_.Execute(park, &error));

  EXPECT_THAT(Lines(), ElementsAre(MatchesRegex(R"(velta\.dll\.\d+\.old)"),
                                   MatchesRegex(R"(not ours:velta\.dll\.\d+\.old)")));
  EXPECT_THAT(ParseRunJournal(ReadText(factory_.run_journal()->path())), IsEmpty());
}

// A rollback removes the folders the run made only while they are empty:
// one that still holds a file (which could not be deleted) stays, and the
// journal that names it stays for the next run, which reads it as left.
// With every made folder gone, the journal goes too.
TEST_F(RunJournalTest, FolderARollbackCannotRemoveKeepsTheJournal) {
  for (const bool leave_a_file : {false, true}) {
    SCOPED_TRACE(leave_a_file);
    const base::FilePath version = folder_.Append(leave_a_file ? L"2.0" : L"1.0");
    factory_.run_journal()->Start(folder_);
    Execute(factory_.CreateCreateFolder(version.Append(L"sub")));
    const base::FilePath journal = factory_.run_journal()->path();
    if (leave_a_file)
      WriteText(version.Append(L"sub\\left.dll"), "part of a copy");
    transaction_.Rollback();
    factory_.run_journal()->Close();

    EXPECT_EQ(leave_a_file, base::PathExists(version.Append(L"sub\\left.dll")));
    EXPECT_EQ(leave_a_file, base::PathExists(journal));
    if (leave_a_file) {
      const LeftRunJournal left = ReadLeftRunJournal(journal, SecurityUtils::GetInstance());
      EXPECT_EQ(LeftRunJournal::State::kRead, left.state);
      EXPECT_THAT(left.entries,
                  ElementsAre(base::FilePath(L"2.0"), base::FilePath(L"2.0\\sub")));
    }
  }
}

// A journal that an ended run left is read back with the entries that stay
// inside its folder.
TEST_F(RunJournalTest, LeftJournalKeepsOnlyEntriesInsideItsFolder) {
  const base::FilePath journal = folder_.Append(L"unfinished_run.4242");
  WriteText(journal,
            "1.0.0.2\n..\\outside\nC:\\Windows\n1.0.0.1\\velta.dll.1765000000.old\r\n\n");
  const LeftRunJournal left = ReadLeftRunJournal(journal, SecurityUtils::GetInstance());
  EXPECT_EQ(LeftRunJournal::State::kRead, left.state);
  EXPECT_THAT(left.entries, ElementsAre(base::FilePath(L"1.0.0.2"),
                                        base::FilePath(L"1.0.0.1\\velta.dll.1765000000.old")));
  for (const wchar_t* name : {L"unfinished_run.4242", L"unfinished_run.4242.3"})
    EXPECT_TRUE(IsRunJournalName(name)) << name;
  for (const wchar_t* name : {L"unfinished_run.", L"unfinished_run.txt", L"unfinished_run.1.2.3",
                              L"unfinished_run.1.", L"my_unfinished_run.1"}) {
    EXPECT_FALSE(IsRunJournalName(name)) << name;
  }
}

}  // namespace
}  // namespace velta
