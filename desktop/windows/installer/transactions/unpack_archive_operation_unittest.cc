// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/unpack_archive_operation.h"

#include <windows.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/lzma_util/recording_unpack_progress_delegate.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_delegate.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta {
namespace {

using ::testing::IsEmpty;
using ::testing::StartsWith;
using test::IsReadOnly;
using test::ReadText;
using test::SnapshotFolder;
using test::TestArchive;
using test::WriteText;

// Unpacks for real, then marks every written file read-only, as an archive
// that stores that attribute would leave them.
class ReadOnlyUnpacker : public LzmaUtil {
 public:
  int Unpack(const base::FilePath& location,
             const std::set<base::FilePath>& wanted,
             UnpackProgressDelegate* delegate,
             std::vector<base::FilePath>* files,
             std::vector<base::FilePath>* folders) override {
    const int result = LzmaUtil::Unpack(location, wanted, delegate, files, folders);
    for (const base::FilePath& file : *files) {
      ::SetFileAttributesW(file.value().c_str(),
                           ::GetFileAttributesW(file.value().c_str()) | FILE_ATTRIBUTE_READONLY);
    }
    return result;
  }
};

class UnpackArchiveOperationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    root_ = temp_dir_.GetPath();
  }

  base::FilePath Dir(const wchar_t* relative) const { return root_.Append(relative); }

  bool Unpack(const base::FilePath& archive,
              const base::FilePath& destination,
              std::string* error,
              UnpackProgressDelegate* delegate = nullptr) {
    std::unique_ptr<Operation> unpack =
        factory_.CreateUnpackArchive(archive, destination, &unpacker_, delegate);
    return transaction_.Execute(unpack, error);
  }

  // Unpacks in a transaction of its own and commits.
  void UnpackAndCommit(const base::FilePath& archive, const base::FilePath& destination) {
    Transaction transaction;
    std::unique_ptr<Operation> unpack =
        factory_.CreateUnpackArchive(archive, destination, &unpacker_, nullptr);
    std::string error;
    ASSERT_TRUE(transaction.Execute(unpack, &error)) << error;
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath root_;
  OperationFactory factory_;
  LzmaUtil unpacker_;
  Transaction transaction_;
};

// The folders of the archives' tree that exist before: an empty folder above
// the destination, the empty destination, and empty folders inside it that
// the archive also holds. Rolling back removes none of them.
class UnpackArchiveRollbackTest : public UnpackArchiveOperationTest,
                                  public ::testing::WithParamInterface<const wchar_t*> {};

TEST_P(UnpackArchiveRollbackTest, LeavesPreExistingEmptyFoldersAndFiles) {
  ASSERT_TRUE(base::CreateDirectory(Dir(L"above\\dest\\empty_folder")));
  ASSERT_TRUE(base::CreateDirectory(Dir(L"above\\dest\\nested\\a")));
  ASSERT_TRUE(base::CreateDirectory(Dir(L"above\\dest\\data")));
  WriteText(Dir(L"beside.txt"), "beside");
  const auto before = SnapshotFolder(root_);

  std::string error;
  ASSERT_TRUE(Unpack(TestArchive(GetParam()), Dir(L"above\\dest"), &error)) << error;
  EXPECT_EQ(1u, transaction_.size());  // The destination existed.
  EXPECT_EQ("deep\n", ReadText(Dir(L"above\\dest\\nested\\a\\b\\c\\d\\deep.txt")));
  EXPECT_EQ(200000u, ReadText(Dir(L"above\\dest\\data\\zeros.bin")).size());

  transaction_.Rollback();
  EXPECT_EQ(before, SnapshotFolder(root_));
}

INSTANTIATE_TEST_SUITE_P(Archives,
                         UnpackArchiveRollbackTest,
                         ::testing::Values(L"good\\lzma2.7z",
                                           L"good\\lzma_nonsolid.7z",
                                           L"good\\bcj2.7z",
                                           L"good\\copy_plain_header.7z"));

