// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_PE_IMAGE_FORMAT_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_PE_IMAGE_FORMAT_H_

#include <stdint.h>

namespace velta {

// The PE file format's headers as PeImageReader reads them, declared without
// <windows.h> so that the reader builds on any platform: each structure has
// the layout and field names of its IMAGE_* namesake (IMAGE_DOS_HEADER,
// IMAGE_FILE_HEADER, ...), which the Windows build checks field by field.
// The file's bytes are little-endian, as is every host that reads them.

constexpr uint16_t kImageDosSignature = 0x5A4D;  // "MZ"
constexpr uint32_t kImageNtSignature = 0x00004550;  // "PE\0\0"
constexpr uint16_t kImageNtOptionalHeader32Magic = 0x10B;
constexpr uint16_t kImageNtOptionalHeader64Magic = 0x20B;
constexpr uint16_t kImageFileMachineI386 = 0x014C;
constexpr uint16_t kImageFileMachineAmd64 = 0x8664;
constexpr uint32_t kImageNumberOfDirectoryEntries = 16;
constexpr uint32_t kImageDirectoryEntryResource = 2;
constexpr uint32_t kImageDirectoryEntrySecurity = 4;
constexpr uint32_t kImageSizeOfShortName = 8;

struct ImageDosHeader {
  uint16_t e_magic;
  uint16_t e_cblp;
  uint16_t e_cp;
  uint16_t e_crlc;
  uint16_t e_cparhdr;
  uint16_t e_minalloc;
  uint16_t e_maxalloc;
  uint16_t e_ss;
  uint16_t e_sp;
  uint16_t e_csum;
  uint16_t e_ip;
  uint16_t e_cs;
  uint16_t e_lfarlc;
  uint16_t e_ovno;
  uint16_t e_res[4];
  uint16_t e_oemid;
  uint16_t e_oeminfo;
  uint16_t e_res2[10];
  // Signed in the format; a negative value is no valid offset.
  int32_t e_lfanew;
};
static_assert(sizeof(ImageDosHeader) == 64);

struct ImageFileHeader {
  uint16_t Machine;
  uint16_t NumberOfSections;
  uint32_t TimeDateStamp;
  uint32_t PointerToSymbolTable;
  uint32_t NumberOfSymbols;
  uint16_t SizeOfOptionalHeader;
  uint16_t Characteristics;
};
static_assert(sizeof(ImageFileHeader) == 20);

struct ImageDataDirectory {
  uint32_t VirtualAddress;
  uint32_t Size;
};
static_assert(sizeof(ImageDataDirectory) == 8);

struct ImageOptionalHeader32 {
  uint16_t Magic;
  uint8_t MajorLinkerVersion;
  uint8_t MinorLinkerVersion;
  uint32_t SizeOfCode;
  uint32_t SizeOfInitializedData;
  uint32_t SizeOfUninitializedData;
  uint32_t AddressOfEntryPoint;
  uint32_t BaseOfCode;
  uint32_t BaseOfData;
  uint32_t ImageBase;
  uint32_t SectionAlignment;
  uint32_t FileAlignment;
  uint16_t MajorOperatingSystemVersion;
  uint16_t MinorOperatingSystemVersion;
  uint16_t MajorImageVersion;
  uint16_t MinorImageVersion;
  uint16_t MajorSubsystemVersion;
  uint16_t MinorSubsystemVersion;
  uint32_t Win32VersionValue;
  uint32_t SizeOfImage;
  uint32_t SizeOfHeaders;
  uint32_t CheckSum;
  uint16_t Subsystem;
  uint16_t DllCharacteristics;
  uint32_t SizeOfStackReserve;
  uint32_t SizeOfStackCommit;
  uint32_t SizeOfHeapReserve;
  uint32_t SizeOfHeapCommit;
  uint32_t LoaderFlags;
  uint32_t NumberOfRvaAndSizes;
  ImageDataDirectory DataDirectory[kImageNumberOfDirectoryEntries];
};
static_assert(sizeof(ImageOptionalHeader32) == 224);

struct ImageOptionalHeader64 {
  uint16_t Magic;
  uint8_t MajorLinkerVersion;
  uint8_t MinorLinkerVersion;
  uint32_t SizeOfCode;
  uint32_t SizeOfInitializedData;
  uint32_t SizeOfUninitializedData;
  uint32_t AddressOfEntryPoint;
  uint32_t BaseOfCode;
  uint64_t ImageBase;
  uint32_t SectionAlignment;
  uint32_t FileAlignment;
  uint16_t MajorOperatingSystemVersion;
  uint16_t MinorOperatingSystemVersion;
  uint16_t MajorImageVersion;
  uint16_t MinorImageVersion;
  uint16_t MajorSubsystemVersion;
  uint16_t MinorSubsystemVersion;
  uint32_t Win32VersionValue;
  uint32_t SizeOfImage;
  uint32_t SizeOfHeaders;
  uint32_t CheckSum;
  uint16_t Subsystem;
  uint16_t DllCharacteristics;
  uint64_t SizeOfStackReserve;
  uint64_t SizeOfStackCommit;
  uint64_t SizeOfHeapReserve;
  uint64_t SizeOfHeapCommit;
  uint32_t LoaderFlags;
  uint32_t NumberOfRvaAndSizes;
  ImageDataDirectory DataDirectory[kImageNumberOfDirectoryEntries];
};
static_assert(sizeof(ImageOptionalHeader64) == 240);

struct ImageSectionHeader {
  uint8_t Name[kImageSizeOfShortName];
  union {
    uint32_t PhysicalAddress;
    uint32_t VirtualSize;
  } Misc;
  uint32_t VirtualAddress;
  uint32_t SizeOfRawData;
  uint32_t PointerToRawData;
  uint32_t PointerToRelocations;
  uint32_t PointerToLinenumbers;
  uint16_t NumberOfRelocations;
  uint16_t NumberOfLinenumbers;
  uint32_t Characteristics;
};
static_assert(sizeof(ImageSectionHeader) == 40);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_PE_IMAGE_FORMAT_H_
