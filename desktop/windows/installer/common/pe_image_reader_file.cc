// Copyright 2026 Velta Software. All rights reserved.

// The Windows build's part of PeImageReader: the mapping of a file, and the
// check that the portable declarations of the headers match <windows.h>.

#include "desktop/windows/installer/common/pe_image_reader.h"

#include <stddef.h>
#include <windows.h>

#include <memory>
#include <utility>

#include "base/files/file.h"
#include "base/files/memory_mapped_file.h"

namespace velta {
namespace {

#define VELTA_SAME_FIELD(ours, theirs, field)                         \
  static_assert(offsetof(ours, field) == offsetof(theirs, field) &&   \
                sizeof(ours::field) == sizeof(theirs::field),          \
                #ours "::" #field " differs from " #theirs)

static_assert(sizeof(ImageDosHeader) == sizeof(IMAGE_DOS_HEADER));
VELTA_SAME_FIELD(ImageDosHeader, IMAGE_DOS_HEADER, e_magic);
VELTA_SAME_FIELD(ImageDosHeader, IMAGE_DOS_HEADER, e_res2);
VELTA_SAME_FIELD(ImageDosHeader, IMAGE_DOS_HEADER, e_lfanew);

static_assert(sizeof(ImageFileHeader) == sizeof(IMAGE_FILE_HEADER));
VELTA_SAME_FIELD(ImageFileHeader, IMAGE_FILE_HEADER, Machine);
VELTA_SAME_FIELD(ImageFileHeader, IMAGE_FILE_HEADER, NumberOfSections);
VELTA_SAME_FIELD(ImageFileHeader, IMAGE_FILE_HEADER, SizeOfOptionalHeader);
VELTA_SAME_FIELD(ImageFileHeader, IMAGE_FILE_HEADER, Characteristics);

static_assert(sizeof(ImageDataDirectory) == sizeof(IMAGE_DATA_DIRECTORY));
VELTA_SAME_FIELD(ImageDataDirectory, IMAGE_DATA_DIRECTORY, VirtualAddress);
VELTA_SAME_FIELD(ImageDataDirectory, IMAGE_DATA_DIRECTORY, Size);

static_assert(sizeof(ImageOptionalHeader32) == sizeof(IMAGE_OPTIONAL_HEADER32));
VELTA_SAME_FIELD(ImageOptionalHeader32, IMAGE_OPTIONAL_HEADER32, Magic);
VELTA_SAME_FIELD(ImageOptionalHeader32, IMAGE_OPTIONAL_HEADER32, ImageBase);
VELTA_SAME_FIELD(ImageOptionalHeader32, IMAGE_OPTIONAL_HEADER32, CheckSum);
VELTA_SAME_FIELD(ImageOptionalHeader32, IMAGE_OPTIONAL_HEADER32, SizeOfStackReserve);
VELTA_SAME_FIELD(ImageOptionalHeader32, IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
VELTA_SAME_FIELD(ImageOptionalHeader32, IMAGE_OPTIONAL_HEADER32, DataDirectory);

static_assert(sizeof(ImageOptionalHeader64) == sizeof(IMAGE_OPTIONAL_HEADER64));
VELTA_SAME_FIELD(ImageOptionalHeader64, IMAGE_OPTIONAL_HEADER64, Magic);
VELTA_SAME_FIELD(ImageOptionalHeader64, IMAGE_OPTIONAL_HEADER64, ImageBase);
VELTA_SAME_FIELD(ImageOptionalHeader64, IMAGE_OPTIONAL_HEADER64, CheckSum);
VELTA_SAME_FIELD(ImageOptionalHeader64, IMAGE_OPTIONAL_HEADER64, SizeOfStackReserve);
VELTA_SAME_FIELD(ImageOptionalHeader64, IMAGE_OPTIONAL_HEADER64, NumberOfRvaAndSizes);
VELTA_SAME_FIELD(ImageOptionalHeader64, IMAGE_OPTIONAL_HEADER64, DataDirectory);

static_assert(sizeof(ImageSectionHeader) == sizeof(IMAGE_SECTION_HEADER));
VELTA_SAME_FIELD(ImageSectionHeader, IMAGE_SECTION_HEADER, Name);
VELTA_SAME_FIELD(ImageSectionHeader, IMAGE_SECTION_HEADER, Misc);
VELTA_SAME_FIELD(ImageSectionHeader, IMAGE_SECTION_HEADER, VirtualAddress);
VELTA_SAME_FIELD(ImageSectionHeader, IMAGE_SECTION_HEADER, PointerToRawData);
VELTA_SAME_FIELD(ImageSectionHeader, IMAGE_SECTION_HEADER, Characteristics);

#undef VELTA_SAME_FIELD

static_assert(kImageDosSignature == IMAGE_DOS_SIGNATURE);
static_assert(kImageNtSignature == IMAGE_NT_SIGNATURE);
static_assert(kImageNtOptionalHeader32Magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC);
static_assert(kImageNtOptionalHeader64Magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC);
static_assert(kImageFileMachineI386 == IMAGE_FILE_MACHINE_I386);
static_assert(kImageFileMachineAmd64 == IMAGE_FILE_MACHINE_AMD64);
static_assert(kImageNumberOfDirectoryEntries == IMAGE_NUMBEROF_DIRECTORY_ENTRIES);
static_assert(kImageDirectoryEntryResource == IMAGE_DIRECTORY_ENTRY_RESOURCE);
static_assert(kImageDirectoryEntrySecurity == IMAGE_DIRECTORY_ENTRY_SECURITY);
static_assert(kImageSizeOfShortName == IMAGE_SIZEOF_SHORT_NAME);

void DeleteMappedFile(base::MemoryMappedFile* mapped_file) {
  delete mapped_file;
}

}  // namespace

bool PeImageReader::InitializeFromFile(const base::FilePath& path) {
  base::File file(path,
                  base::File::FLAG_OPEN | base::File::FLAG_READ | base::File::FLAG_SHARE_DELETE);
  auto mapped_file = std::make_unique<base::MemoryMappedFile>();
  if (!file.IsValid() || !mapped_file->Initialize(std::move(file)))
    return false;
  mapped_file_ = {mapped_file.release(), &DeleteMappedFile};
  return Initialize(mapped_file_->data(), mapped_file_->length());
}

}  // namespace velta