TEST_F(UnpackArchiveOperationTest, RollbackLeavesFilesThatWereThere) {
  const base::FilePath dest = Dir(L"dest");
  ASSERT_TRUE(base::CreateDirectory(dest.Append(L"nested")));
  WriteText(dest.Append(L"keep.txt"), "mine");
  WriteText(dest.Append(L"nested\\keep.txt"), "mine too");
  const auto before = SnapshotFolder(root_);

  std::string error;
  ASSERT_TRUE(Unpack(TestArchive(L"good\\lzma2.7z"), dest, &error)) << error;
  EXPECT_EQ("mine too", ReadText(dest.Append(L"nested\\keep.txt")));
  transaction_.Rollback();
  EXPECT_EQ(before, SnapshotFolder(root_));
}

TEST_F(UnpackArchiveOperationTest, MissingParentsAreCreatedAndRolledBack) {
  const auto before = SnapshotFolder(root_);
  const base::FilePath dest = Dir(L"a\\b\\dest");
  std::string error;
  ASSERT_TRUE(Unpack(TestArchive(L"good\\lzma2.7z"), dest, &error)) << error;
  EXPECT_EQ(2u, transaction_.size());  // The folder creation, then the unpack.
  EXPECT_EQ(SnapshotFolder(TestArchive(L"expected\\lzma2")), SnapshotFolder(dest));
  transaction_.Rollback();
  EXPECT_EQ(before, SnapshotFolder(root_));
}

// Destroying the transaction commits: the unpacked tree stays, identical to
// what 7zz extracts, with no temporary file of the unpacker left in it.
TEST_F(UnpackArchiveOperationTest, CommitKeepsTheUnpackedFiles) {
  const base::FilePath dest = Dir(L"a\\dest");
  UnpackAndCommit(TestArchive(L"good\\bcj_lzma2.7z"), dest);
  EXPECT_EQ(SnapshotFolder(TestArchive(L"expected\\bcj_lzma2")), SnapshotFolder(dest));
  // The operation closed the archive: it can be replaced.
  const base::FilePath copy = Dir(L"copy.7z");
  ASSERT_TRUE(base::CopyFile(TestArchive(L"good\\copy.7z"), copy));
  LzmaUtil unpacker;
  std::unique_ptr<Operation> unpack =
      factory_.CreateUnpackArchive(copy, Dir(L"second"), &unpacker, nullptr);
  std::string error;
  ASSERT_TRUE(transaction_.Execute(unpack, &error)) << error;
  EXPECT_TRUE(base::DeleteFile(copy));
}

TEST_F(UnpackArchiveOperationTest, ProgressReachesTheDelegate) {
  test::RecordingUnpackProgressDelegate delegate;
  std::string error;
  ASSERT_TRUE(Unpack(TestArchive(L"good\\lzma2.7z"), Dir(L"dest"), &error, &delegate)) << error;
  // One call per entry, files and folders alike.
  const size_t entries = SnapshotFolder(TestArchive(L"expected\\lzma2")).size();
  ASSERT_EQ(std::vector<int>{static_cast<int>(entries)}, delegate.totals);
  ASSERT_EQ(entries, delegate.indices.size());
  for (size_t i = 0; i < entries; ++i)
    EXPECT_EQ(static_cast<int>(i), delegate.indices[i]);
}

TEST_F(UnpackArchiveOperationTest, ClearsReadOnlyAndRollsBackReadOnlyFiles) {
  ReadOnlyUnpacker unpacker;
  const base::FilePath dest = Dir(L"dest");
  std::unique_ptr<Operation> unpack =
      factory_.CreateUnpackArchive(TestArchive(L"crafted\\copy_two_files.7z"), dest, &unpacker,
                                   nullptr);
  std::string error;
  ASSERT_TRUE(transaction_.Execute(unpack, &error)) << error;
  EXPECT_EQ("first file", ReadText(dest.Append(L"ok\\one.txt")));
  EXPECT_FALSE(IsReadOnly(dest.Append(L"ok\\one.txt")));
  EXPECT_FALSE(IsReadOnly(dest.Append(L"ok\\two.txt")));
  transaction_.Rollback();
  EXPECT_THAT(SnapshotFolder(root_), IsEmpty());
}

