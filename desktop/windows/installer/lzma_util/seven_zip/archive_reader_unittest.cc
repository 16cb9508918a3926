// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/archive_reader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/block_cache.h"
#include "desktop/windows/installer/lzma_util/seven_zip/file_input_stream.h"
#include "desktop/windows/installer/lzma_util/seven_zip/heap_allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/memory_input_stream.h"
#include "desktop/windows/installer/lzma_util/seven_zip/signature_scanner.h"
#include "desktop/windows/installer/lzma_util/seven_zip/worker_guard.h"
#include "gtest/gtest.h"

namespace velta::seven_zip {
namespace {

namespace fs = std::filesystem;

// The archives made by testing/archives/make_test_archives.py at build time:
// the folder ctest names in VELTA_SEVEN_ZIP_TEST_ARCHIVES, else the build
// tree's, so that the binary also runs by hand.
fs::path ArchivesDir() {
  const char* dir = std::getenv("VELTA_SEVEN_ZIP_TEST_ARCHIVES");
  if (dir && *dir)
    return fs::path(dir);
#if defined(VELTA_SEVEN_ZIP_BUILD_TEST_ARCHIVES)
  return fs::path(VELTA_SEVEN_ZIP_BUILD_TEST_ARCHIVES);
#else
  return fs::path();
#endif
}

std::vector<uint8_t> ReadWholeFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

fs::path EntryPath(const fs::path& root, std::u16string name) {
  std::replace(name.begin(), name.end(), u'\\', u'/');
  return root / fs::path(name);
}

// FILETIME (100 ns since 1601) to the file clock.
fs::file_time_type FromFiletime(uint64_t filetime) {
  constexpr int64_t kUnixEpochAsFiletime = 116444736000000000;
  const auto since_unix = std::chrono::nanoseconds(
      (static_cast<int64_t>(filetime) - kUnixEpochAsFiletime) * 100);
  return std::chrono::file_clock::from_sys(
      std::chrono::sys_time<std::chrono::nanoseconds>(since_unix));
}

// Tracks what a block allocator hands out: the number of allocations and the
// most blocks alive at once.
class CountingAllocator : public Allocator {
 public:
  void* Allocate(size_t size) override {
    void* address = heap_.Allocate(size);
    if (address) {
      ++allocations_;
      max_live_ = std::max(max_live_, heap_.live_allocations());
    }
    return address;
  }
  void Free(void* address) override { heap_.Free(address); }

  size_t allocations() const { return allocations_; }
  size_t max_live() const { return max_live_; }
  size_t live() const { return heap_.live_allocations(); }

