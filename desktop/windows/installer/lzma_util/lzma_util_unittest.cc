// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/lzma_util.h"

#include <windows.h>
#include <malloc.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "base/logging.h"
#include "base/test/scoped_log_collector.h"
#include "desktop/windows/installer/lzma_util/recording_unpack_progress_delegate.h"
#include "desktop/windows/installer/lzma_util/unpack_progress_delegate.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta {
namespace {

namespace fs = std::filesystem;
using ::testing::AnyOf;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;

// A Linux path of the build, as Wine's Z: drive shows it.
// The archives testing/archives/make_test_archives.py made for this build.
base::FilePath Archives() {
  return test::FromBuildPath(VELTA_SEVEN_ZIP_BUILD_TEST_ARCHIVES);
}

fs::path Fs(const base::FilePath& path) {
  return fs::path(path.value());
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// What a folder holds: relative path -> "dir" or the file's bytes, plus the
// files' modification times.
struct Tree {
  std::map<std::wstring, std::string> entries;
  std::map<std::wstring, fs::file_time_type> times;
};

Tree ReadTree(const base::FilePath& root) {
  Tree tree;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(Fs(root), ec), end; !ec && it != end; it.increment(ec)) {
    const std::wstring relative = fs::relative(it->path(), Fs(root), ec).wstring();
    if (it->is_directory(ec)) {
      tree.entries[relative] = "dir";
    } else {
      tree.entries[relative] = ReadBytes(it->path());
      tree.times[relative] = fs::last_write_time(it->path(), ec);
    }
  }
  return tree;
}

std::set<base::FilePath> FilesIn(const base::FilePath& root, bool directories) {
  std::set<base::FilePath> paths;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(Fs(root), ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_directory(ec) == directories)
      paths.insert(base::FilePath(it->path().wstring()).NormalizePathSeparators());
  }
  return paths;
}

// What the C runtime's heap holds: every malloc, and operator new on top of
// it.
struct HeapUsage {
  size_t blocks = 0;
  size_t bytes = 0;
};

HeapUsage CrtHeapUsage() {
  HeapUsage usage;
  _HEAPINFO info = {};
  int status = _HEAPOK;
  while ((status = _heapwalk(&info)) == _HEAPOK) {
    if (info._useflag == _USEDENTRY) {
      ++usage.blocks;
      usage.bytes += info._size;
    }
  }
  EXPECT_EQ(_HEAPEND, status);
  return usage;
}

// Collects the ERROR lines written while it lives.
class ErrorLogCollector : public base::test::ScopedLogCollector {
 public:
  ErrorLogCollector() : ScopedLogCollector(logging::LOG_ERROR) {}
};

class LzmaUtilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temp));
    static int counter = 0;
    scratch_ = base::FilePath(temp).Append(L"velta_lzma_" + std::to_wstring(::GetCurrentProcessId()) +
                                           L"_" + std::to_wstring(++counter));
    std::error_code ec;
    fs::remove_all(Fs(scratch_), ec);
    ASSERT_TRUE(fs::create_directories(Fs(scratch_)));
    dest_ = scratch_.Append(L"out");
    files_.clear();
    folders_.clear();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(Fs(scratch_), ec);
  }

  // Unpacks all of `archive` into dest_.
  int UnpackAll(const base::FilePath& archive) {
    LzmaUtil util;
    EXPECT_EQ(LzmaUtil::kOpenSuccess, util.Open(archive));
    return util.Unpack(dest_, {}, nullptr, &files_, &folders_);
  }

  // Nothing but dest_ (if anything) appeared in the scratch folder, and all
  // reported paths lie inside dest_.
  void ExpectNothingOutsideDestination() {
    for (const auto& entry : fs::directory_iterator(Fs(scratch_)))
      EXPECT_EQ(Fs(dest_), entry.path()) << "written outside the destination";
    for (const base::FilePath& file : files_)
      EXPECT_TRUE(dest_.IsParent(file)) << file;
    for (const base::FilePath& folder : folders_)
      EXPECT_TRUE(folder == dest_ || dest_.IsParent(folder)) << folder;
  }

  base::FilePath scratch_;
  base::FilePath dest_;
  std::vector<base::FilePath> files_;
  std::vector<base::FilePath> folders_;
};