// Every byte value, so that a restored file is checked byte for byte.
std::string AllBytes(const std::string& prefix) {
  std::string bytes = prefix;
  for (int i = 0; i < 256; ++i)
    bytes += static_cast<char>(i);
  return bytes;
}

void SetReadOnly(const base::FilePath& path) {
  ASSERT_TRUE(::SetFileAttributesW(path.value().c_str(),
                                   ::GetFileAttributesW(path.value().c_str()) |
                                       FILE_ATTRIBUTE_READONLY));
}

// Files at the entries' paths (one read-only) are parked before the unpack
// overwrites them: a rollback puts them back as they were, a commit deletes
// them and leaves no ".old" file.
TEST_F(UnpackArchiveOperationTest, RollbackPutsOverwrittenFilesBack) {
  const base::FilePath dest = Dir(L"dest");
  ASSERT_TRUE(base::CreateDirectory(dest.Append(L"ok")));
  WriteText(dest.Append(L"ok\\one.txt"), AllBytes("previous one"));
  WriteText(dest.Append(L"ok\\two.txt"), AllBytes("previous two"));
  SetReadOnly(dest.Append(L"ok\\two.txt"));
  WriteText(dest.Append(L"ok\\mine.txt"), "not in the archive");
  const auto before = SnapshotFolder(root_);
  ASSERT_EQ(AllBytes("previous two") + " [ro]", before.at(L"dest/ok/two.txt"));

  std::string error;
  ASSERT_TRUE(Unpack(TestArchive(L"crafted\\copy_two_files.7z"), dest, &error)) << error;
  EXPECT_EQ(3u, transaction_.size());  // Two parkings, then the unpack.
  EXPECT_EQ("first file", ReadText(dest.Append(L"ok\\one.txt")));
  EXPECT_EQ("second", ReadText(dest.Append(L"ok\\two.txt")));
  EXPECT_FALSE(IsReadOnly(dest.Append(L"ok\\two.txt")));

  transaction_.Rollback();
  EXPECT_EQ(before, SnapshotFolder(root_));
}

// Parks with the real operations and keeps the names each parking must
// avoid.
class ParkRecordingFactory : public OperationFactory {
 public:
  std::unique_ptr<Operation> CreateParkFile(const base::FilePath& path,
                                            std::vector<base::FilePath> names_to_avoid) override {
    parked.push_back(path);
    avoided.push_back(names_to_avoid);
    return OperationFactory::CreateParkFile(path, std::move(names_to_avoid));
  }

  std::vector<base::FilePath> parked;
  std::vector<std::vector<base::FilePath>> avoided;
};

TEST_F(UnpackArchiveOperationTest, ParkedNamesAvoidEveryEntryOfTheArchive) {
  const base::FilePath dest = Dir(L"dest");
  ASSERT_TRUE(base::CreateDirectory(dest.Append(L"ok")));
  WriteText(dest.Append(L"ok\\one.txt"), "previous one");
  ParkRecordingFactory factory;
  std::unique_ptr<Operation> unpack = factory.CreateUnpackArchive(
      TestArchive(L"crafted\\copy_two_files.7z"), dest, &unpacker_, nullptr);
  std::string error;
  ASSERT_TRUE(transaction_.Execute(unpack, &error)) << error;
  ASSERT_THAT(factory.parked, ::testing::ElementsAre(dest.Append(L"ok\\one.txt")));
  EXPECT_THAT(factory.avoided[0],
              ::testing::IsSupersetOf({dest.Append(L"ok\\one.txt"), dest.Append(L"ok\\two.txt")}));
  transaction_.Rollback();
  EXPECT_EQ("previous one", ReadText(dest.Append(L"ok\\one.txt")));
}

TEST_F(UnpackArchiveOperationTest, CommitReplacesOverwrittenFilesAndLeavesNoParkedOnes) {
  const base::FilePath dest = Dir(L"dest");
  ASSERT_TRUE(base::CreateDirectory(dest.Append(L"ok")));
  WriteText(dest.Append(L"ok\\one.txt"), AllBytes("previous one"));
  SetReadOnly(dest.Append(L"ok\\one.txt"));
  UnpackAndCommit(TestArchive(L"crafted\\copy_two_files.7z"), dest);
  EXPECT_EQ((std::map<std::wstring, std::string>{
                {L"ok/", "dir"},
                {L"ok/one.txt", "first file"},
                {L"ok/two.txt", "second"},
            }),
            SnapshotFolder(dest));
}