 private:
  HeapAllocator heap_;
  size_t allocations_ = 0;
  size_t max_live_ = 0;
};

// A per-test folder under the system temp folder, removed afterwards. Its
// name ends in a random number: test runs of several build trees share the
// temp folder.
class ScratchFolder {
 public:
  ScratchFolder() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("seven_zip_") + info->test_suite_name() + "_" + info->name() +
                       "_" + std::to_string(std::random_device()());
    std::replace(name.begin(), name.end(), '/', '_');
    path_ = fs::temp_directory_path() / name;
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// Extracts every entry of an open archive below `root` as the installer
// does: folders created, files written, modification times set.
ResultCode ExtractAll(ArchiveReader* reader, Allocator* block_allocator, const fs::path& root) {
  BlockCache cache(block_allocator);
  for (size_t i = 0; i < reader->entries().size(); ++i) {
    const ArchiveEntry& entry = reader->entries()[i];
    const fs::path path = EntryPath(root, entry.name);
    if (entry.is_directory) {
      fs::create_directories(path);
      continue;
    }
    fs::create_directories(path.parent_path());
    size_t offset = 0;
    size_t size = 0;
    ResultCode result = reader->Extract(i, &cache, &offset, &size);
    if (result != ResultCode::kOk)
      return result;
    EXPECT_EQ(entry.size, size);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (size)
      file.write(reinterpret_cast<const char*>(cache.data() + offset), size);
    file.close();
    if (entry.has_modification_time)
      fs::last_write_time(path, FromFiletime(entry.modification_time));
  }
  return ResultCode::kOk;
}

// Relative path -> "dir" or the file's bytes, plus file times.
struct Tree {
  std::map<std::string, std::vector<uint8_t>> files;
  std::map<std::string, fs::file_time_type> times;
  std::set<std::string> folders;
};

Tree ReadTree(const fs::path& root) {
  Tree tree;
  for (const auto& item : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(item.path(), root).generic_string();
    if (item.is_directory()) {
      tree.folders.insert(relative);
    } else {
      tree.files[relative] = ReadWholeFile(item.path());
      tree.times[relative] = fs::last_write_time(item.path());
    }
  }
  return tree;
}

void ExpectSameTree(const fs::path& actual_root, const fs::path& expected_root) {
  const Tree actual = ReadTree(actual_root);
  const Tree expected = ReadTree(expected_root);
  EXPECT_EQ(expected.folders, actual.folders);
  ASSERT_EQ(expected.files.size(), actual.files.size());
  for (const auto& [name, bytes] : expected.files) {
    auto found = actual.files.find(name);
    ASSERT_NE(found, actual.files.end()) << name;
    EXPECT_TRUE(bytes == found->second) << name << " differs";
    EXPECT_EQ(expected.times.at(name), actual.times.at(name)) << name << " time differs";
  }
}

class ArchiveReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = ArchivesDir();
    ASSERT_FALSE(dir_.empty()) << "VELTA_SEVEN_ZIP_TEST_ARCHIVES is not set";
    ASSERT_TRUE(fs::exists(dir_ / "stamp")) << "no test archives in " << dir_;
  }

  // Opens and extracts an archive held in memory; returns the first failure.
  // With `threads`, a folder decodes on at most that many threads, under
  // `guard`.
  ResultCode OpenAndExtract(const std::vector<uint8_t>& bytes, size_t limit,
                            std::vector<std::vector<uint8_t>>* contents = nullptr,
                            int threads = 0, WorkerGuard* guard = nullptr) {
    MemoryInputStream stream(bytes.data(), bytes.size());
    HeapAllocator temp(limit);
    HeapAllocator blocks(limit);
    ArchiveReader reader;
    if (threads)
      reader.set_decode_threads(threads);
    ResultCode result = reader.Open(&stream, &temp);
    if (result != ResultCode::kOk) {
      EXPECT_FALSE(reader.error_message().empty());
      return result;
    }
    BlockCache cache(&blocks);
    cache.set_worker_guard(guard);
    for (size_t i = 0; i < reader.entries().size(); ++i) {
      size_t offset = 0;
      size_t size = 0;
      result = reader.Extract(i, &cache, &offset, &size);
      if (result != ResultCode::kOk) {
        // A failed decode leaves no temporary block behind, on any number
        // of threads.
        EXPECT_FALSE(reader.error_message().empty());
        EXPECT_EQ(0u, temp.live_allocations());
        return result;
      }
      if (contents)
        contents->emplace_back(cache.data() + offset, cache.data() + offset + size);
    }
    return ResultCode::kOk;
  }

