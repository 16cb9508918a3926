// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/archive_reader.h"

#include <limits>
#include <map>
#include <utility>

#include "desktop/windows/installer/lzma_util/seven_zip/block_cache.h"
#include "desktop/windows/installer/lzma_util/seven_zip/byte_reader.h"
#include "desktop/windows/installer/lzma_util/seven_zip/crc32.h"
#include "desktop/windows/installer/lzma_util/seven_zip/entry_name_validator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/folder_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/header_parser.h"
#include "desktop/windows/installer/lzma_util/seven_zip/input_stream.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma2_parallel_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/start_header.h"

namespace velta::seven_zip {

namespace {

// A header beyond this (about a million entries) is not an installer
// package; refusing it keeps a corrupt size from asking for gigabytes.
constexpr uint64_t kMaxHeaderSize = 64 << 20;
// A packed header expands by far less than this; a larger claim is corrupt.
constexpr uint64_t kMaxHeaderExpansion = 1024;
// An encoded header may itself be encoded; 7z writers use one level.
constexpr int kMaxHeaderLevels = 4;

// For messages: the name in UTF-8, unpaired surrogates as U+FFFD.
std::string ToUtf8(const std::u16string& name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    uint32_t c = name[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
        name[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (name[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

}  // namespace

ArchiveReader::ArchiveReader() : decode_threads_(Lzma2ParallelDecoder::DefaultThreadCount()) {}

ArchiveReader::~ArchiveReader() = default;

ResultCode ArchiveReader::Fail(ResultCode code, std::string message) {
  error_ = std::move(message);
  Close();
  return code;
}

void ArchiveReader::Close() {
  stream_ = nullptr;
  temp_allocator_ = nullptr;
  archive_start_ = 0;
  stream_end_ = 0;
  streams_ = StreamsInfo();
  packed_offsets_.clear();
  entries_.clear();
}

ResultCode ArchiveReader::Open(InputStream* stream, Allocator* temp_allocator) {
  Close();
  error_.clear();
  stream_ = stream;
  temp_allocator_ = temp_allocator;

  int64_t position = 0;
  if (stream->Seek(&position, InputStream::SeekOrigin::kCurrent) != ResultCode::kOk)
    return Fail(ResultCode::kFail, "Cannot query the archive position");
  archive_start_ = static_cast<uint64_t>(position);

  uint8_t start_bytes[StartHeader::kSize];
  size_t read = 0;
  ResultCode result = stream->ReadFully(start_bytes, sizeof(start_bytes), &read);
  if (result != ResultCode::kOk)
    return Fail(result, "Cannot read the archive");
  if (read < sizeof(start_bytes)) {
    if (read >= StartHeader::kSignatureSize && StartHeader::HasSignature(start_bytes))
      return Fail(ResultCode::kInputEof, "The archive is truncated");
    return Fail(ResultCode::kNoArchive, "The file is too short for a 7z archive");
  }
  StartHeader start_header;
  std::string error;
  result = start_header.Parse(start_bytes, &error);
  if (result != ResultCode::kOk)
    return Fail(result, error);

  int64_t end = 0;
  if (stream->Seek(&end, InputStream::SeekOrigin::kEnd) != ResultCode::kOk)
    return Fail(ResultCode::kFail, "Cannot find the end of the archive");
  stream_end_ = static_cast<uint64_t>(end);

  if (start_header.next_header_size() == 0)
    return ResultCode::kOk;  // An empty archive.

  const uint64_t data_start = archive_start_ + StartHeader::kSize;
  uint64_t header_position = 0;
  uint64_t header_end = 0;
  if (__builtin_add_overflow(data_start, start_header.next_header_offset(), &header_position) ||
      __builtin_add_overflow(header_position, start_header.next_header_size(), &header_end) ||
      header_end > stream_end_) {
    return Fail(ResultCode::kInputEof, "The archive is truncated: its header lies past the end");
  }
  if (start_header.next_header_size() > kMaxHeaderSize)
    return Fail(ResultCode::kUnsupported, "The archive header is too large");

  std::vector<uint8_t> block;
  result = ReadHeaderBlock(header_position, start_header.next_header_size(),
                           start_header.next_header_crc(), &block);
  if (result != ResultCode::kOk)
    return Fail(result, error_);

  HeaderParser parser;
  for (int level = 0;; ++level) {
    ByteReader reader(block.data(), block.size());
    uint64_t id = 0;
    if (!reader.ReadNumber(&id))
      return Fail(ResultCode::kArchiveError, "The archive header is empty");
    if (id == HeaderParser::kHeader) {
      result = parser.ParseHeader(&reader, &streams_, &entries_);
      if (result != ResultCode::kOk)
        return Fail(result, parser.error());
      break;
    }
    if (id != HeaderParser::kEncodedHeader || level == kMaxHeaderLevels)
      return Fail(ResultCode::kArchiveError, "The archive header has an unknown form");
    StreamsInfo encoded;
    result = parser.ParseStreamsInfo(&reader, &encoded);
    if (result != ResultCode::kOk)
      return Fail(result, parser.error());
    std::vector<uint8_t> decoded;
    result = DecodeHeaderFolder(encoded, &decoded);
    if (result != ResultCode::kOk)
      return Fail(result, error_);
    block.swap(decoded);
  }

  result = LocatePackedStreams(streams_, &packed_offsets_);
  if (result != ResultCode::kOk)
    return Fail(result, error_);
  result = CheckEntryNames();
  if (result != ResultCode::kOk)
    return Fail(result, error_);
  return ResultCode::kOk;
}

ResultCode ArchiveReader::ReadHeaderBlock(uint64_t position, uint64_t size, uint32_t crc,
                                          std::vector<uint8_t>* block) {
  int64_t seek_to = static_cast<int64_t>(position);
  if (stream_->Seek(&seek_to, InputStream::SeekOrigin::kBegin) != ResultCode::kOk) {
    error_ = "Cannot seek to the archive header";
    return ResultCode::kFail;
  }
  block->resize(static_cast<size_t>(size));
  size_t read = 0;
  ResultCode result = stream_->ReadFully(block->data(), block->size(), &read);
  if (result != ResultCode::kOk) {
    error_ = "Cannot read the archive header";
    return result;
  }
  if (read < block->size()) {
    error_ = "The archive is truncated: its header ends early";
    return ResultCode::kInputEof;
  }
  if (Crc32::Compute(block->data(), block->size()) != crc) {
    error_ = "The archive header CRC does not match";
    return ResultCode::kCrcError;
  }
  return ResultCode::kOk;
}

ResultCode ArchiveReader::DecodeHeaderFolder(const StreamsInfo& streams,
                                             std::vector<uint8_t>* block) {
  if (streams.folders.size() != 1) {
    error_ = "The encoded archive header does not have exactly one folder";
    return ResultCode::kArchiveError;
  }
  std::vector<uint64_t> offsets;
  ResultCode result = LocatePackedStreams(streams, &offsets);
  if (result != ResultCode::kOk)
    return result;
  const Folder& folder = streams.folders[0];
  uint64_t packed_total = 0;
  for (size_t i = 0; i < folder.packed_stream_count(); ++i)
    packed_total += streams.pack_sizes[folder.first_packed_stream() + i];
  const uint64_t size = folder.unpack_size();
  if (size > kMaxHeaderSize || size / kMaxHeaderExpansion > packed_total) {
    error_ = "The encoded archive header claims an implausible size";
    return ResultCode::kArchiveError;
  }
  block->resize(static_cast<size_t>(size));
  // A header is small: one thread.
  FolderDecoder decoder(stream_, temp_allocator_, 1, nullptr, lzma_engine_);
  const size_t first = static_cast<size_t>(folder.first_packed_stream());
  result = decoder.Decode(folder, offsets.data() + first, streams.pack_sizes.data() + first,
                          block->data(), block->size(), &error_);
  if (result != ResultCode::kOk)
    error_ = "Cannot decode the archive header: " + error_;
  return result;
}

ResultCode ArchiveReader::LocatePackedStreams(const StreamsInfo& streams,
                                              std::vector<uint64_t>* offsets) {
  uint64_t position = 0;
  const uint64_t data_start = archive_start_ + StartHeader::kSize;
  if (__builtin_add_overflow(data_start, streams.pack_position, &position)) {
    error_ = "The archive's packed data position overflows";
    return ResultCode::kArchiveError;
  }
  offsets->clear();
  offsets->reserve(streams.pack_sizes.size());
  for (uint64_t size : streams.pack_sizes) {
    offsets->push_back(position);
    if (__builtin_add_overflow(position, size, &position) || position > stream_end_) {
      error_ = "The archive is truncated: packed data lies past the end";
      return ResultCode::kInputEof;
    }
  }
  return ResultCode::kOk;
}

ResultCode ArchiveReader::CheckEntryNames() {
  // Two entries of one path would both be written there, the last one
  // winning whatever the first held: which one counts is not for an archive
  // to decide by its order.
  std::map<std::u16string, const ArchiveEntry*> paths;
  for (const ArchiveEntry& entry : entries_) {
    std::string reason;
    if (!EntryNameValidator::IsSafe(entry.name, &reason)) {
      error_ = "The archive holds an unsafe entry name (" + reason + "): \"" + ToUtf8(entry.name) +
               "\"";
      return ResultCode::kArchiveError;
    }
    const auto [earlier, is_new] = paths.emplace(EntryNameValidator::PathKey(entry.name), &entry);
    if (!is_new) {
      error_ = "The archive holds two entries of the same path: \"" +
               ToUtf8(earlier->second->name) + "\" and \"" + ToUtf8(entry.name) + "\"";
      return ResultCode::kArchiveError;
    }
  }
  return ResultCode::kOk;
}

ResultCode ArchiveReader::Extract(size_t index, BlockCache* cache, size_t* offset, size_t* size) {
  *offset = 0;
  *size = 0;
  if (!is_open() || index >= entries_.size()) {
    error_ = "No such entry";
    return ResultCode::kParamError;
  }
  const ArchiveEntry& entry = entries_[index];
  if (!entry.has_stream)
    return ResultCode::kOk;

  if (cache->folder_index() != entry.folder_index) {
    const Folder& folder = streams_.folders[entry.folder_index];
    if (folder.unpack_size() > std::numeric_limits<size_t>::max()) {
      cache->Release();
      error_ = "A folder is too large for this process";
      return ResultCode::kMemoryError;
    }
    const size_t folder_size = static_cast<size_t>(folder.unpack_size());
    if (!cache->Reset(entry.folder_index, folder_size)) {
      error_ = "Cannot allocate the output block";
      return ResultCode::kMemoryError;
    }
    FolderDecoder decoder(stream_, temp_allocator_, decode_threads_, cache->worker_guard(),
                          lzma_engine_);
    const size_t first = static_cast<size_t>(folder.first_packed_stream());
    ResultCode result =
        decoder.Decode(folder, packed_offsets_.data() + first, streams_.pack_sizes.data() + first,
                       cache->data(), cache->size(), &error_);
    if (result != ResultCode::kOk) {
      cache->Release();
      return result;
    }
    cache->MarkDecoded();
  }

  // The header parser keeps every file inside its folder.
  *offset = static_cast<size_t>(entry.offset_in_folder);
  *size = static_cast<size_t>(entry.size);
  if (entry.has_crc && Crc32::Compute(cache->data() + *offset, *size) != entry.crc) {
    error_ = "The CRC of \"" + ToUtf8(entry.name) + "\" does not match";
    return ResultCode::kCrcError;
  }
  return ResultCode::kOk;
}

LeadingFolders FindLeadingFolders(const std::vector<ArchiveEntry>& entries) {
  LeadingFolders folders;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].has_stream)
      continue;
    const uint32_t folder = entries[i].folder_index;
    if (folders.first == LeadingFolders::kNone) {
      folders.first = folder;
    } else if (folder != folders.first) {
      folders.second = folder;
      folders.second_entry = i;
      break;
    }
  }
  return folders;
}

}  // namespace velta::seven_zip