// A whole tree unpacked over an earlier unpack of it whose files all
// changed: every file comes back on rollback, none is left parked on commit.
TEST_F(UnpackArchiveOperationTest, UnpackOverAWholeEarlierTree) {
  const base::FilePath dest = Dir(L"dest");
  {
    LzmaUtil unpacker;
    ASSERT_EQ(LzmaUtil::kOpenSuccess, unpacker.Open(TestArchive(L"good\\lzma2.7z")));
    std::vector<base::FilePath> files;
    ASSERT_EQ(LzmaUtil::kUnpackSuccess, unpacker.Unpack(dest, {}, nullptr, &files, nullptr));
    ASSERT_GT(files.size(), 3u);
    for (const base::FilePath& file : files)
      WriteText(file, AllBytes(file.BaseName().AsUTF8Unsafe()));
    SetReadOnly(files[0]);
  }
  const auto before = SnapshotFolder(root_);
  const auto expected = SnapshotFolder(TestArchive(L"expected\\lzma2"));

  std::string error;
  ASSERT_TRUE(Unpack(TestArchive(L"good\\lzma2.7z"), dest, &error)) << error;
  // The new tree, beside the parked previous files until the commit.
  const auto unpacked = SnapshotFolder(dest);
  for (const auto& [path, contents] : expected) {
    ASSERT_EQ(1u, unpacked.count(path)) << path;
    EXPECT_EQ(contents, unpacked.at(path)) << path;
  }
  transaction_.Rollback();
  EXPECT_EQ(before, SnapshotFolder(root_));

  UnpackAndCommit(TestArchive(L"good\\lzma2.7z"), dest);
  EXPECT_EQ(expected, SnapshotFolder(dest));
}

// What the destination holds clashes with an entry: the operation fails
// before anything is parked or written.
struct ClashCase {
  const char* name;
  const wchar_t* archive;
  // A file at an entry's path that would have been parked; may be null.
  const wchar_t* parkable;
  // Made inside the destination as a file, or as a folder.
  const wchar_t* in_the_way;
  bool is_folder;
  const char* error;
};

class UnpackArchiveClashTest : public UnpackArchiveOperationTest,
                               public ::testing::WithParamInterface<ClashCase> {};

TEST_P(UnpackArchiveClashTest, FailsBeforeWritingAnything) {
  const ClashCase& clash = GetParam();
  const base::FilePath dest = Dir(L"dest");
  if (clash.parkable) {
    ASSERT_TRUE(base::CreateDirectory(dest.Append(clash.parkable).DirName()));
    WriteText(dest.Append(clash.parkable), "previous");
  }
  const base::FilePath in_the_way = dest.Append(clash.in_the_way);
  if (clash.is_folder) {
    ASSERT_TRUE(base::CreateDirectory(in_the_way));
  } else {
    ASSERT_TRUE(base::CreateDirectory(in_the_way.DirName()));
    WriteText(in_the_way, "in the way");
  }
  const auto before = SnapshotFolder(root_);

  std::string error;
  EXPECT_FALSE(Unpack(TestArchive(clash.archive), dest, &error));
  EXPECT_EQ(clash.error + in_the_way.AsUTF8Unsafe(), error);
  EXPECT_TRUE(transaction_.empty());
  EXPECT_EQ(before, SnapshotFolder(root_));
}

constexpr char kFileInTheWay[] = "Cannot unpack the archive: a file is in the way of the folder ";
constexpr char kFolderInTheWay[] = "Cannot unpack the archive: a folder is in the way of the file ";