  fs::path dir_;
};

class GoodArchiveTest : public ArchiveReaderTest,
                        public testing::WithParamInterface<std::string> {};

TEST_P(GoodArchiveTest, ExtractsWhat7zzExtracts) {
  FileInputStream stream;
  ASSERT_TRUE(stream.Open((dir_ / "good" / (GetParam() + ".7z")).string()));
  HeapAllocator temp;
  CountingAllocator blocks;
  ArchiveReader reader;
  ASSERT_EQ(ResultCode::kOk, reader.Open(&stream, &temp)) << reader.error_message();
  ScratchFolder out;
  ASSERT_EQ(ResultCode::kOk, ExtractAll(&reader, &blocks, out.path())) << reader.error_message();
  ExpectSameTree(out.path(), dir_ / "expected" / GetParam());

  // Each folder is decoded once (entries are in folder order), and only one
  // block is alive at a time.
  EXPECT_EQ(reader.folder_count(), blocks.allocations());
  EXPECT_LE(blocks.max_live(), 1u);
  EXPECT_EQ(0u, blocks.live());
  EXPECT_EQ(0u, temp.live_allocations());
}

TEST_P(GoodArchiveTest, ListsEntryMetadata) {
  FileInputStream stream;
  ASSERT_TRUE(stream.Open((dir_ / "good" / (GetParam() + ".7z")).string()));
  HeapAllocator temp;
  ArchiveReader reader;
  ASSERT_EQ(ResultCode::kOk, reader.Open(&stream, &temp)) << reader.error_message();
  std::map<std::u16string, ArchiveEntry> by_name;
  for (const ArchiveEntry& entry : reader.entries())
    by_name[entry.name] = entry;
  ASSERT_TRUE(by_name.count(u"empty.txt"));
  EXPECT_TRUE(by_name[u"empty.txt"].is_empty_file);
  EXPECT_FALSE(by_name[u"empty.txt"].is_directory);
  ASSERT_TRUE(by_name.count(u"empty_folder"));
  EXPECT_TRUE(by_name[u"empty_folder"].is_directory);
  ASSERT_TRUE(by_name.count(u"data/zeros.bin"));
  const ArchiveEntry& zeros = by_name[u"data/zeros.bin"];
  EXPECT_TRUE(zeros.has_stream);
  EXPECT_EQ(200000u, zeros.size);
  EXPECT_TRUE(zeros.has_crc);
  EXPECT_TRUE(zeros.has_modification_time);
  EXPECT_TRUE(zeros.has_attributes);
  EXPECT_TRUE(by_name.count(u"emoji_\U0001F600.txt"));
  EXPECT_TRUE(by_name.count(u"nested/a/b/c/d/deep.txt"));
}

INSTANTIATE_TEST_SUITE_P(SevenZz, GoodArchiveTest,
                         testing::Values("lzma", "lzma_nonsolid", "lzma2", "lzma2_nonsolid",
                                         "lzma2_small_dict", "bcj_lzma", "bcj_lzma2", "bcj2",
                                         "copy", "copy_plain_header", "lzma2_plain_header",
                                         "default", "solid_blocks"));

// The archives of many LZMA2 parts, decoded on several threads (with the
// BCJ filter on those threads too), give what 7zz extracts.
TEST_F(ArchiveReaderTest, PartsOnThreadsExtractWhat7zzExtracts) {
  for (const char* name : {"lzma2_parts", "bcj_lzma2_parts"}) {
    for (int threads : {2, 3, 8}) {
      SCOPED_TRACE(testing::Message() << name << " on " << threads << " threads");
      FileInputStream stream;
      ASSERT_TRUE(stream.Open((dir_ / "good" / (std::string(name) + ".7z")).string()));
      HeapAllocator temp;
      HeapAllocator blocks;
      ArchiveReader reader;
      reader.set_decode_threads(threads);
      ASSERT_EQ(ResultCode::kOk, reader.Open(&stream, &temp)) << reader.error_message();
      ScratchFolder out;
      ASSERT_EQ(ResultCode::kOk, ExtractAll(&reader, &blocks, out.path()))
          << reader.error_message();
      ExpectSameTree(out.path(), dir_ / "expected" / name);
      EXPECT_EQ(0u, temp.live_allocations());
    }
  }
}

TEST_F(ArchiveReaderTest, OpensAnArchiveBehindAStubOnceAtTheSignature) {
  FileInputStream stream;
  ASSERT_TRUE(stream.Open((dir_ / "good" / "stub_lzma.exe").string()));
  HeapAllocator temp;
  ArchiveReader reader;
  EXPECT_EQ(ResultCode::kNoArchive, reader.Open(&stream, &temp));
  EXPECT_FALSE(reader.is_open());
  int64_t position = 0;
  ASSERT_EQ(ResultCode::kOk, stream.Seek(&position, InputStream::SeekOrigin::kBegin));
  std::string error;
  ASSERT_EQ(ResultCode::kOk, SignatureScanner::SeekToSignature(&stream, &error)) << error;
  ASSERT_EQ(ResultCode::kOk, reader.Open(&stream, &temp)) << reader.error_message();
  ScratchFolder out;
  HeapAllocator blocks;
  ASSERT_EQ(ResultCode::kOk, ExtractAll(&reader, &blocks, out.path()));
  ExpectSameTree(out.path(), dir_ / "expected" / "lzma");
}

TEST_F(ArchiveReaderTest, RefusesUnsupportedCodersWhenOpening) {
  size_t count = 0;
  for (const auto& item : fs::directory_iterator(dir_ / "refused")) {
    FileInputStream stream;
    ASSERT_TRUE(stream.Open(item.path().string()));
    HeapAllocator temp;
    ArchiveReader reader;
    EXPECT_EQ(ResultCode::kUnsupported, reader.Open(&stream, &temp)) << item.path();
    EXPECT_NE(std::string::npos, reader.error_message().find("unsupported"))
        << reader.error_message();
    EXPECT_TRUE(reader.entries().empty());
    ++count;
  }
  EXPECT_EQ(7u, count);
}

TEST_F(ArchiveReaderTest, RefusesHostileNamesWhenOpening) {
  size_t count = 0;
  for (const auto& item : fs::directory_iterator(dir_ / "hostile")) {
    if (item.path().extension() != ".7z")
      continue;
    FileInputStream stream;
    ASSERT_TRUE(stream.Open(item.path().string()));
    HeapAllocator temp;
    ArchiveReader reader;
    EXPECT_EQ(ResultCode::kArchiveError, reader.Open(&stream, &temp)) << item.path();
    EXPECT_NE(std::string::npos, reader.error_message().find("unsafe entry name"))
        << item.path() << ": " << reader.error_message();
    ++count;
  }
  EXPECT_GE(count, 30u);
}

// Two entries of one path, in other case or with the other separator, are
// refused when opening, and the message names both.
TEST_F(ArchiveReaderTest, RefusesTwoEntriesOfOnePath) {
  const struct {
    const char* archive;
    const char* first;
    const char* second;
  } cases[] = {
      {"same_name", "a.txt", "a.txt"},
      {"other_case", "Dir/Readme.txt", "dir/README.TXT"},
      {"other_separator", "dir/a.txt", "dir\\a.txt"},
      {"accented_case", "\xC3\xA9t\xC3\xA9.txt", "\xC3\x89T\xC3\x89.txt"},
      {"cyrillic_case", "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", "\xD0\xA4\xD0\x90\xD0\x99\xD0\x9B"},
      {"folder_twice", "x/a.txt", "X\\A.TXT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    FileInputStream stream;
    ASSERT_TRUE(stream.Open((dir_ / "duplicate" / (std::string(c.archive) + ".7z")).string()));
    HeapAllocator temp;
    ArchiveReader reader;
    EXPECT_EQ(ResultCode::kArchiveError, reader.Open(&stream, &temp));
    EXPECT_EQ(std::string("The archive holds two entries of the same path: \"") + c.first +
                  "\" and \"" + c.second + "\"",
              reader.error_message());
    EXPECT_TRUE(reader.entries().empty());
  }
}

TEST_F(ArchiveReaderTest, ReadsHandMadeArchives) {
  std::vector<std::vector<uint8_t>> contents;
  ASSERT_EQ(ResultCode::kOk,
            OpenAndExtract(ReadWholeFile(dir_ / "crafted" / "copy_two_files.7z"), 0, &contents));
  ASSERT_EQ(2u, contents.size());
  EXPECT_EQ(std::string("first file"), std::string(contents[0].begin(), contents[0].end()));
  EXPECT_EQ(std::string("second"), std::string(contents[1].begin(), contents[1].end()));

  const std::vector<uint8_t> empty = ReadWholeFile(dir_ / "crafted" / "empty_archive.7z");
  MemoryInputStream stream(empty.data(), empty.size());
  HeapAllocator temp;
  ArchiveReader reader;
  ASSERT_EQ(ResultCode::kOk, reader.Open(&stream, &temp));
  EXPECT_TRUE(reader.entries().empty());
}

// Headers whose counts, sizes or coder graphs lie end in an SDK code, with
// allocations capped far below what they claim.
TEST_F(ArchiveReaderTest, RefusesMalformedHeaders) {
  size_t count = 0;
  for (const auto& item : fs::directory_iterator(dir_ / "malformed")) {
    const ResultCode result = OpenAndExtract(ReadWholeFile(item.path()), 1 << 20);
    EXPECT_NE(ResultCode::kOk, result) << item.path();
    ++count;
  }
  EXPECT_GE(count, 9u);
}

// Every cut of an archive (densely at both ends, sampled in between) fails
// with an SDK code; none crashes, hangs or reads out of bounds.
TEST_F(ArchiveReaderTest, TruncatedArchivesFail) {
  for (const char* name : {"lzma2.7z", "bcj2.7z", "copy_plain_header.7z", "default.7z"}) {
    const std::vector<uint8_t> bytes = ReadWholeFile(dir_ / "good" / name);
    ASSERT_GT(bytes.size(), 1000u);
    std::set<size_t> lengths;
    for (size_t n = 0; n < 200; ++n) {
      lengths.insert(n);
      lengths.insert(bytes.size() - 1 - n);
      lengths.insert(bytes.size() * n / 200);
    }
    for (size_t length : lengths) {
      const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + length);
      const ResultCode result = OpenAndExtract(cut, 64 << 20);
      EXPECT_NE(ResultCode::kOk, result) << name << " cut to " << length;
    }
  }
}

// Single-bit changes of small archives (every bit of the start header, a
// sample of the rest) either fail with an SDK code or, where no check covers
// the bit (the minor version, bits the range coder never reads), extract the
// original bytes.
TEST_F(ArchiveReaderTest, BitFlipsFailOrChangeNothing) {
  for (const char* name : {"small_lzma.7z", "small_lzma2_nonsolid.7z", "small_bcj2.7z",
                           "small_copy_plain_header.7z", "small_bcj_lzma.7z"}) {
    const std::vector<uint8_t> bytes = ReadWholeFile(dir_ / "seeds" / name);
    ASSERT_FALSE(bytes.empty()) << name;
    std::vector<std::vector<uint8_t>> original;
    ASSERT_EQ(ResultCode::kOk, OpenAndExtract(bytes, 0, &original)) << name;
    size_t tried = 0;
    size_t failures = 0;
    for (size_t bit = 0; bit < bytes.size() * 8; bit += bit < 32 * 8 ? 1 : 5) {
      std::vector<uint8_t> flipped = bytes;
      flipped[bit / 8] ^= static_cast<uint8_t>(1 << (bit % 8));
      std::vector<std::vector<uint8_t>> contents;
      const ResultCode result = OpenAndExtract(flipped, 64 << 20, &contents);
      ++tried;
      if (result == ResultCode::kOk) {
        EXPECT_EQ(original, contents) << name << " bit " << bit;
      } else {
        ++failures;
      }
    }
    EXPECT_GT(failures, tried * 9 / 10) << name;
  }
}

TEST_F(ArchiveReaderTest, DetectsCorruptFileData) {
  // A Copy archive: flipping a stored byte changes the data, caught by CRC.
  std::vector<uint8_t> bytes = ReadWholeFile(dir_ / "crafted" / "copy_two_files.7z");
  bytes[32 + 3] ^= 0x20;
  EXPECT_EQ(ResultCode::kCrcError, OpenAndExtract(bytes, 0));
}

// A refused allocation fails the decode, leaves the cache empty, and all
// that was handed out comes back: the output block, and the read buffer,
// which only the temporary allocator may give.
TEST_F(ArchiveReaderTest, FailsCleanlyWhenMemoryIsRefused) {
  const struct {
    const char* archive;
    size_t temp_limit;
    size_t block_limit;
  } cases[] = {
      {"lzma.7z", 0, 1024},
      {"lzma2_plain_header.7z", 64 << 10, 0},  // The read buffer is 256 KiB.
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.archive);
    FileInputStream stream;
    ASSERT_TRUE(stream.Open((dir_ / "good" / c.archive).string()));
    HeapAllocator temp(c.temp_limit);
    HeapAllocator blocks(c.block_limit);
    ArchiveReader reader;
    ASSERT_EQ(ResultCode::kOk, reader.Open(&stream, &temp));
    BlockCache cache(&blocks);
    const std::vector<ArchiveEntry>& entries = reader.entries();
    const auto with_data = std::find_if(entries.begin(), entries.end(),
                                        [](const ArchiveEntry& entry) { return entry.has_stream; });
    ASSERT_NE(entries.end(), with_data);
    size_t offset = 0;
    size_t size = 0;
    EXPECT_EQ(ResultCode::kMemoryError,
              reader.Extract(with_data - entries.begin(), &cache, &offset, &size));
    EXPECT_EQ(BlockCache::kNoFolder, cache.folder_index());
    EXPECT_EQ(0u, blocks.live_allocations());
    EXPECT_EQ(0u, temp.live_allocations());
  }
}