// Every coder and header form that 7zz writes: the result is what 7zz
// itself extracts, bytes, folders and modification times.
class LzmaUtilGoodArchiveTest : public LzmaUtilTest,
                                public ::testing::WithParamInterface<const char*> {};

TEST_P(LzmaUtilGoodArchiveTest, ExtractsLike7zz) {
  const std::string name = GetParam();
  const bool with_stub = name == "stub_lzma";
  const base::FilePath archive =
      Archives().Append(L"good").AppendASCII(name + (with_stub ? ".exe" : ".7z"));
  const base::FilePath expected_dir =
      Archives().Append(L"expected").AppendASCII(with_stub ? "lzma" : name);

  ASSERT_EQ(LzmaUtil::kUnpackSuccess, UnpackAll(archive));

  const Tree expected = ReadTree(expected_dir);
  const Tree actual = ReadTree(dest_);
  ASSERT_FALSE(expected.entries.empty());
  EXPECT_EQ(expected.entries, actual.entries);
  EXPECT_EQ(expected.times, actual.times);

  // The lists: every file written once; every folder made, parents first,
  // the destination itself included (it did not exist).
  EXPECT_THAT(files_, UnorderedElementsAreArray(FilesIn(dest_, false)));
  std::set<base::FilePath> all_folders = FilesIn(dest_, true);
  all_folders.insert(dest_);
  EXPECT_THAT(folders_, UnorderedElementsAreArray(all_folders));
  for (size_t i = 0; i < folders_.size(); ++i) {
    for (size_t j = i + 1; j < folders_.size(); ++j)
      EXPECT_FALSE(folders_[j].IsParent(folders_[i])) << folders_[j] << " before its child";
  }
  ExpectNothingOutsideDestination();
}

INSTANTIATE_TEST_SUITE_P(Archives,
                         LzmaUtilGoodArchiveTest,
                         ::testing::Values("lzma",
                                           "lzma_nonsolid",
                                           "lzma2",
                                           "lzma2_nonsolid",
                                           "lzma2_small_dict",
                                           "bcj_lzma",
                                           "bcj_lzma2",
                                           "bcj2",
                                           "copy",
                                           "copy_plain_header",
                                           "lzma2_plain_header",
                                           "default",
                                           "solid_blocks",
                                           "lzma2_parts",
                                           "stub_lzma"));

TEST_F(LzmaUtilTest, UnpacksAgainFromTheSameOpenArchive) {
  LzmaUtil util;
  ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(Archives().Append(L"good\\stub_lzma.exe")));
  const base::FilePath first = scratch_.Append(L"first");
  const base::FilePath second = scratch_.Append(L"second");
  ASSERT_EQ(LzmaUtil::kUnpackSuccess, util.Unpack(first, {}, nullptr, nullptr, nullptr));
  ASSERT_EQ(LzmaUtil::kUnpackSuccess, util.Unpack(second, {}, nullptr, nullptr, nullptr));
  const Tree expected = ReadTree(Archives().Append(L"expected\\lzma"));
  EXPECT_EQ(expected.entries, ReadTree(first).entries);
  EXPECT_EQ(expected.entries, ReadTree(second).entries);

  // Into the same folder again: every file is written, no folder is new.
  std::vector<base::FilePath> files;
  std::vector<base::FilePath> folders;
  ASSERT_EQ(LzmaUtil::kUnpackSuccess, util.Unpack(first, {}, nullptr, &files, &folders));
  EXPECT_EQ(FilesIn(first, false).size(), files.size());
  EXPECT_THAT(folders, IsEmpty());
  EXPECT_EQ(expected.entries, ReadTree(first).entries);
}