INSTANTIATE_TEST_SUITE_P(
    Entries,
    UnpackArchiveClashTest,
    ::testing::Values(
        // A file where the archive's folders go: a folder entry, a folder
        // between the destination and deeper entries, or a folder that is
        // only the parent of file entries (this archive lists no folders).
        ClashCase{"FolderEntry", L"good\\lzma2.7z", L"readme.txt", L"empty_folder", false,
                  kFileInTheWay},
        ClashCase{"DeepFolder", L"good\\lzma2.7z", L"readme.txt", L"nested\\a\\b", false,
                  kFileInTheWay},
        ClashCase{"ParentOfFiles", L"crafted\\copy_two_files.7z", nullptr, L"ok", false,
                  kFileInTheWay},
        // A folder where a file entry goes.
        ClashCase{"FileEntry", L"crafted\\copy_two_files.7z", L"ok\\one.txt", L"ok\\two.txt",
                  true, kFolderInTheWay},
        ClashCase{"LargeFileEntry", L"good\\lzma2.7z", L"readme.txt", L"data\\zeros.bin", true,
                  kFolderInTheWay}),
    [](const ::testing::TestParamInfo<ClashCase>& info) { return info.param.name; });

// A file in the way that cannot be moved (held open without sharing its
// deletion) fails the operation; the files parked before it come back.
TEST_F(UnpackArchiveOperationTest, FileThatCannotBeParkedFailsAndRestoresTheOthers) {
  const base::FilePath dest = Dir(L"dest");
  ASSERT_TRUE(base::CreateDirectory(dest.Append(L"ok")));
  WriteText(dest.Append(L"ok\\one.txt"), "previous one");
  WriteText(dest.Append(L"ok\\two.txt"), "previous two");
  const auto before = SnapshotFolder(root_);
  HANDLE held = ::CreateFileW(dest.Append(L"ok\\two.txt").value().c_str(), GENERIC_READ,
                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);

  std::string error;
  EXPECT_FALSE(Unpack(TestArchive(L"crafted\\copy_two_files.7z"), dest, &error));
  ::CloseHandle(held);
  EXPECT_THAT(error, ::testing::HasSubstr("Cannot move the file to .old: "));
  EXPECT_THAT(error, ::testing::EndsWith("\nCannot move the existing file " +
                                         dest.Append(L"ok\\two.txt").AsUTF8Unsafe() +
                                         " out of the way of the unpacked one."));
  EXPECT_TRUE(transaction_.empty());
  EXPECT_EQ(before, SnapshotFolder(root_));
}

TEST_F(UnpackArchiveOperationTest, MissingArchiveFailsAndLeavesNothing) {
  const base::FilePath archive = Dir(L"missing.7z");
  std::string error;
  EXPECT_FALSE(Unpack(archive, Dir(L"a\\dest"), &error));
  EXPECT_EQ("The archive " + archive.AsUTF8Unsafe() + " does not exist.", error);
  EXPECT_TRUE(transaction_.empty());
  EXPECT_THAT(SnapshotFolder(root_), IsEmpty());
}

TEST_F(UnpackArchiveOperationTest, UnopenableArchiveFails) {
  // A folder exists but cannot be opened as a file.
  ASSERT_TRUE(base::CreateDirectory(Dir(L"folder.7z")));
  std::string error;
  EXPECT_FALSE(Unpack(Dir(L"folder.7z"), Dir(L"dest"), &error));
  EXPECT_EQ("Could not open the archive: 2", error);
  EXPECT_EQ(std::vector<std::wstring>{L"folder.7z"}, test::FileNamesIn(root_));
}

TEST_F(UnpackArchiveOperationTest, FileWithoutSignatureFails) {
  WriteText(Dir(L"plain.txt"), std::string(5000, 'x'));
  std::string error;
  EXPECT_FALSE(Unpack(Dir(L"plain.txt"), Dir(L"a\\dest"), &error));
  EXPECT_EQ("Could not lzma unpack, error code: 11", error);
  EXPECT_EQ(std::vector<std::wstring>{L"plain.txt"}, test::FileNamesIn(root_));
}

