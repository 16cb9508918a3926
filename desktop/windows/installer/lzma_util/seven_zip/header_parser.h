// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_HEADER_PARSER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_HEADER_PARSER_H_

#include <cstddef>
#include <string>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/archive_entry.h"
#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"
#include "desktop/windows/installer/lzma_util/seven_zip/streams_info.h"

namespace velta::seven_zip {

class ByteReader;
class Folder;

// Parses a decoded 7z header block into the streams description and the
// entry list. Every count is checked against the bytes left before anything
// is sized by it, every sum against overflow. Coders other than Copy, LZMA,
// LZMA2, BCJ and BCJ2, external data and anti items are refused here, so an
// archive the reader cannot extract fails when it is opened. Malformed data
// gives kArchiveError, refused features kUnsupported; error() says which.
class HeaderParser {
 public:
  // Property ids of the 7z header.
  enum PropertyId : uint8_t {
    kEnd = 0x00,
    kHeader = 0x01,
    kArchiveProperties = 0x02,
    kAdditionalStreamsInfo = 0x03,
    kMainStreamsInfo = 0x04,
    kFilesInfo = 0x05,
    kPackInfo = 0x06,
    kUnpackInfo = 0x07,
    kSubStreamsInfo = 0x08,
    kSize = 0x09,
    kCrc = 0x0A,
    kFolder = 0x0B,
    kCodersUnpackSize = 0x0C,
    kNumUnpackStream = 0x0D,
    kEmptyStream = 0x0E,
    kEmptyFile = 0x0F,
    kAnti = 0x10,
    kName = 0x11,
    kCreationTime = 0x12,
    kAccessTime = 0x13,
    kModificationTime = 0x14,
    kWinAttributes = 0x15,
    kComment = 0x16,
    kEncodedHeader = 0x17,
    kStartPosition = 0x18,
    kDummy = 0x19,
  };

  HeaderParser();
  HeaderParser(const HeaderParser&) = delete;
  HeaderParser& operator=(const HeaderParser&) = delete;
  ~HeaderParser();

  // Parses a plain header; `reader` stands just after its kHeader byte.
  // Fills `entries` with names, flags, times, attributes and each stream's
  // folder, offset, size and CRC.
  ResultCode ParseHeader(ByteReader* reader, StreamsInfo* streams,
                         std::vector<ArchiveEntry>* entries);

  // Parses the description of an encoded header; `reader` stands just after
  // its kEncodedHeader byte.
  ResultCode ParseStreamsInfo(ByteReader* reader, StreamsInfo* streams);

  const std::string& error() const { return error_; }

 private:
  ResultCode ParsePackInfo(ByteReader* reader, StreamsInfo* streams);
  ResultCode ParseUnpackInfo(ByteReader* reader, StreamsInfo* streams);
  ResultCode ParseFolder(ByteReader* reader, Folder* folder);
  ResultCode ParseSubStreamsInfo(ByteReader* reader, StreamsInfo* streams);
  ResultCode ParseFilesInfo(ByteReader* reader, std::vector<ArchiveEntry>* entries);
  ResultCode ParseNames(ByteReader* reader, std::vector<ArchiveEntry>* entries);
  ResultCode LinkEntries(const StreamsInfo& streams, std::vector<ArchiveEntry>* entries);

  // Reads a bit field of `count` bits, highest bit of each byte first.
  ResultCode ReadBitField(ByteReader* reader, size_t count, std::vector<bool>* bits);
  // Reads an "all defined" byte, then a bit field when it is 0.
  ResultCode ReadDefinedFlags(ByteReader* reader, size_t count, std::vector<bool>* defined);
  ResultCode ReadDigests(ByteReader* reader, size_t count, std::vector<bool>* defined,
                         std::vector<uint32_t>* crcs);
  ResultCode SkipPropertyData(ByteReader* reader);

  // Records `message` and returns `code`.
  ResultCode Fail(ResultCode code, std::string message);
  ResultCode Truncated();

  std::string error_;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_HEADER_PARSER_H_