// The listing names every entry where Unpack then puts it, writes nothing,
// and leaves the archive ready for the Unpack that follows.
TEST_F(LzmaUtilTest, ListEntryPathsNamesWhatUnpackWrites) {
  for (const char* archive : {"lzma2.7z", "bcj2.7z", "stub_lzma.exe"}) {
    SCOPED_TRACE(archive);
    TearDown();
    SetUp();
    LzmaUtil util;
    ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(Archives().Append(L"good").AppendASCII(archive)));
    std::vector<LzmaUtil::EntryPath> entries = {{dest_.Append(L"stale"), true}};
    ASSERT_EQ(LzmaUtil::kUnpackSuccess, util.ListEntryPaths(dest_, &entries));
    EXPECT_FALSE(fs::exists(Fs(dest_)));
    std::vector<base::FilePath> listed_files;
    std::set<base::FilePath> listed_folders;
    for (const LzmaUtil::EntryPath& entry : entries) {
      if (entry.is_directory)
        listed_folders.insert(entry.path);
      else
        listed_files.push_back(entry.path);
    }

    ASSERT_EQ(LzmaUtil::kUnpackSuccess, util.Unpack(dest_, {}, nullptr, &files_, &folders_));
    // Files in entry order, exactly as Unpack wrote them.
    EXPECT_EQ(listed_files, files_);
    EXPECT_EQ(std::set<base::FilePath>(listed_files.begin(), listed_files.end()),
              FilesIn(dest_, false));
    ASSERT_FALSE(listed_folders.empty());
    for (const base::FilePath& folder : listed_folders)
      EXPECT_TRUE(fs::is_directory(Fs(folder))) << folder;
  }
}

// The listing fails as Unpack would, with the same code and log line, and
// leaves the lists empty.
TEST_F(LzmaUtilTest, ListEntryPathsFailsLikeUnpack) {
  const std::string archive = ReadBytes(Fs(Archives().Append(L"good\\lzma2.7z")));
  const base::FilePath truncated = scratch_.Append(L"truncated.7z");
  WriteBytes(Fs(truncated), archive.substr(0, archive.size() - 20));
  const base::FilePath plain = scratch_.Append(L"plain.txt");
  WriteBytes(Fs(plain), std::string(5000, 'x'));
  const struct {
    base::FilePath archive;
    int result;
    const char* log;
  } cases[] = {
      {base::FilePath(), LzmaUtil::kUnpackNoArchive, nullptr},
      {plain, LzmaUtil::kUnpackNoSignature, "No 7z archive within the first mebibyte"},
      {truncated, LzmaUtil::kUnpackArchiveOpenFailed, "Error returned by SzArchiveOpen: "},
      {Archives().Append(L"hostile\\name_00.7z"), LzmaUtil::kUnpackArchiveOpenFailed,
       "Error returned by SzArchiveOpen: 16 (SZ_ERROR_ARCHIVE): The archive holds an unsafe "
       "entry name"},
      {Archives().Append(L"refused\\ppmd.7z"), LzmaUtil::kUnpackArchiveOpenFailed,
       "Error returned by SzArchiveOpen: 4"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    LzmaUtil util;
    if (!c.archive.empty()) {
      ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(c.archive));
    }
    std::vector<LzmaUtil::EntryPath> entries = {{dest_, true}};
    ErrorLogCollector log;
    EXPECT_EQ(c.result, util.ListEntryPaths(dest_, &entries));
    EXPECT_THAT(entries, IsEmpty());
    if (c.log) {
      ASSERT_EQ(1u, log.lines.size());
      EXPECT_THAT(log.lines[0], ::testing::StartsWith(c.log));
    } else {
      EXPECT_THAT(log.lines, IsEmpty());
    }
    EXPECT_FALSE(fs::exists(Fs(dest_)));
  }
}