// Runs the decoding threads' bodies unguarded and records which threads ran
// how many.
class RecordingWorkerGuard : public WorkerGuard {
 public:
  bool Run(void (*body)(void* context), void* context) override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ++runs_;
      threads_.insert(std::this_thread::get_id());
    }
    body(context);
    return true;
  }
  size_t runs() const { return runs_; }
  const std::set<std::thread::id>& threads() const { return threads_; }

 private:
  std::mutex mutex_;
  size_t runs_ = 0;
  std::set<std::thread::id> threads_;
};

// The chunks of the LZMA2 stream that starts at `offset`: where each header
// starts, up to and including the end marker.
std::vector<size_t> Lzma2ChunkOffsets(const std::vector<uint8_t>& bytes, size_t offset) {
  std::vector<size_t> chunks;
  for (size_t at = offset; at < bytes.size();) {
    chunks.push_back(at);
    const uint8_t control = bytes[at];
    if (control == 0)
      break;
    if (control < 0x80) {
      at += 3 + ((bytes[at + 1] << 8) | bytes[at + 2]) + 1;
    } else {
      const size_t header = ((control >> 5) & 3) >= 2 ? 6 : 5;
      at += header + ((bytes[at + 3] << 8) | bytes[at + 4]) + 1;
    }
  }
  return chunks;
}