// The stored bytes of the second file are damaged: the first file and its
// folders were written when the CRC check fails.
TEST_F(UnpackArchiveOperationTest, FailureHalfWayIsRolledBack) {
  std::string bytes = ReadText(TestArchive(L"crafted\\copy_two_files.7z"));
  const size_t at = bytes.find("second");
  ASSERT_NE(std::string::npos, at);
  bytes[at] = 'S';
  ASSERT_TRUE(base::CreateDirectory(Dir(L"damaged")));
  WriteText(Dir(L"damaged\\two.7z"), bytes);
  const auto before = SnapshotFolder(root_);
  const base::FilePath dest = Dir(L"a\\dest");

  // Directly, to see what the failed unpack left for its rollback.
  {
    Transaction nested;
    UnpackArchiveOperation unpack(&factory_, Dir(L"damaged\\two.7z"), dest, &unpacker_, nullptr);
    std::string error;
    EXPECT_FALSE(unpack.Do(&nested, &error));
    EXPECT_EQ("Could not lzma unpack, error code: 4", error);
    EXPECT_EQ("first file", ReadText(dest.Append(L"ok\\one.txt")));
    unpack.Rollback();
    EXPECT_THAT(SnapshotFolder(dest), IsEmpty());
    nested.Rollback();
  }
  EXPECT_EQ(before, SnapshotFolder(root_));

  std::string error;
  EXPECT_FALSE(Unpack(Dir(L"damaged\\two.7z"), dest, &error));
  EXPECT_EQ("Could not lzma unpack, error code: 4", error);
  transaction_.Rollback();
  EXPECT_EQ(before, SnapshotFolder(root_));
}

// Truncated and bit-flipped archives made by 7zz: the operation fails with
// the unpacker's code and the transaction is left as it was.
TEST_F(UnpackArchiveOperationTest, DamagedArchivesFailAndLeaveNothing) {
  const std::string archive = ReadText(TestArchive(L"good\\lzma2_nonsolid.7z"));
  ASSERT_GT(archive.size(), 1000u);
  std::string flipped = archive;
  flipped[archive.size() / 2] = static_cast<char>(flipped[archive.size() / 2] ^ 0x10);
  const std::map<std::string, std::string> damaged = {
      {"truncated_header", archive.substr(0, archive.size() - 20)},
      {"truncated_half", archive.substr(0, archive.size() / 2)},
      {"flipped_middle", flipped},
  };
  for (const auto& [name, bytes] : damaged) {
    SCOPED_TRACE(name);
    const base::FilePath path = Dir(L"damaged.7z");
    WriteText(path, bytes);
    const auto before = SnapshotFolder(root_);
    std::string error;
    EXPECT_FALSE(Unpack(path, Dir(L"a\\dest"), &error));
    EXPECT_THAT(error, StartsWith("Could not lzma unpack, error code: "));
    EXPECT_TRUE(transaction_.empty());
    EXPECT_EQ(before, SnapshotFolder(root_));
    ASSERT_TRUE(base::DeleteFile(path));
  }
}

// A volume of 1 MiB (lzma_util/'s ctest fixture "lzma_small_volume") cannot
// take an archive of 8 MiB: the error says that the disk is full, where, and
// at which entry, and the rollback leaves nothing.
class UnpackArchiveDiskFullTest : public UnpackArchiveOperationTest {};

TEST_F(UnpackArchiveDiskFullTest, ErrorNamesTheFolderAndTheEntry) {
  const char* volume = std::getenv("VELTA_SMALL_VOLUME");
  if (!volume || !*volume)
    GTEST_SKIP() << "Runs as the ctest test transactions_disk_full, on its small volume";
  const base::FilePath dest = test::FromBuildPath(volume).Append(L"unpack");
  std::string error;
  EXPECT_FALSE(Unpack(TestArchive(L"large\\zeros_8m.7z"), dest, &error));
  EXPECT_THAT(error, StartsWith("Could not lzma unpack, error code: "));
  EXPECT_THAT(error, ::testing::EndsWith("\nUnpacking stopped: not enough disk space in " +
                                         dest.AsUTF8Unsafe() + " for zeros.bin"));
  transaction_.Rollback();
  EXPECT_FALSE(base::PathExists(dest));
}

}  // namespace
}  // namespace velta