// A whole unpacking decodes the archive's second folder on a thread of its
// own while the first is written. When that folder is damaged, the files
// before it are written and listed, the damaged one is not, the failure is
// the one a decoding without the thread gives, and no block file is left.
// The "copy" archive stores each file raw in a folder of its own, so a byte
// of the second file is changed in place.
TEST_F(LzmaUtilTest, DamagedSecondFolderFailsAfterTheFilesBeforeIt) {
  std::string archive = ReadBytes(Fs(Archives().Append(L"good\\copy.7z")));
  const base::FilePath original = scratch_.Append(L"original.7z");
  WriteBytes(Fs(original), archive);
  std::vector<LzmaUtil::EntryPath> listed;
  {
    LzmaUtil util;
    ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(original));
    ASSERT_EQ(LzmaUtil::kUnpackSuccess, util.ListEntryPaths(dest_, &listed));
  }
  // The files before the second one with data (empty ones included), and
  // that second one, damaged in the middle of its bytes.
  std::vector<base::FilePath> written_before;
  base::FilePath second;
  int files_with_data = 0;
  size_t first_size = 0;
  for (const LzmaUtil::EntryPath& entry : listed) {
    if (entry.is_directory)
      continue;
    const std::string bytes = ReadBytes(Fs(Archives().Append(L"expected\\copy").Append(
        entry.path.value().substr(dest_.value().size() + 1))));
    if (!bytes.empty() && ++files_with_data == 2) {
      // The packed streams follow the 32-byte start header, in folder order.
      const size_t at = 32 + first_size;
      ASSERT_EQ(0, archive.compare(at, bytes.size(), bytes));
      archive[at + bytes.size() / 2] ^= 0x5A;
      second = entry.path;
      break;
    }
    if (!bytes.empty())
      first_size = bytes.size();
    written_before.push_back(entry.path);
  }
  ASSERT_FALSE(second.empty());
  const base::FilePath damaged = scratch_.Append(L"damaged.7z");
  WriteBytes(Fs(damaged), archive);

  LzmaUtil util;
  ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(damaged));
  ErrorLogCollector log;
  EXPECT_EQ(LzmaUtil::kUnpackExtractFailed, util.Unpack(dest_, {}, nullptr, &files_, &folders_));
  EXPECT_THAT(log.lines, Contains(::testing::StartsWith("Error returned by SzExtract: ")));
  EXPECT_EQ(written_before, files_);
  EXPECT_FALSE(fs::exists(Fs(second)));
  // Nothing else in the destination: no block file either.
  EXPECT_EQ(std::set<base::FilePath>(written_before.begin(), written_before.end()),
            FilesIn(dest_, false));
}

TEST_F(LzmaUtilTest, WantedPathWritesOnlyThatFileAndStops) {
  for (const char* archive : {"lzma.7z", "lzma_nonsolid.7z", "bcj2.7z"}) {
    SCOPED_TRACE(archive);
    TearDown();
    SetUp();
    LzmaUtil util;
    ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(Archives().Append(L"good").AppendASCII(archive)));
    const base::FilePath wanted = dest_.Append(L"bin\\tool.exe");
    test::RecordingUnpackProgressDelegate delegate;
    ASSERT_EQ(LzmaUtil::kUnpackSuccess, util.Unpack(dest_, {wanted}, &delegate, &files_, &folders_));
    EXPECT_THAT(files_, ElementsAre(wanted));
    EXPECT_THAT(folders_, ElementsAre(dest_, dest_.Append(L"bin")));
    EXPECT_THAT(delegate.totals, ElementsAre(1));
    EXPECT_THAT(delegate.indices, ElementsAre(0));
    EXPECT_THAT(FilesIn(dest_, false), ElementsAre(wanted));
    EXPECT_EQ(ReadBytes(Fs(Archives().Append(L"expected\\lzma\\bin\\tool.exe"))),
              ReadBytes(Fs(wanted)));
  }
}

TEST_F(LzmaUtilTest, ProgressCountsEveryEntryInOrder) {
  LzmaUtil util;
  ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(Archives().Append(L"good\\lzma2.7z")));
  test::RecordingUnpackProgressDelegate delegate;
  ASSERT_EQ(LzmaUtil::kUnpackSuccess, util.Unpack(dest_, {}, &delegate, nullptr, nullptr));
  ASSERT_EQ(1u, delegate.totals.size());
  ASSERT_EQ(static_cast<size_t>(delegate.totals[0]), delegate.indices.size());
  for (size_t i = 0; i < delegate.indices.size(); ++i)
    EXPECT_EQ(static_cast<int>(i), delegate.indices[i]);
}

TEST_F(LzmaUtilTest, WantedPathNotInTheArchiveWritesNothing) {
  LzmaUtil util;
  ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(Archives().Append(L"good\\lzma2.7z")));
  ASSERT_EQ(LzmaUtil::kUnpackSuccess,
            util.Unpack(dest_, {dest_.Append(L"absent.txt")}, nullptr, &files_, &folders_));
  EXPECT_THAT(files_, IsEmpty());
  EXPECT_FALSE(fs::exists(Fs(dest_)));
}

