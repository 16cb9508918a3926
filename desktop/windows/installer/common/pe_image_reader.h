// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PE_IMAGE_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PE_IMAGE_READER_H_

#include <stddef.h>
#include <stdint.h>

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/common/pe_image_format.h"

namespace base {
class MemoryMappedFile;
}  // namespace base

namespace velta {

// Reads the headers of a PE image (an .exe or .dll) from the bytes of its
// file: the DOS header, the NT headers of a PE32 or PE32+ image, the section
// table and the data directories. Every offset and count comes from the file,
// which may be truncated or hostile: each read is checked against the number
// of bytes first, with arithmetic that cannot overflow, so such a file makes
// Initialize fail or an accessor answer false, never a read outside the bytes.
// The file is taken as it lies on disk; nothing is loaded or relocated.
//
// Initialized once; then const and usable from any thread. Over bytes given
// by the caller, those bytes must stay valid and unchanged while the reader
// is used; over a path, the reader maps the file and owns the view. The
// reading over bytes is portable (the native build fuzzes it); the mapping
// of a file is the Windows build's alone.
class PeImageReader {
 public:
  // The optional header's magic: 0x10B (PE32) or 0x20B (PE32+).
  enum class Format { kPe32, kPe32Plus };

  PeImageReader();
  PeImageReader(const PeImageReader&) = delete;
  PeImageReader& operator=(const PeImageReader&) = delete;
  ~PeImageReader();

  // Maps the file at `path` read-only (others may keep reading, writing or
  // deleting it) and reads its headers. False when the file is missing, empty,
  // a folder, cannot be mapped, or is not a whole set of PE headers. Blocks
  // on the file system.
  bool InitializeFromFile(const base::FilePath& path);
  // Reads the headers from the `size` bytes at `data`: the whole file, or the
  // part of it that the caller has. False when they are not a whole set of
  // PE headers: the DOS header with "MZ", the "PE\0\0" signature, the file
  // header, an optional header of a known format that holds its fixed fields,
  // and the section table.
  bool Initialize(const uint8_t* data, size_t size);

  // The bytes read, and how many there are.
  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

  // The file header's Machine (kImageFileMachineI386, ...Amd64, ...).
  uint16_t machine() const { return headers_.machine; }
  Format format() const { return headers_.format; }
  // Where the headers end: the first byte after the section table.
  size_t headers_end() const { return headers_.headers_end; }

  size_t number_of_sections() const { return headers_.number_of_sections; }
  // Copies section header `index` (< number_of_sections()); false past them.
  bool GetSectionHeader(size_t index, ImageSectionHeader* header) const;

  // How many data directory entries the optional header holds: its
  // NumberOfRvaAndSizes, limited to the 16 defined entries and to what fits
  // in the SizeOfOptionalHeader that the file header declares.
  size_t number_of_data_directories() const { return headers_.number_of_data_directories; }
  // Copies entry `index` (IMAGE_DIRECTORY_ENTRY_*); false past the entries
  // the header holds.
  bool GetDataDirectory(size_t index, ImageDataDirectory* directory) const;
  // The file offset of entry `index` itself, inside the optional header.
  bool GetDataDirectoryEntryOffset(size_t index, size_t* offset) const;
  // The file offset of the optional header's CheckSum field.
  size_t checksum_offset() const { return headers_.checksum_offset; }

  // The certificate table of an Authenticode-signed file: the security
  // directory entry, whose address is a file offset (not an RVA). True, with
  // its place, when the entry exists, is at least as large as one
  // WIN_CERTIFICATE header, and lies wholly in the bytes after the headers;
  // false for an unsigned file and for an entry that points elsewhere.
  bool GetCertificateTable(size_t* offset, size_t* size) const;

  // The `size` bytes at file offset `offset`, or null unless all of them lie
  // inside the bytes read.
  const uint8_t* GetBytes(uint64_t offset, uint64_t size) const;

 private:
  // What Initialize learns; kept only when all of it was read.
  struct Headers {
    uint16_t machine = 0;
    Format format = Format::kPe32;
    size_t checksum_offset = 0;
    size_t data_directories_offset = 0;
    size_t number_of_data_directories = 0;
    size_t section_table_offset = 0;
    size_t number_of_sections = 0;
    size_t headers_end = 0;
  };

  bool ReadHeaders(Headers* headers) const;
  // Copies `size` bytes at `offset` to `out`; false outside the bytes.
  bool Read(uint64_t offset, void* out, size_t size) const;

  // The view of InitializeFromFile. Its deleter comes with it, so that the
  // reading over bytes links without the Windows file mapping.
  std::unique_ptr<base::MemoryMappedFile, void (*)(base::MemoryMappedFile*)> mapped_file_{
      nullptr, nullptr};
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  Headers headers_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PE_IMAGE_READER_H_
