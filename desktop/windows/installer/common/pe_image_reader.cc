// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/pe_image_reader.h"

#include <stddef.h>
#include <string.h>

#include <algorithm>

namespace velta {
namespace {

// The optional header's fixed fields, before its data directories.
constexpr size_t kPe32FixedSize = offsetof(ImageOptionalHeader32, DataDirectory);
constexpr size_t kPe32PlusFixedSize = offsetof(ImageOptionalHeader64, DataDirectory);
// Both formats keep CheckSum at the same place.
static_assert(offsetof(ImageOptionalHeader32, CheckSum) ==
              offsetof(ImageOptionalHeader64, CheckSum));
// The fixed part of a WIN_CERTIFICATE (<wintrust.h>): dwLength, wRevision
// and wCertificateType.
constexpr size_t kCertificateHeaderSize = 8;

}  // namespace

PeImageReader::PeImageReader() = default;

PeImageReader::~PeImageReader() = default;

bool PeImageReader::Initialize(const uint8_t* data, size_t size) {
  data_ = data;
  size_ = data ? size : 0;
  Headers headers;
  const bool read = ReadHeaders(&headers);
  if (!read) {
    data_ = nullptr;
    size_ = 0;
  }
  headers_ = headers;
  return read;
}

bool PeImageReader::ReadHeaders(Headers* headers) const {
  ImageDosHeader dos_header;
  if (!Read(0, &dos_header, sizeof(dos_header)) || dos_header.e_magic != kImageDosSignature)
    return false;
  // e_lfanew is signed in the headers; a negative one reads as a huge offset
  // and fails the bounds check below.
  const uint64_t nt_offset = static_cast<uint32_t>(dos_header.e_lfanew);
  uint32_t signature = 0;
  ImageFileHeader file_header;
  const uint64_t file_header_offset = nt_offset + sizeof(signature);
  if (!Read(nt_offset, &signature, sizeof(signature)) || signature != kImageNtSignature ||
      !Read(file_header_offset, &file_header, sizeof(file_header))) {
    return false;
  }

  const uint64_t optional_offset = file_header_offset + sizeof(file_header);
  const uint64_t optional_size = file_header.SizeOfOptionalHeader;
  uint16_t magic = 0;
  if (optional_size < sizeof(magic) || !GetBytes(optional_offset, optional_size))
    return false;
  Read(optional_offset, &magic, sizeof(magic));
  size_t fixed_size;
  if (magic == kImageNtOptionalHeader32Magic) {
    headers->format = Format::kPe32;
    fixed_size = kPe32FixedSize;
  } else if (magic == kImageNtOptionalHeader64Magic) {
    headers->format = Format::kPe32Plus;
    fixed_size = kPe32PlusFixedSize;
  } else {
    return false;
  }
  if (optional_size < fixed_size)
    return false;
  // NumberOfRvaAndSizes is the last fixed field in both formats.
  uint32_t declared_directories = 0;
  Read(optional_offset + fixed_size - sizeof(declared_directories), &declared_directories,
       sizeof(declared_directories));
  const uint64_t room_for_directories = (optional_size - fixed_size) / sizeof(ImageDataDirectory);

  const uint64_t section_table_offset = optional_offset + optional_size;
  const uint64_t section_table_size =
      uint64_t{file_header.NumberOfSections} * sizeof(ImageSectionHeader);
  if (!GetBytes(section_table_offset, section_table_size))
    return false;

  // Every offset below lies inside the bytes, so it fits in size_t.
  headers->machine = file_header.Machine;
  headers->checksum_offset =
      static_cast<size_t>(optional_offset + offsetof(ImageOptionalHeader32, CheckSum));
  headers->data_directories_offset = static_cast<size_t>(optional_offset + fixed_size);
  headers->number_of_data_directories = static_cast<size_t>(std::min<uint64_t>(
      {declared_directories, room_for_directories, kImageNumberOfDirectoryEntries}));
  headers->section_table_offset = static_cast<size_t>(section_table_offset);
  headers->number_of_sections = file_header.NumberOfSections;
  headers->headers_end = static_cast<size_t>(section_table_offset + section_table_size);
  return true;
}

bool PeImageReader::GetSectionHeader(size_t index, ImageSectionHeader* header) const {
  if (index >= headers_.number_of_sections)
    return false;
  return Read(headers_.section_table_offset + uint64_t{index} * sizeof(*header), header,
              sizeof(*header));
}

bool PeImageReader::GetDataDirectory(size_t index, ImageDataDirectory* directory) const {
  size_t offset = 0;
  return GetDataDirectoryEntryOffset(index, &offset) && Read(offset, directory, sizeof(*directory));
}

bool PeImageReader::GetDataDirectoryEntryOffset(size_t index, size_t* offset) const {
  if (index >= headers_.number_of_data_directories)
    return false;
  *offset = headers_.data_directories_offset + index * sizeof(ImageDataDirectory);
  return true;
}

bool PeImageReader::GetCertificateTable(size_t* offset, size_t* size) const {
  ImageDataDirectory entry;
  if (!GetDataDirectory(kImageDirectoryEntrySecurity, &entry) ||
      entry.Size < kCertificateHeaderSize || entry.VirtualAddress < headers_.headers_end ||
      !GetBytes(entry.VirtualAddress, entry.Size)) {
    return false;
  }
  *offset = entry.VirtualAddress;
  *size = entry.Size;
  return true;
}

const uint8_t* PeImageReader::GetBytes(uint64_t offset, uint64_t size) const {
  // Written so that no sum can overflow: offset <= size_ first, then the
  // room left after it.
  if (!data_ || offset > size_ || size > size_ - offset)
    return nullptr;
  return data_ + offset;
}

bool PeImageReader::Read(uint64_t offset, void* out, size_t size) const {
  const uint8_t* bytes = GetBytes(offset, size);
  if (!bytes)
    return false;
  memcpy(out, bytes, size);
  return true;
}

}  // namespace velta