TEST_F(LzmaUtilTest, SignatureMustStartWithinTheFirstMebibyte) {
  const std::string archive = ReadBytes(Fs(Archives().Append(L"good\\lzma2.7z")));
  std::mt19937 random(5);
  std::string stub;
  while (stub.size() < (1u << 20) + 4096)
    stub += static_cast<char>('a' + random() % 26);
  const base::FilePath beyond_limit = scratch_.Append(L"beyond_limit.exe");
  WriteBytes(Fs(beyond_limit), stub + archive);
  const base::FilePath within_limit = scratch_.Append(L"within_limit.exe");
  WriteBytes(Fs(within_limit), stub.substr(0, (1u << 20) - 4096) + archive);
  const base::FilePath none = scratch_.Append(L"none.bin");
  WriteBytes(Fs(none), stub.substr(0, 5000));

  LzmaUtil util;
  ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(beyond_limit));
  EXPECT_EQ(LzmaUtil::kUnpackNoSignature, util.Unpack(dest_, {}, nullptr, &files_, &folders_));
  ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(none));
  EXPECT_EQ(LzmaUtil::kUnpackNoSignature, util.Unpack(dest_, {}, nullptr, &files_, &folders_));
  EXPECT_FALSE(fs::exists(Fs(dest_)));
  ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(within_limit));
  EXPECT_EQ(LzmaUtil::kUnpackSuccess, util.Unpack(dest_, {}, nullptr, nullptr, nullptr));
  EXPECT_EQ(ReadTree(Archives().Append(L"expected\\lzma2")).entries, ReadTree(dest_).entries);
}

TEST_F(LzmaUtilTest, OpenAndUnpackWithoutAnArchive) {
  LzmaUtil util;
  EXPECT_EQ(LzmaUtil::kUnpackNoArchive, util.Unpack(dest_, {}, nullptr, nullptr, nullptr));
  EXPECT_EQ(LzmaUtil::kOpenFileNotFound, util.Open(scratch_.Append(L"absent.7z")));
  EXPECT_EQ(LzmaUtil::kOpenFailed, util.Open(scratch_.Append(L"no_such_folder\\absent.7z")));
  EXPECT_EQ(LzmaUtil::kUnpackNoArchive, util.Unpack(dest_, {}, nullptr, nullptr, nullptr));
  ASSERT_EQ(LzmaUtil::kOpenSuccess, util.Open(Archives().Append(L"good\\copy.7z")));
  util.Close();
  util.Close();
  EXPECT_EQ(LzmaUtil::kUnpackNoArchive, util.Unpack(dest_, {}, nullptr, nullptr, nullptr));
}

TEST_F(LzmaUtilTest, EmptyArchiveWritesNothing) {
  EXPECT_EQ(LzmaUtil::kUnpackSuccess, UnpackAll(Archives().Append(L"crafted\\empty_archive.7z")));
  EXPECT_THAT(files_, IsEmpty());
  EXPECT_THAT(folders_, IsEmpty());
  // The temporary output file is gone; the destination is left empty.
  EXPECT_TRUE(ReadTree(dest_).entries.empty());
}

// Archives the reader refuses: hostile names and other coders when it opens
// them, headers that lie when it opens them or at the latest when it
// decodes. Nothing is written.
TEST_F(LzmaUtilTest, RefusedArchivesWriteNothing) {
  for (const char* folder : {"hostile", "refused", "malformed"}) {
    const bool refused_at_open = std::string(folder) != "malformed";
    size_t count = 0;
    for (const auto& entry :
         fs::directory_iterator(Fs(Archives().Append(base::FilePath::FromUTF8Unsafe(folder))))) {
      if (entry.path().extension() != ".7z")
        continue;
      ++count;
      SCOPED_TRACE(entry.path().string());
      TearDown();
      SetUp();
      ErrorLogCollector log;
      const int result = UnpackAll(base::FilePath(entry.path().wstring()));
      if (refused_at_open) {
        EXPECT_EQ(LzmaUtil::kUnpackArchiveOpenFailed, result);
      } else {
        EXPECT_THAT(result,
                    AnyOf(LzmaUtil::kUnpackArchiveOpenFailed, LzmaUtil::kUnpackExtractFailed));
      }
      ASSERT_EQ(1u, log.lines.size());
      EXPECT_THAT(log.lines[0], AnyOf(::testing::StartsWith("Error returned by SzArchiveOpen: "),
                                      ::testing::StartsWith("Error returned by SzExtract: ")));
      EXPECT_THAT(files_, IsEmpty());
      EXPECT_THAT(folders_, IsEmpty());
      EXPECT_FALSE(fs::exists(Fs(dest_)));
      ExpectNothingOutsideDestination();
    }
    EXPECT_GT(count, 5u) << folder;
  }
}