bool ResetsDictionary(uint8_t control) {
  return control == 1 || control >= 0xE0;
}

// A BCJ filter over an LZMA or LZMA2 coder works in the output block
// itself: no temporary block of the folder's size is taken (the 1.2 MB
// folder decodes with temporary requests of at most 512 KiB).
TEST_F(ArchiveReaderTest, FilterWorksInTheOutputBlock) {
  for (const char* name : {"bcj_lzma", "bcj_lzma2"}) {
    SCOPED_TRACE(name);
    FileInputStream stream;
    ASSERT_TRUE(stream.Open((dir_ / "good" / (std::string(name) + ".7z")).string()));
    HeapAllocator temp(512 << 10);
    HeapAllocator blocks;
    ArchiveReader reader;
    ASSERT_EQ(ResultCode::kOk, reader.Open(&stream, &temp)) << reader.error_message();
    ScratchFolder out;
    ASSERT_EQ(ResultCode::kOk, ExtractAll(&reader, &blocks, out.path())) << reader.error_message();
    ExpectSameTree(out.path(), dir_ / "expected" / name);
  }
}

// A packer on several threads writes independent parts; decoding them on one
// thread or several gives the same bytes, every part of a multi-part stream
// runs on a decoding thread (never the caller's), and a single-part stream
// stays on the caller's thread. A BCJ filter over a multi-part stream runs
// on the decoding threads too (more guarded runs than parts).
TEST_F(ArchiveReaderTest, PartsDecodeOnThreadsLikeOnOne) {
  const struct {
    const char* archive;
    int threads;
    size_t parts;  // Decoded on the threads; 0: on the caller's thread.
    bool filtered_on_threads = false;
  } cases[] = {
      {.archive = "good/bcj_lzma2_parts.7z", .threads = 2, .parts = 5, .filtered_on_threads = true},
      {.archive = "good/bcj_lzma2_parts.7z", .threads = 4, .parts = 5, .filtered_on_threads = true},
      {.archive = "good/bcj_lzma2_parts.7z", .threads = 1, .parts = 0},
      {.archive = "good/lzma2_parts.7z", .threads = 1, .parts = 0},
      {.archive = "good/lzma2_parts.7z", .threads = 2, .parts = 5},
      {.archive = "good/lzma2_parts.7z", .threads = 4, .parts = 5},
      {.archive = "good/lzma2_parts.7z", .threads = 16, .parts = 5},
      {.archive = "seeds/small_lzma2_parts.7z", .threads = 3, .parts = 2},
      {.archive = "seeds/small_bcj_lzma2_parts.7z",
       .threads = 3,
       .parts = 2,
       .filtered_on_threads = true},
      {.archive = "good/lzma2.7z", .threads = 4, .parts = 0},
      {.archive = "good/bcj_lzma2.7z", .threads = 4, .parts = 0},
      {.archive = "good/solid_blocks.7z", .threads = 4, .parts = 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.archive << " on " << c.threads << " threads");
    const std::vector<uint8_t> bytes = ReadWholeFile(dir_ / c.archive);
    ASSERT_FALSE(bytes.empty());
    std::vector<std::vector<uint8_t>> one_thread;
    ASSERT_EQ(ResultCode::kOk, OpenAndExtract(bytes, 0, &one_thread, 1));
    RecordingWorkerGuard guard;
    std::vector<std::vector<uint8_t>> contents;
    ASSERT_EQ(ResultCode::kOk, OpenAndExtract(bytes, 0, &contents, c.threads, &guard));
    EXPECT_TRUE(one_thread == contents);
    if (c.parts > 1) {
      EXPECT_GE(guard.runs(), c.parts + (c.filtered_on_threads ? 1 : 0));
      if (!c.filtered_on_threads) {
        EXPECT_EQ(c.parts, guard.runs());
      }
    } else {
      EXPECT_EQ(0u, guard.runs());
    }
    EXPECT_EQ(0u, guard.threads().count(std::this_thread::get_id()));
  }
}

