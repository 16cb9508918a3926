// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_STREAMS_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_STREAMS_INFO_H_

#include <cstdint>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/folder.h"

namespace velta::seven_zip {

// The streams part of a 7z header: where the packed streams are, the folders
// that decode them and how each folder's output splits into file streams.
struct StreamsInfo {
  // Offset of the first packed stream after the 32-byte start header.
  uint64_t pack_position = 0;
  std::vector<uint64_t> pack_sizes;
  std::vector<Folder> folders;
  // Per folder: how many file streams its output holds (often 1).
  std::vector<uint64_t> folder_stream_counts;
  // Per file stream, folder by folder.
  std::vector<uint64_t> stream_sizes;
  std::vector<bool> stream_has_crc;
  std::vector<uint32_t> stream_crcs;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_STREAMS_INFO_H_