TEST_F(LzmaUtilTest, HostileNamesAndOtherCodersGiveTheirCodes) {
  ErrorLogCollector log;
  EXPECT_EQ(LzmaUtil::kUnpackArchiveOpenFailed,
            UnpackAll(Archives().Append(L"hostile\\name_00.7z")));  // ..\..\x
  EXPECT_EQ(LzmaUtil::kUnpackArchiveOpenFailed, UnpackAll(Archives().Append(L"refused\\ppmd.7z")));
  // Each line says what was refused and why; an unsafe name is named.
  EXPECT_THAT(log.lines,
              ElementsAre("Error returned by SzArchiveOpen: 16 (SZ_ERROR_ARCHIVE): The archive "
                          "holds an unsafe entry name (\".\" or \"..\" component): \"..\\..\\x\"",
                          ::testing::StartsWith("Error returned by SzArchiveOpen: 4 "
                                                "(SZ_ERROR_UNSUPPORTED): ")));
}

// Two entries of one path (here in other case) are refused before anything
// is written, and the log names both.
TEST_F(LzmaUtilTest, TwoEntriesOfOnePathAreRefused) {
  ErrorLogCollector log;
  EXPECT_EQ(LzmaUtil::kUnpackArchiveOpenFailed,
            UnpackAll(Archives().Append(L"duplicate\\other_case.7z")));
  EXPECT_THAT(log.lines,
              ElementsAre("Error returned by SzArchiveOpen: 16 (SZ_ERROR_ARCHIVE): The archive "
                          "holds two entries of the same path: \"Dir/Readme.txt\" and "
                          "\"dir/README.TXT\""));
  EXPECT_THAT(files_, IsEmpty());
  EXPECT_THAT(folders_, IsEmpty());
  EXPECT_FALSE(fs::exists(Fs(dest_)));
}

class LzmaUtilDamagedArchiveTest : public LzmaUtilTest,
                                   public ::testing::WithParamInterface<const char*> {};

TEST_P(LzmaUtilDamagedArchiveTest, TruncatedArchivesFail) {
  const std::string archive =
      ReadBytes(Fs(Archives().Append(L"good").AppendASCII(std::string(GetParam()) + ".7z")));
  for (size_t length : {size_t{0}, size_t{6}, size_t{31}, size_t{32}, size_t{33}, size_t{100},
                        archive.size() / 3, archive.size() / 2, archive.size() - 40,
                        archive.size() - 1}) {
    SCOPED_TRACE(length);
    TearDown();
    SetUp();
    const base::FilePath cut = scratch_.Append(L"cut.7z");
    WriteBytes(Fs(cut), archive.substr(0, length));
    const int result = UnpackAll(cut);
    EXPECT_THAT(result, AnyOf(LzmaUtil::kUnpackArchiveOpenFailed, LzmaUtil::kUnpackExtractFailed,
                              LzmaUtil::kUnpackNoSignature));
    // Only files that were complete were kept.
    fs::remove(Fs(cut));
    ExpectNothingOutsideDestination();
  }
}

TEST_P(LzmaUtilDamagedArchiveTest, FlippedBitsAreCaught) {
  const std::string archive =
      ReadBytes(Fs(Archives().Append(L"good").AppendASCII(std::string(GetParam()) + ".7z")));
  // Past the signature and version; every byte after them is under a CRC.
  for (size_t position = 8; position < archive.size(); position += archive.size() / 23 + 1) {
    SCOPED_TRACE(position);
    TearDown();
    SetUp();
    std::string damaged = archive;
    damaged[position] = static_cast<char>(damaged[position] ^ 0x10);
    const base::FilePath flipped = scratch_.Append(L"flipped.7z");
    WriteBytes(Fs(flipped), damaged);
    EXPECT_THAT(UnpackAll(flipped),
                AnyOf(LzmaUtil::kUnpackArchiveOpenFailed, LzmaUtil::kUnpackExtractFailed,
                      LzmaUtil::kUnpackNoSignature));
    fs::remove(Fs(flipped));
    ExpectNothingOutsideDestination();
  }
}