// Refuses every run from the `first_refused`th on, as the guard of a mapped
// block does when the disk is full, without running the body.
class RefusingWorkerGuard : public WorkerGuard {
 public:
  explicit RefusingWorkerGuard(size_t first_refused) : first_refused_(first_refused) {}
  bool Run(void (*body)(void* context), void* context) override {
    if (++runs_ >= first_refused_)
      return false;
    body(context);
    return true;
  }

 private:
  const size_t first_refused_;
  std::atomic<size_t> runs_ = 0;
};

// A decoding thread whose writes fault, while decoding a part or filtering
// the decoded output, fails the extraction with a write error and leaves
// nothing allocated: the five parts and their filter make six runs at
// least, so every row refuses one.
TEST_F(ArchiveReaderTest, AFaultOnADecodingThreadFailsTheFilteredFolder) {
  const std::vector<uint8_t> bytes = ReadWholeFile(dir_ / "good" / "bcj_lzma2_parts.7z");
  ASSERT_FALSE(bytes.empty());
  for (size_t first_refused : {1, 2, 5, 6}) {
    for (int threads : {2, 4}) {
      SCOPED_TRACE(testing::Message() << "run " << first_refused << " refused, on " << threads
                                      << " threads");
      RefusingWorkerGuard guard(first_refused);
      EXPECT_EQ(ResultCode::kWriteError, OpenAndExtract(bytes, 0, nullptr, threads, &guard));
    }
  }
}

