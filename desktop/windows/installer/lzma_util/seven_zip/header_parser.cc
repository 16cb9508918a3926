// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/header_parser.h"

#include <cstdio>
#include <utility>

#include "desktop/windows/installer/lzma_util/seven_zip/byte_reader.h"
#include "desktop/windows/installer/lzma_util/seven_zip/folder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"

namespace velta::seven_zip {

namespace {

// No supported folder needs more than BCJ2 with three LZMA coders.
constexpr uint64_t kMaxCodersInFolder = 8;
constexpr uint64_t kMaxInStreamsPerCoder = 4;
// Far beyond any installer package; bounds the entry table (about 100 bytes
// an entry) whatever the header claims.
constexpr uint64_t kMaxEntries = 1 << 20;

struct MethodName {
  uint64_t id;
  const char* name;
};

// Methods named in the refusal message; any other id is shown in hex only.
constexpr MethodName kUnsupportedMethodNames[] = {
    {0x03, "Delta"},        {0x04, "x86 BCJ (new)"}, {0x05, "PowerPC"},
    {0x06, "IA64"},         {0x07, "ARM"},           {0x08, "ARM Thumb"},
    {0x09, "SPARC"},        {0x0A, "ARM64"},         {0x0B, "RISC-V"},
    {0x030401, "PPMd"},     {0x040108, "Deflate"},   {0x040109, "Deflate64"},
    {0x040202, "BZip2"},    {0x03030205, "PowerPC"}, {0x03030401, "IA64"},
    {0x03030501, "ARM"},    {0x03030701, "ARM Thumb"}, {0x03030805, "SPARC"},
    {0x06F10701, "AES-256 encryption"},
};

bool MethodFromId(uint64_t id, Folder::Method* method) {
  switch (id) {
    case 0x00:
      *method = Folder::Method::kCopy;
      return true;
    case 0x030101:
      *method = Folder::Method::kLzma;
      return true;
    case 0x21:
      *method = Folder::Method::kLzma2;
      return true;
    case 0x03030103:
      *method = Folder::Method::kBcjX86;
      return true;
    case 0x0303011B:
      *method = Folder::Method::kBcj2;
      return true;
    default:
      return false;
  }
}

std::string UnsupportedMethodMessage(uint64_t id) {
  char hex[32];
  std::snprintf(hex, sizeof(hex), "%llX", static_cast<unsigned long long>(id));
  std::string name;
  for (const MethodName& known : kUnsupportedMethodNames) {
    if (known.id == id)
      name = std::string(known.name) + " ";
  }
  return "The archive uses the unsupported coder " + name + "(id " + hex + ")";
}

}  // namespace

HeaderParser::HeaderParser() = default;

HeaderParser::~HeaderParser() = default;

ResultCode HeaderParser::Fail(ResultCode code, std::string message) {
  error_ = std::move(message);
  return code;
}

ResultCode HeaderParser::Truncated() {
  return Fail(ResultCode::kArchiveError, "The archive header is truncated or malformed");
}

ResultCode HeaderParser::ParseHeader(ByteReader* reader, StreamsInfo* streams,
                                     std::vector<ArchiveEntry>* entries) {
  uint64_t id = 0;
  if (!reader->ReadNumber(&id))
    return Truncated();
  if (id == kArchiveProperties) {
    for (;;) {
      uint64_t type = 0;
      if (!reader->ReadNumber(&type))
        return Truncated();
      if (type == kEnd)
        break;
      ResultCode result = SkipPropertyData(reader);
      if (result != ResultCode::kOk)
        return result;
    }
    if (!reader->ReadNumber(&id))
      return Truncated();
  }
  if (id == kAdditionalStreamsInfo)
    return Fail(ResultCode::kUnsupported, "The archive uses additional header streams");
  if (id == kMainStreamsInfo) {
    ResultCode result = ParseStreamsInfo(reader, streams);
    if (result != ResultCode::kOk)
      return result;
    if (!reader->ReadNumber(&id))
      return Truncated();
  }
  if (id == kFilesInfo) {
    ResultCode result = ParseFilesInfo(reader, entries);
    if (result != ResultCode::kOk)
      return result;
    if (!reader->ReadNumber(&id))
      return Truncated();
  }
  if (id != kEnd)
    return Fail(ResultCode::kArchiveError, "The archive header has an unexpected property");
  return LinkEntries(*streams, entries);
}

ResultCode HeaderParser::ParseStreamsInfo(ByteReader* reader, StreamsInfo* streams) {
  uint64_t id = 0;
  if (!reader->ReadNumber(&id))
    return Truncated();
  if (id == kPackInfo) {
    ResultCode result = ParsePackInfo(reader, streams);
    if (result != ResultCode::kOk)
      return result;
    if (!reader->ReadNumber(&id))
      return Truncated();
  }
  if (id == kUnpackInfo) {
    ResultCode result = ParseUnpackInfo(reader, streams);
    if (result != ResultCode::kOk)
      return result;
    if (!reader->ReadNumber(&id))
      return Truncated();
  }
  // Without sub-stream information each folder holds one stream.
  streams->folder_stream_counts.assign(streams->folders.size(), 1);
  streams->stream_sizes.clear();
  streams->stream_has_crc.clear();
  streams->stream_crcs.clear();
  for (const Folder& folder : streams->folders) {
    streams->stream_sizes.push_back(folder.unpack_size());
    streams->stream_has_crc.push_back(folder.has_crc());
    streams->stream_crcs.push_back(folder.crc());
  }
  if (id == kSubStreamsInfo) {
    ResultCode result = ParseSubStreamsInfo(reader, streams);
    if (result != ResultCode::kOk)
      return result;
    if (!reader->ReadNumber(&id))
      return Truncated();
  }
  if (id != kEnd)
    return Fail(ResultCode::kArchiveError, "The streams description has an unexpected property");

  // Hand out the packed streams to the folders in order.
  uint64_t next_packed = 0;
  for (Folder& folder : streams->folders) {
    folder.set_first_packed_stream(next_packed);
    next_packed += folder.packed_stream_count();
    if (next_packed > streams->pack_sizes.size())
      return Fail(ResultCode::kArchiveError, "The folders need more packed streams than listed");
  }
  return ResultCode::kOk;
}

ResultCode HeaderParser::ParsePackInfo(ByteReader* reader, StreamsInfo* streams) {
  uint64_t count = 0;
  if (!reader->ReadNumber(&streams->pack_position) ||
      !reader->ReadNumberUpTo(reader->remaining(), &count)) {
    return Truncated();
  }
  bool has_sizes = false;
  for (;;) {
    uint64_t id = 0;
    if (!reader->ReadNumber(&id))
      return Truncated();
    if (id == kEnd)
      break;
    if (id == kSize) {
      // Grown as sizes are read, so a false count cannot reserve much.
      streams->pack_sizes.clear();
      for (uint64_t i = 0; i < count; ++i) {
        uint64_t size = 0;
        if (!reader->ReadNumber(&size))
          return Truncated();
        streams->pack_sizes.push_back(size);
      }
      has_sizes = true;
    } else if (id == kCrc) {
      // Packed-stream CRCs are optional and no current archiver writes
      // them; the decoded data is checked by the folder and file CRCs.
      std::vector<bool> defined;
      std::vector<uint32_t> crcs;
      ResultCode result = ReadDigests(reader, static_cast<size_t>(count), &defined, &crcs);
      if (result != ResultCode::kOk)
        return result;
    } else {
      ResultCode result = SkipPropertyData(reader);
      if (result != ResultCode::kOk)
        return result;
    }
  }
  if (!has_sizes)
    return Fail(ResultCode::kArchiveError, "The archive does not list its packed sizes");
  return ResultCode::kOk;
}

ResultCode HeaderParser::ParseUnpackInfo(ByteReader* reader, StreamsInfo* streams) {
  uint64_t id = 0;
  uint64_t count = 0;
  uint8_t external = 0;
  if (!reader->ReadNumber(&id))
    return Truncated();
  if (id != kFolder)
    return Fail(ResultCode::kArchiveError, "The folder list is missing");
  // A folder takes at least two bytes.
  if (!reader->ReadNumberUpTo(reader->remaining() / 2, &count) || !reader->ReadByte(&external))
    return Truncated();
  if (external != 0)
    return Fail(ResultCode::kUnsupported, "The archive keeps its folder list elsewhere");
  streams->folders.clear();
  for (uint64_t i = 0; i < count; ++i) {
    Folder folder;
    ResultCode result = ParseFolder(reader, &folder);
    if (result != ResultCode::kOk)
      return result;
    streams->folders.push_back(std::move(folder));
  }

  if (!reader->ReadNumber(&id))
    return Truncated();
  if (id != kCodersUnpackSize)
    return Fail(ResultCode::kArchiveError, "The folders' unpacked sizes are missing");
  for (Folder& folder : streams->folders) {
    for (Folder::Coder& coder : folder.coders()) {
      if (!reader->ReadNumber(&coder.unpack_size))
        return Truncated();
    }
  }

  for (;;) {
    if (!reader->ReadNumber(&id))
      return Truncated();
    if (id == kEnd)
      break;
    if (id == kCrc) {
      std::vector<bool> defined;
      std::vector<uint32_t> crcs;
      ResultCode result = ReadDigests(reader, streams->folders.size(), &defined, &crcs);
      if (result != ResultCode::kOk)
        return result;
      for (size_t i = 0; i < streams->folders.size(); ++i) {
        if (defined[i])
          streams->folders[i].set_crc(crcs[i]);
      }
      continue;
    }
    ResultCode result = SkipPropertyData(reader);
    if (result != ResultCode::kOk)
      return result;
  }
  return ResultCode::kOk;
}

ResultCode HeaderParser::ParseFolder(ByteReader* reader, Folder* folder) {
  uint64_t coder_count = 0;
  if (!reader->ReadNumber(&coder_count))
    return Truncated();
  if (coder_count == 0)
    return Fail(ResultCode::kArchiveError, "A folder has no coders");
  if (coder_count > kMaxCodersInFolder)
    return Fail(ResultCode::kUnsupported, "A folder has too many coders");

  uint32_t total_in = 0;
  folder->coders().resize(static_cast<size_t>(coder_count));
  for (Folder::Coder& coder : folder->coders()) {
    uint8_t flags = 0;
    if (!reader->ReadByte(&flags))
      return Truncated();
    if (flags & 0xC0)
      return Fail(ResultCode::kUnsupported, "A coder uses alternative methods");
    const size_t id_size = flags & 0x0F;
    if (id_size > 8)
      return Fail(ResultCode::kUnsupported, "A coder has an overlong method id");
    uint64_t method_id = 0;
    for (size_t i = 0; i < id_size; ++i) {
      uint8_t b = 0;
      if (!reader->ReadByte(&b))
        return Truncated();
      method_id = (method_id << 8) | b;
    }
    uint64_t in_count = 1;
    if (flags & 0x10) {
      uint64_t out_count = 0;
      if (!reader->ReadNumber(&in_count) || !reader->ReadNumber(&out_count))
        return Truncated();
      if (in_count == 0 || in_count > kMaxInStreamsPerCoder || out_count != 1)
        return Fail(ResultCode::kUnsupported, "A coder has an unsupported number of streams");
    }
    if (flags & 0x20) {
      uint64_t size = 0;
      if (!reader->ReadNumberUpTo(reader->remaining(), &size))
        return Truncated();
      coder.properties.assign(reader->current(), reader->current() + size);
      reader->Skip(size);
    }
    if (!MethodFromId(method_id, &coder.method))
      return Fail(ResultCode::kUnsupported, UnsupportedMethodMessage(method_id));
    std::string error;
    switch (coder.method) {
      case Folder::Method::kLzma:
        if (!LzmaDecoder::CheckLzmaProperties(coder.properties.data(), coder.properties.size(),
                                              &error)) {
          return Fail(ResultCode::kUnsupported, error);
        }
        break;
      case Folder::Method::kLzma2:
        if (!LzmaDecoder::CheckLzma2Properties(coder.properties.data(), coder.properties.size(),
                                               &error)) {
          return Fail(ResultCode::kUnsupported, error);
        }
        break;
      case Folder::Method::kCopy:
      case Folder::Method::kBcjX86:
      case Folder::Method::kBcj2:
        if (!coder.properties.empty())
          return Fail(ResultCode::kUnsupported, "A filter coder has properties");
        break;
    }
    coder.in_stream_count = static_cast<uint32_t>(in_count);
    coder.first_in_stream = total_in;
    total_in += static_cast<uint32_t>(in_count);
  }
  folder->set_total_in_streams(total_in);

  const uint32_t bind_pair_count = static_cast<uint32_t>(coder_count - 1);
  folder->bind_pairs().resize(bind_pair_count);
  for (Folder::BindPair& pair : folder->bind_pairs()) {
    uint64_t in_index = 0;
    uint64_t out_index = 0;
    if (!reader->ReadNumberUpTo(total_in, &in_index) ||
        !reader->ReadNumberUpTo(coder_count, &out_index)) {
      return Fail(ResultCode::kArchiveError, "A folder binds a stream out of range");
    }
    pair.in_index = static_cast<uint32_t>(in_index);
    pair.out_index = static_cast<uint32_t>(out_index);
  }
  if (total_in < bind_pair_count + 1)
    return Fail(ResultCode::kArchiveError, "A folder has no packed stream");
  const uint32_t packed_count = total_in - bind_pair_count;
  if (packed_count == 1) {
    // The one input no bind pair feeds.
    for (uint32_t in_index = 0; in_index < total_in; ++in_index) {
      bool bound = false;
      for (const Folder::BindPair& pair : folder->bind_pairs())
        bound = bound || pair.in_index == in_index;
      if (!bound) {
        folder->packed_streams().push_back(in_index);
        break;
      }
    }
  } else {
    for (uint32_t i = 0; i < packed_count; ++i) {
      uint64_t in_index = 0;
      if (!reader->ReadNumberUpTo(total_in, &in_index))
        return Fail(ResultCode::kArchiveError, "A folder's packed stream is out of range");
      folder->packed_streams().push_back(static_cast<uint32_t>(in_index));
    }
  }
  std::string error;
  if (!folder->Validate(&error))
    return Fail(ResultCode::kArchiveError, error);
  return ResultCode::kOk;
}

ResultCode HeaderParser::ParseSubStreamsInfo(ByteReader* reader, StreamsInfo* streams) {
  const size_t folder_count = streams->folders.size();
  uint64_t id = 0;
  if (!reader->ReadNumber(&id))
    return Truncated();
  uint64_t total_streams = folder_count;
  if (id == kNumUnpackStream) {
    total_streams = 0;
    for (uint64_t& count : streams->folder_stream_counts) {
      // Each stream beyond the first of a folder needs a size byte below.
      if (!reader->ReadNumberUpTo(reader->remaining() + 1, &count))
        return Truncated();
      total_streams += count;
      if (total_streams > reader->remaining() + folder_count)
        return Truncated();
    }
    if (!reader->ReadNumber(&id))
      return Truncated();
  }

  streams->stream_sizes.clear();
  for (size_t f = 0; f < folder_count; ++f) {
    const uint64_t count = streams->folder_stream_counts[f];
    if (count == 0)
      continue;
    uint64_t sum = 0;
    if (count > 1) {
      if (id != kSize)
        return Fail(ResultCode::kArchiveError, "The sizes of a folder's files are missing");
      for (uint64_t i = 1; i < count; ++i) {
        uint64_t size = 0;
        if (!reader->ReadNumber(&size))
          return Truncated();
        if (__builtin_add_overflow(sum, size, &sum))
          return Fail(ResultCode::kArchiveError, "A folder's file sizes overflow");
        streams->stream_sizes.push_back(size);
      }
    }
    const uint64_t folder_size = streams->folders[f].unpack_size();
    if (sum > folder_size)
      return Fail(ResultCode::kArchiveError, "A folder's files are larger than the folder");
    streams->stream_sizes.push_back(folder_size - sum);
  }
  if (id == kSize && !reader->ReadNumber(&id))
    return Truncated();

  // CRCs: a folder with one stream and a folder CRC uses that; all other
  // streams take theirs from the list, in order.
  streams->stream_has_crc.assign(streams->stream_sizes.size(), false);
  streams->stream_crcs.assign(streams->stream_sizes.size(), 0);
  size_t listed = 0;
  for (size_t f = 0; f < folder_count; ++f) {
    const uint64_t count = streams->folder_stream_counts[f];
    if (!(count == 1 && streams->folders[f].has_crc()))
      listed += static_cast<size_t>(count);
  }
  for (;;) {
    if (id == kEnd)
      break;
    if (id == kCrc) {
      std::vector<bool> defined;
      std::vector<uint32_t> crcs;
      ResultCode result = ReadDigests(reader, listed, &defined, &crcs);
      if (result != ResultCode::kOk)
        return result;
      size_t stream = 0;
      size_t next = 0;
      for (size_t f = 0; f < folder_count; ++f) {
        const uint64_t count = streams->folder_stream_counts[f];
        const Folder& folder = streams->folders[f];
        if (count == 1 && folder.has_crc()) {
          streams->stream_has_crc[stream] = true;
          streams->stream_crcs[stream] = folder.crc();
          ++stream;
          continue;
        }
        for (uint64_t i = 0; i < count; ++i, ++stream, ++next) {
          streams->stream_has_crc[stream] = defined[next];
          streams->stream_crcs[stream] = crcs[next];
        }
      }
    } else {
      ResultCode result = SkipPropertyData(reader);
      if (result != ResultCode::kOk)
        return result;
    }
    if (!reader->ReadNumber(&id))
      return Truncated();
  }
  // Folders with one stream keep their folder CRC even without a CRC list.
  size_t stream = 0;
  for (size_t f = 0; f < folder_count; ++f) {
    const uint64_t count = streams->folder_stream_counts[f];
    if (count == 1 && streams->folders[f].has_crc()) {
      streams->stream_has_crc[stream] = true;
      streams->stream_crcs[stream] = streams->folders[f].crc();
    }
    stream += static_cast<size_t>(count);
  }
  // ReadNumber above consumed the kEnd; the caller reads the next id.
  return ResultCode::kOk;
}

ResultCode HeaderParser::ParseFilesInfo(ByteReader* reader, std::vector<ArchiveEntry>* entries) {
  uint64_t count = 0;
  // Every entry needs at least a name terminator (two bytes) below.
  if (!reader->ReadNumberUpTo(reader->remaining() / 2, &count))
    return Truncated();
  if (count > kMaxEntries)
    return Fail(ResultCode::kUnsupported, "The archive has too many entries");
  const size_t file_count = static_cast<size_t>(count);
  entries->assign(file_count, ArchiveEntry());
  std::vector<bool> empty_stream(file_count, false);
  std::vector<bool> empty_file;
  size_t empty_stream_count = 0;
  bool has_names = false;

  for (;;) {
    uint64_t type = 0;
    uint64_t size = 0;
    if (!reader->ReadNumber(&type))
      return Truncated();
    if (type == kEnd)
      break;
    ByteReader property(nullptr, 0);
    if (!reader->ReadNumber(&size) || !reader->ReadSubReader(size, &property))
      return Truncated();
    ResultCode result = ResultCode::kOk;
    switch (type) {
      case kEmptyStream:
        result = ReadBitField(&property, file_count, &empty_stream);
        empty_stream_count = 0;
        for (bool empty : empty_stream)
          empty_stream_count += empty;
        empty_file.assign(empty_stream_count, false);
        break;
      case kEmptyFile:
        result = ReadBitField(&property, empty_stream_count, &empty_file);
        break;
      case kAnti: {
        std::vector<bool> anti;
        result = ReadBitField(&property, empty_stream_count, &anti);
        for (bool is_anti : anti) {
          if (is_anti && result == ResultCode::kOk)
            result = Fail(ResultCode::kUnsupported, "The archive has anti items (deletions)");
        }
        break;
      }
      case kName:
        result = ParseNames(&property, entries);
        has_names = true;
        break;
      case kModificationTime:
      case kWinAttributes: {
        std::vector<bool> defined;
        uint8_t external = 0;
        result = ReadDefinedFlags(&property, file_count, &defined);
        if (result != ResultCode::kOk)
          break;
        if (!property.ReadByte(&external)) {
          result = Truncated();
          break;
        }
        if (external != 0) {
          result = Fail(ResultCode::kUnsupported, "The archive keeps file properties elsewhere");
          break;
        }
        for (size_t i = 0; i < file_count && result == ResultCode::kOk; ++i) {
          if (!defined[i])
            continue;
          ArchiveEntry& entry = (*entries)[i];
          if (type == kModificationTime) {
            entry.has_modification_time = property.ReadUInt64(&entry.modification_time);
            if (!entry.has_modification_time)
              result = Truncated();
          } else {
            entry.has_attributes = property.ReadUInt32(&entry.attributes);
            if (!entry.has_attributes)
              result = Truncated();
          }
        }
        break;
      }
      default:
        // Creation and access times, start positions, padding: not needed.
        break;
    }
    if (result != ResultCode::kOk)
      return result;
  }
  if (file_count > 0 && !has_names)
    return Fail(ResultCode::kArchiveError, "The archive's entries have no names");

  size_t empty_index = 0;
  for (size_t i = 0; i < file_count; ++i) {
    ArchiveEntry& entry = (*entries)[i];
    entry.has_stream = !empty_stream[i];
    if (!entry.has_stream) {
      entry.is_empty_file = empty_file[empty_index++];
      entry.is_directory = !entry.is_empty_file;
    }
  }
  return ResultCode::kOk;
}

ResultCode HeaderParser::ParseNames(ByteReader* reader, std::vector<ArchiveEntry>* entries) {
  uint8_t external = 0;
  if (!reader->ReadByte(&external))
    return Truncated();
  if (external != 0)
    return Fail(ResultCode::kUnsupported, "The archive keeps its names elsewhere");
  if (reader->remaining() % 2 != 0)
    return Fail(ResultCode::kArchiveError, "The archive's name list has an odd size");
  const uint8_t* data = reader->current();
  const size_t units = reader->remaining() / 2;
  size_t unit = 0;
  for (ArchiveEntry& entry : *entries) {
    const size_t start = unit;
    while (unit < units && (data[2 * unit] | data[2 * unit + 1]) != 0)
      ++unit;
    if (unit == units)
      return Fail(ResultCode::kArchiveError, "The archive's name list ends early");
    entry.name.resize(unit - start);
    for (size_t i = start; i < unit; ++i)
      entry.name[i - start] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    ++unit;  // The terminating zero.
  }
  if (unit != units)
    return Fail(ResultCode::kArchiveError, "The archive's name list has extra names");
  return ResultCode::kOk;
}

ResultCode HeaderParser::LinkEntries(const StreamsInfo& streams,
                                     std::vector<ArchiveEntry>* entries) {
  size_t folder = 0;
  uint64_t in_folder = 0;
  uint64_t offset = 0;
  size_t stream = 0;
  for (ArchiveEntry& entry : *entries) {
    if (!entry.has_stream)
      continue;
    while (folder < streams.folders.size() && streams.folder_stream_counts[folder] == 0)
      ++folder;
    if (folder >= streams.folders.size() || stream >= streams.stream_sizes.size())
      return Fail(ResultCode::kArchiveError, "The archive lists more files than streams");
    entry.folder_index = static_cast<uint32_t>(folder);
    entry.offset_in_folder = offset;
    entry.size = streams.stream_sizes[stream];
    entry.has_crc = streams.stream_has_crc[stream];
    entry.crc = streams.stream_crcs[stream];
    offset += entry.size;
    ++stream;
    if (++in_folder == streams.folder_stream_counts[folder]) {
      ++folder;
      in_folder = 0;
      offset = 0;
    }
  }
  if (stream != streams.stream_sizes.size())
    return Fail(ResultCode::kArchiveError, "The archive lists fewer files than streams");
  return ResultCode::kOk;
}

ResultCode HeaderParser::ReadBitField(ByteReader* reader, size_t count, std::vector<bool>* bits) {
  if ((count + 7) / 8 > reader->remaining())
    return Truncated();
  bits->assign(count, false);
  uint8_t byte = 0;
  for (size_t i = 0; i < count; ++i) {
    if (i % 8 == 0)
      reader->ReadByte(&byte);
    (*bits)[i] = (byte & (0x80 >> (i % 8))) != 0;
  }
  return ResultCode::kOk;
}

ResultCode HeaderParser::ReadDefinedFlags(ByteReader* reader, size_t count,
                                          std::vector<bool>* defined) {
  uint8_t all_defined = 0;
  if (!reader->ReadByte(&all_defined))
    return Truncated();
  if (all_defined) {
    defined->assign(count, true);
    return ResultCode::kOk;
  }
  return ReadBitField(reader, count, defined);
}

ResultCode HeaderParser::ReadDigests(ByteReader* reader, size_t count, std::vector<bool>* defined,
                                     std::vector<uint32_t>* crcs) {
  ResultCode result = ReadDefinedFlags(reader, count, defined);
  if (result != ResultCode::kOk)
    return result;
  size_t defined_count = 0;
  for (bool is_defined : *defined)
    defined_count += is_defined;
  if (defined_count > reader->remaining() / 4)
    return Truncated();
  crcs->assign(count, 0);
  for (size_t i = 0; i < count; ++i) {
    if ((*defined)[i] && !reader->ReadUInt32(&(*crcs)[i]))
      return Truncated();
  }
  return ResultCode::kOk;
}

ResultCode HeaderParser::SkipPropertyData(ByteReader* reader) {
  uint64_t size = 0;
  if (!reader->ReadNumber(&size) || !reader->Skip(size))
    return Truncated();
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