INSTANTIATE_TEST_SUITE_P(Archives,
                         LzmaUtilDamagedArchiveTest,
                         ::testing::Values("lzma", "lzma2_nonsolid", "bcj2", "copy_plain_header"));

TEST_F(LzmaUtilTest, CrcErrorIsAnExtractError) {
  // The Copy coder stores the bytes as they are: flip one inside a file.
  std::string archive = ReadBytes(Fs(Archives().Append(L"crafted\\copy_two_files.7z")));
  const size_t at = archive.find("second");
  ASSERT_NE(std::string::npos, at);
  archive[at] = 'S';
  const base::FilePath damaged = scratch_.Append(L"damaged.7z");
  WriteBytes(Fs(damaged), archive);
  ErrorLogCollector log;
  EXPECT_EQ(LzmaUtil::kUnpackExtractFailed, UnpackAll(damaged));
  EXPECT_THAT(log.lines, ElementsAre("Error returned by SzExtract: 3"));
  // The first file was complete and stays, listed for the rollback.
  EXPECT_THAT(files_, ElementsAre(dest_.Append(L"ok\\one.txt")));
  EXPECT_THAT(folders_, ElementsAre(dest_, dest_.Append(L"ok")));
  EXPECT_EQ("first file", ReadBytes(Fs(dest_.Append(L"ok\\one.txt"))));
}

TEST_F(LzmaUtilTest, FailureMidWayListsWhatWasWritten) {
  // A folder where the second file should go: CreateFile fails.
  ASSERT_TRUE(fs::create_directories(Fs(dest_.Append(L"ok\\two.txt"))));
  ErrorLogCollector log;
  EXPECT_EQ(LzmaUtil::kUnpackCreateFileFailed,
            UnpackAll(Archives().Append(L"crafted\\copy_two_files.7z")));
  ASSERT_EQ(1u, log.lines.size());
  EXPECT_THAT(log.lines[0], ::testing::StartsWith("Error returned by CreateFile: "));
  EXPECT_THAT(files_, ElementsAre(dest_.Append(L"ok\\one.txt")));
  EXPECT_THAT(folders_, IsEmpty());
}

TEST_F(LzmaUtilTest, CreateDirectoryMakesEveryLevel) {
  LzmaUtil util;
  const base::FilePath deep = dest_.Append(L"a\\b\\c");
  EXPECT_TRUE(util.CreateDirectory(deep));
  EXPECT_TRUE(fs::is_directory(Fs(deep)));
  EXPECT_TRUE(util.CreateDirectory(deep));
  WriteBytes(Fs(dest_.Append(L"file")), "x");
  EXPECT_FALSE(util.CreateDirectory(dest_.Append(L"file\\below")));
}

// A volume of 1 MiB (mounted by the ctest fixture "lzma_small_volume", see
// the CMake file) fills up while the decoder writes an 8 MiB block into the
// mapped temporary file there: a real failed page-in. Wine reports it as an
// access violation in the mapping, Windows as EXCEPTION_IN_PAGE_ERROR with
// STATUS_DISK_FULL. The block of eight parts is written by the reader's
// decoding threads, whose faults are the unpacking's all the same.
class LzmaUtilDiskFullTest : public ::testing::TestWithParam<const char*> {};