// Chunk headers that lie are refused as corrupt data on one thread and on
// several alike, with nothing left allocated.
TEST_F(ArchiveReaderTest, DamagedLzma2PartsAreRefused) {
  const std::vector<uint8_t> bytes = ReadWholeFile(dir_ / "good" / "lzma2_parts.7z");
  // The one folder's stream follows the start header.
  const std::vector<size_t> chunks = Lzma2ChunkOffsets(bytes, 32);
  ASSERT_GT(chunks.size(), 6u);
  std::vector<size_t> resets;
  for (size_t chunk : chunks) {
    if (ResetsDictionary(bytes[chunk]))
      resets.push_back(chunk);
  }
  ASSERT_EQ(5u, resets.size());
  const size_t last_chunk = chunks[chunks.size() - 2];
  ASSERT_GE(bytes[last_chunk], 0x80);

  const struct {
    const char* what;
    size_t at;
    uint8_t value;
    ResultCode expected;
  } cases[] = {
      // The last chunk's packed size runs past the stream's end.
      {.what = "packed size past the end", .at = last_chunk + 3, .value = 0xFF,
       .expected = ResultCode::kDataError},
      // The last part claims more bytes than the folder holds.
      {.what = "part larger than the folder", .at = last_chunk, .value = 0x9F,
       .expected = ResultCode::kDataError},
      {.what = "first reset missing", .at = resets[0], .value = 0xC0,
       .expected = ResultCode::kDataError},
      {.what = "no such chunk type", .at = resets[2], .value = 0x03,
       .expected = ResultCode::kDataError},
      {.what = "end marker missing", .at = chunks.back(), .value = 0x02,
       .expected = ResultCode::kDataError},
      // The part then goes on from the one before it, whose last byte
      // changes its first literal's context: not the data that was packed.
      {.what = "a later reset missing", .at = resets[3], .value = 0xC0,
       .expected = ResultCode::kDataError},
  };
  for (const auto& c : cases) {
    for (int threads : {1, 4}) {
      SCOPED_TRACE(testing::Message() << c.what << " on " << threads << " threads");
      std::vector<uint8_t> damaged = bytes;
      damaged[c.at] = c.value;
      std::vector<std::vector<uint8_t>> contents;
      const ResultCode result = OpenAndExtract(damaged, 0, &contents, threads);
      EXPECT_EQ(c.expected, result);
    }
  }
}

