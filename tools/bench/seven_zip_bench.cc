// Copyright 2026 Velta Software. All rights reserved.

// Extracts a whole 7z archive into a folder with our reader and prints the
// throughput in MB/s of unpacked output (files written with the C library).
//   seven_zip_bench [--decoder=stream|lzmadec] ARCHIVE DESTINATION [THREADS]
// --decoder picks the reader's LZMA decoder (decoder_switch.h).
// As the installer's unpacker does, the second folder (in the entries' order)
// is decoded ahead on a thread of its own, with a reader and stream of its
// own, while the first is decoded and written.
// THREADS caps the threads one folder decodes on (1: the caller's thread
// alone, no folder decoded ahead); by default the reader's.
// Exits 1 with the reader's SZ_ERROR code and reason when extraction fails.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "desktop/windows/installer/lzma_util/seven_zip/archive_reader.h"
#include "desktop/windows/installer/lzma_util/seven_zip/block_cache.h"
#include "desktop/windows/installer/lzma_util/seven_zip/file_input_stream.h"
#include "desktop/windows/installer/lzma_util/seven_zip/heap_allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/signature_scanner.h"
#include "decoder_switch.h"

namespace {

using velta::seven_zip::ResultCode;

int Fail(const char* what, ResultCode code, const std::string& reason) {
  std::fprintf(stderr, "%s failed: %d (%s) %s\n", what, static_cast<int>(code),
               velta::seven_zip::ResultCodeName(code), reason.c_str());
  return 1;
}

// Opens for writing; wide on Windows, where narrow paths lose non-ASCII
// names.
std::FILE* OpenForWriting(const std::filesystem::path& path) {
#if defined(_WIN32)
  return _wfopen(path.c_str(), L"wb");
#else
  return std::fopen(path.c_str(), "wb");
#endif
}

std::filesystem::path EntryPath(const std::filesystem::path& destination,
                                const std::u16string& name) {
  std::u16string relative = name;
  for (char16_t& c : relative) {
    if (c == u'\\')
      c = u'/';
  }
  return destination / std::filesystem::path(relative);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace velta::seven_zip;
  const char* const program = argv[0];
  LzmaEngine engine;
  if (!TakeDecoderSwitch(&argc, &argv, &engine))
    return 2;
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s [--decoder=stream|lzmadec] ARCHIVE DESTINATION [THREADS]\n",
                 program);
    return 2;
  }
  const int threads = argc == 4 ? std::atoi(argv[3]) : 0;
  const std::filesystem::path destination(argv[2]);
  const auto start = std::chrono::steady_clock::now();

  FileInputStream stream;
  if (!stream.Open(argv[1]))
    return Fail("Opening the file", ResultCode::kReadError, argv[1]);
  std::string error;
  ResultCode result = SignatureScanner::SeekToSignature(&stream, &error);
  if (result != ResultCode::kOk)
    return Fail("Finding the signature", result, error);
  HeapAllocator heap;
  const auto configure = [&](ArchiveReader* reader) {
    if (threads > 0)
      reader->set_decode_threads(threads);
    reader->set_lzma_engine(engine);
  };
  ArchiveReader reader;
  configure(&reader);
  result = reader.Open(&stream, &heap);
  if (result != ResultCode::kOk)
    return Fail("Opening the archive", result, reader.error_message());

  // The folder decoded ahead, and its first entry (0: none).
  const LeadingFolders folders = FindLeadingFolders(reader.entries());
  const uint32_t ahead_folder = folders.second;
  const size_t ahead_entry = threads != 1 ? folders.second_entry : 0;
  HeapAllocator ahead_heap;
  BlockCache ahead_cache(&ahead_heap);
  FileInputStream ahead_stream;
  ArchiveReader ahead_reader;
  bool ahead_decoded = false;
  std::thread ahead;
  if (ahead_entry != 0) {
    ahead = std::thread([&] {
      std::string ahead_error;
      if (!ahead_stream.Open(argv[1]) ||
          SignatureScanner::SeekToSignature(&ahead_stream, &ahead_error) != ResultCode::kOk) {
        return;
      }
      configure(&ahead_reader);
      size_t offset = 0;
      size_t size = 0;
      ahead_decoded =
          ahead_reader.Open(&ahead_stream, &ahead_heap) == ResultCode::kOk &&
          ahead_reader.Extract(ahead_entry, &ahead_cache, &offset, &size) == ResultCode::kOk;
    });
  }
  // Every return waits for the thread first.
  struct Joiner {
    std::thread* thread;
    ~Joiner() {
      if (thread->joinable())
        thread->join();
    }
  } joiner{&ahead};

  BlockCache cache(&heap);
  uint64_t total = 0;
  for (size_t i = 0; i < reader.entries().size(); ++i) {
    const ArchiveEntry& entry = reader.entries()[i];
    if (i == ahead_entry && ahead.joinable())
      ahead.join();  // A folder that failed ahead is decoded here, and fails here.
    const std::filesystem::path path = EntryPath(destination, entry.name);
    std::error_code ec;
    if (entry.is_directory) {
      std::filesystem::create_directories(path, ec);
      continue;
    }
    std::filesystem::create_directories(path.parent_path(), ec);
    size_t offset = 0;
    size_t size = 0;
    // From the ahead folder's first entry on, the thread has been joined.
    const bool decoded_ahead =
        ahead_entry != 0 && i >= ahead_entry && ahead_decoded && entry.folder_index == ahead_folder;
    BlockCache* const block = decoded_ahead ? &ahead_cache : &cache;
    result = reader.Extract(i, block, &offset, &size);
    if (result != ResultCode::kOk)
      return Fail("Extracting", result, reader.error_message());
    std::FILE* file = OpenForWriting(path);
    if (!file)
      return Fail("Creating a file", ResultCode::kWriteError, path.string());
    const bool written = size == 0 || std::fwrite(block->data() + offset, 1, size, file) == size;
    if (std::fclose(file) != 0 || !written)
      return Fail("Writing a file", ResultCode::kWriteError, path.string());
    total += size;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%.1f MB/s (%llu bytes in %.3f s)\n", total / 1e6 / seconds,
              static_cast<unsigned long long>(total), seconds);
  return 0;
}