TEST_P(LzmaUtilDiskFullTest, FullVolumeWhileDecodingGivesInPageError) {
  const char* volume = std::getenv("VELTA_SMALL_VOLUME");
  if (!volume || !*volume)
    GTEST_SKIP() << "Runs as the ctest test lzma_util_disk_full, on its small volume";
  const base::FilePath root = test::FromBuildPath(volume);
  ULARGE_INTEGER total = {};
  ASSERT_TRUE(::GetDiskFreeSpaceExW(root.AsEndingWithSeparator().value().c_str(), nullptr, &total,
                                    nullptr));
  ASSERT_LE(total.QuadPart, 2u << 20) << "no small volume at " << volume;
  // The destination exists, so the output buffer is a file mapped there.
  const base::FilePath dest = root.Append(L"out");
  ASSERT_TRUE(fs::create_directory(Fs(dest)));

  LzmaUtil util;
  ASSERT_EQ(LzmaUtil::kOpenSuccess,
            util.Open(Archives().Append(L"large").AppendASCII(GetParam())));
  std::vector<base::FilePath> files;
  std::vector<base::FilePath> folders;
  ErrorLogCollector log;
  // Twice: the first run also makes what outlives it (the log's list, state
  // made on first use). The interrupted decode's stack is abandoned, yet the
  // second run must leave the heap as it found it: no reader state, read
  // buffer or table of the decode is left behind.
  HeapUsage before_second_run;
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    if (run == 1)
      before_second_run = CrtHeapUsage();
    EXPECT_EQ(LzmaUtil::kUnpackInPageError, util.Unpack(dest, {}, nullptr, &files, &folders));
    EXPECT_THAT(util.GetLastInPageError(),
                AnyOf(static_cast<uint32_t>(EXCEPTION_ACCESS_VIOLATION), 0xC000007Fu));
    ASSERT_EQ(1u, log.lines.size());
    EXPECT_THAT(log.lines[0], ::testing::StartsWith("EXCEPTION_IN_PAGE_ERROR while accessing "
                                                    "mapped memory; NTSTATUS = 0xC000"));
    const std::string disk_full =
        "not enough disk space in " + dest.AsUTF8Unsafe() + " for zeros.bin";
    EXPECT_THAT(log.lines[0], ::testing::EndsWith(": " + disk_full));
    EXPECT_EQ(disk_full, util.GetLastDiskFullError());
    EXPECT_THAT(files, IsEmpty());
    // The temporary file is gone again, and the space with it.
    EXPECT_TRUE(ReadTree(dest).entries.empty());
    log.lines.clear();
  }
  const HeapUsage after_second_run = CrtHeapUsage();
  EXPECT_EQ(before_second_run.blocks, after_second_run.blocks);
  EXPECT_EQ(before_second_run.bytes, after_second_run.bytes);
  std::error_code ec;
  fs::remove_all(Fs(dest), ec);

  // Without the destination folder there is no temporary file: the block is
  // decoded on the heap, and writing the file out comes up short (Wine) or
  // fails with ERROR_DISK_FULL (Windows).
  EXPECT_EQ(LzmaUtil::kUnpackWriteFailed, util.Unpack(dest, {}, nullptr, &files, &folders));
  ASSERT_EQ(1u, log.lines.size());
  EXPECT_THAT(log.lines[0], ::testing::StartsWith("Error returned by WriteFile "));
  const std::string disk_full =
      "not enough disk space in " + dest.AsUTF8Unsafe() + " for zeros.bin";
  EXPECT_THAT(log.lines[0], ::testing::EndsWith(": " + disk_full));
  EXPECT_EQ(disk_full, util.GetLastDiskFullError());
  EXPECT_THAT(files, ElementsAre(dest.Append(L"zeros.bin")));
  EXPECT_THAT(folders, ElementsAre(dest));
  fs::remove_all(Fs(dest), ec);

  // The object works on: the same archive unpacks elsewhere.
  wchar_t temp[MAX_PATH];
  ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temp));
  const base::FilePath elsewhere =
      base::FilePath(temp).Append(L"velta_lzma_full_" + std::to_wstring(::GetCurrentProcessId()));
  EXPECT_EQ(LzmaUtil::kUnpackSuccess, util.Unpack(elsewhere, {}, nullptr, nullptr, nullptr));
  EXPECT_EQ(std::string(8u << 20, '\0'), ReadBytes(Fs(elsewhere.Append(L"zeros.bin"))));
  EXPECT_EQ("", util.GetLastDiskFullError());
  fs::remove_all(Fs(elsewhere), ec);
}

INSTANTIATE_TEST_SUITE_P(Archives,
                         LzmaUtilDiskFullTest,
                         ::testing::Values("zeros_8m.7z", "zeros_8m_parts.7z"));

}  // namespace
}  // namespace velta