TEST_F(ArchiveReaderTest, RefusesBadEntryIndexAndClosedReader) {
  HeapAllocator blocks;
  BlockCache cache(&blocks);
  ArchiveReader reader;
  size_t offset = 0;
  size_t size = 0;
  EXPECT_EQ(ResultCode::kParamError, reader.Extract(0, &cache, &offset, &size));
  FileInputStream stream;
  ASSERT_TRUE(stream.Open((dir_ / "good" / "copy.7z").string()));
  HeapAllocator temp;
  ASSERT_EQ(ResultCode::kOk, reader.Open(&stream, &temp));
  EXPECT_EQ(ResultCode::kParamError,
            reader.Extract(reader.entries().size(), &cache, &offset, &size));
  reader.Close();
  reader.Close();
  EXPECT_FALSE(reader.is_open());
  EXPECT_EQ(ResultCode::kParamError, reader.Extract(0, &cache, &offset, &size));
}

// The folders an unpacker decodes first and ahead: entries without data
// (folders, empty files) are passed over, and a third folder, or the first
// one's entries after the second's start, change nothing.
TEST(FindLeadingFoldersTest, FindsTheFirstTwoFoldersInTheEntriesOrder) {
  constexpr uint32_t kNone = LeadingFolders::kNone;
  // Each entry: its folder, or -1 for one without data.
  const struct {
    std::vector<int> entries;
    uint32_t first;
    uint32_t second;
    size_t second_entry;
  } kCases[] = {
      {{}, kNone, kNone, 0},
      {{-1, -1}, kNone, kNone, 0},
      {{3, 3, -1, 3}, 3, kNone, 0},
      {{-1, 1, -1, 1, 0, 1, 2}, 1, 0, 4},
      {{0, -1, 2, 0, 1}, 0, 2, 2},
  };
  for (const auto& test : kCases) {
    std::vector<ArchiveEntry> entries(test.entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      entries[i].has_stream = test.entries[i] >= 0;
      entries[i].folder_index = test.entries[i] >= 0 ? test.entries[i] : 0;
    }
    const LeadingFolders folders = FindLeadingFolders(entries);
    SCOPED_TRACE(::testing::PrintToString(test.entries));
    EXPECT_EQ(test.first, folders.first);
    EXPECT_EQ(test.second, folders.second);
    EXPECT_EQ(test.second_entry, folders.second_entry);
  }
}

}  // namespace
}  // namespace velta::seven_zip
