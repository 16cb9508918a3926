// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ARCHIVE_ENTRY_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ARCHIVE_ENTRY_H_

#include <cstdint>
#include <string>

namespace velta::seven_zip {

// One file or folder listed in an archive.
struct ArchiveEntry {
  // Relative path as stored (UTF-16), "/" or "\" between components. The
  // reader has checked it is safe to join to a destination folder.
  std::u16string name;
  bool is_directory = false;
  // The entry has data in a folder; otherwise it is a directory or an empty
  // file (is_empty_file).
  bool has_stream = false;
  bool is_empty_file = false;
  uint64_t size = 0;
  bool has_crc = false;
  uint32_t crc = 0;
  // Windows file attributes (FILE_ATTRIBUTE_*), high 16 bits possibly a
  // POSIX mode when bit 0x8000 is set, as the archiver stored them.
  bool has_attributes = false;
  uint32_t attributes = 0;
  // Last-write time as a Windows FILETIME value (100 ns since 1601-01-01 UTC).
  bool has_modification_time = false;
  uint64_t modification_time = 0;
  // Where the data sits: folder and offset in its unpacked output.
  uint32_t folder_index = 0;
  uint64_t offset_in_folder = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ARCHIVE_ENTRY_H_
