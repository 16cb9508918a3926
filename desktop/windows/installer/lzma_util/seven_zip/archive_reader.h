// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ARCHIVE_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ARCHIVE_READER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/archive_entry.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"
#include "desktop/windows/installer/lzma_util/seven_zip/streams_info.h"

namespace velta::seven_zip {

class Allocator;
class BlockCache;
class InputStream;

// Reads a 7z archive: Open checks the start header, reads (and, when packed,
// decodes) the header, refuses what extraction could not handle (other
// coders, anti items, unsafe names, two entries of one path) and lists the
// entries; Extract decodes an entry's folder into a BlockCache and checks the
// entry's CRC.
//
//   ArchiveReader reader;
//   HeapAllocator heap;
//   if (reader.Open(&stream, &heap) != ResultCode::kOk) ... reader.error_message()
//   BlockCache cache(&block_allocator);
//   for (size_t i = 0; i < reader.entries().size(); ++i) {
//     size_t offset, size;
//     reader.Extract(i, &cache, &offset, &size);  // bytes at cache.data() + offset
//   }
//
// Used from one thread (which a folder's decode may share out among threads
// of its own; see FolderDecoder). Every failure returns the LZMA SDK's result number
// and leaves a plain English reason in error_message().
class ArchiveReader {
 public:
  ArchiveReader();
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;
  ~ArchiveReader();

  // Opens the archive that starts at the stream's current position (seek to
  // the signature first when the file has a stub; see SignatureScanner).
  // `stream` and `temp_allocator` (decoder tables, intermediate streams, the
  // packed header) must outlive the reader or the next Open/Close. On failure
  // the reader is closed.
  ResultCode Open(InputStream* stream, Allocator* temp_allocator);

  // Forgets the archive. Safe to call twice.
  void Close();

  bool is_open() const { return stream_ != nullptr; }
  const std::vector<ArchiveEntry>& entries() const { return entries_; }
  size_t folder_count() const { return streams_.folders.size(); }

  // Makes entry `index` available at `cache->data() + *offset`, `*size`
  // bytes, decoding its folder unless the cache already holds it. A
  // directory or empty file gives size 0 and leaves the cache alone. On
  // failure the cache is released. Takes memory only from the cache and the
  // temporary allocator (and for error_message()), so a call abandoned
  // midway leaves behind nothing but their blocks.
  ResultCode Extract(size_t index, BlockCache* cache, size_t* offset, size_t* size);

  const std::string& error_message() const { return error_; }

  // The most threads Extract decodes one folder on (a folder whose LZMA2
  // stream has independent parts); 1 decodes on the calling thread alone.
  // By default the processors this process may run on, at most eight (four
  // in a 32-bit process).
  void set_decode_threads(int threads) { decode_threads_ = threads; }

  // The decoder of LZMA and LZMA2 coders (the header's too, from the next
  // Open): LzmaStreamDecoder unless told otherwise.
  void set_lzma_engine(LzmaEngine engine) { lzma_engine_ = engine; }

 private:
  // Reads the header block at `position` and checks its CRC.
  ResultCode ReadHeaderBlock(uint64_t position, uint64_t size, uint32_t crc,
                             std::vector<uint8_t>* block);
  // Decodes an encoded header (folder 0 of `streams`) into `block`.
  ResultCode DecodeHeaderFolder(const StreamsInfo& streams, std::vector<uint8_t>* block);
  // Computes the absolute position of every packed stream and checks that
  // all of them lie inside the stream.
  ResultCode LocatePackedStreams(const StreamsInfo& streams, std::vector<uint64_t>* offsets);
  // Refuses unsafe names and two entries of one path (case and separator
  // aside).
  ResultCode CheckEntryNames();
  ResultCode Fail(ResultCode code, std::string message);

  InputStream* stream_ = nullptr;
  Allocator* temp_allocator_ = nullptr;
  // Absolute positions of the signature and of the stream's end.
  uint64_t archive_start_ = 0;
  uint64_t stream_end_ = 0;
  StreamsInfo streams_;
  std::vector<uint64_t> packed_offsets_;
  std::vector<ArchiveEntry> entries_;
  std::string error_;
  int decode_threads_;
  LzmaEngine lzma_engine_ = LzmaEngine::kStreamDecoder;
};

// The first two folders in the entries' order, as an unpacker meets them: it
// decodes the second ahead, on a thread of its own, while it writes the
// first one's entries.
struct LeadingFolders {
  static constexpr uint32_t kNone = 0xFFFFFFFF;
  uint32_t first = kNone;
  uint32_t second = kNone;
  // The second folder's first entry; 0 when there is no second folder.
  size_t second_entry = 0;
};
LeadingFolders FindLeadingFolders(const std::vector<ArchiveEntry>& entries);

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ARCHIVE_READER_H_
