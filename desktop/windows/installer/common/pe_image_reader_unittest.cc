// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/pe_image_reader.h"

#include <stddef.h>
#include <string.h>
#include <windows.h>

#include <string>

#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr uint32_t kNtOffset = 0x80;
constexpr uint32_t kSectionDataOffset = 0x400;
constexpr uint32_t kCertificateTableSize = 0x20;

// The headers of a small image: DOS header, NT headers with all 16 data
// directories, two sections of 0x200 bytes, then a certificate table.
std::string MakePeImage(bool pe32_plus) {
  std::string image(kSectionDataOffset + 2 * 0x200 + kCertificateTableSize, '\0');
  IMAGE_DOS_HEADER dos = {};
  dos.e_magic = IMAGE_DOS_SIGNATURE;
  dos.e_lfanew = kNtOffset;
  memcpy(image.data(), &dos, sizeof(dos));
  const DWORD signature = IMAGE_NT_SIGNATURE;
  memcpy(image.data() + kNtOffset, &signature, sizeof(signature));

  IMAGE_FILE_HEADER file = {};
  file.Machine = pe32_plus ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
  file.NumberOfSections = 2;
  file.SizeOfOptionalHeader =
      pe32_plus ? sizeof(IMAGE_OPTIONAL_HEADER64) : sizeof(IMAGE_OPTIONAL_HEADER32);
  memcpy(image.data() + kNtOffset + 4, &file, sizeof(file));

  const size_t optional_offset = kNtOffset + 4 + sizeof(file);
  IMAGE_DATA_DIRECTORY* directories;
  if (pe32_plus) {
    auto* optional = reinterpret_cast<IMAGE_OPTIONAL_HEADER64*>(image.data() + optional_offset);
    optional->Magic = IMAGE_NT_OPTIONAL_HDR64_MAGIC;
    optional->NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    directories = optional->DataDirectory;
  } else {
    auto* optional = reinterpret_cast<IMAGE_OPTIONAL_HEADER32*>(image.data() + optional_offset);
    optional->Magic = IMAGE_NT_OPTIONAL_HDR32_MAGIC;
    optional->NumberOfRvaAndSizes = IMAGE_NUMBEROF_DIRECTORY_ENTRIES;
    directories = optional->DataDirectory;
  }
  directories[IMAGE_DIRECTORY_ENTRY_IMPORT] = {0x1000, 0x28};
  directories[IMAGE_DIRECTORY_ENTRY_SECURITY] = {kSectionDataOffset + 2 * 0x200,
                                                 kCertificateTableSize};

  const char* names[] = {".text", ".data"};
  for (int i = 0; i < 2; ++i) {
    IMAGE_SECTION_HEADER section = {};
    memcpy(section.Name, names[i], strlen(names[i]));
    section.SizeOfRawData = 0x200;
    section.PointerToRawData = kSectionDataOffset + i * 0x200;
    memcpy(image.data() + optional_offset + file.SizeOfOptionalHeader + i * sizeof(section),
           &section, sizeof(section));
  }
  return image;
}

size_t PeHeadersEnd(const std::string& image) {
  IMAGE_FILE_HEADER file;
  memcpy(&file, image.data() + kNtOffset + 4, sizeof(file));
  return kNtOffset + 4 + sizeof(file) + file.SizeOfOptionalHeader +
         file.NumberOfSections * sizeof(IMAGE_SECTION_HEADER);
}

template <typename T>
void PutField(std::string* image, size_t offset, T value) {
  memcpy(image->data() + offset, &value, sizeof(value));
}

// Bytes that end right at an inaccessible page: a read past their end
// crashes the test instead of passing unnoticed.
class GuardedPeBytes {
 public:
  explicit GuardedPeBytes(const std::string& bytes) {
    const size_t page = 4096;
    const size_t pages = (bytes.size() + page - 1) / page;
    base_ = static_cast<uint8_t*>(
        ::VirtualAlloc(nullptr, (pages + 1) * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD old = 0;
    ::VirtualProtect(base_ + pages * page, page, PAGE_NOACCESS, &old);
    data_ = base_ + pages * page - bytes.size();
    memcpy(data_, bytes.data(), bytes.size());
  }
  GuardedPeBytes(const GuardedPeBytes&) = delete;
  GuardedPeBytes& operator=(const GuardedPeBytes&) = delete;
  ~GuardedPeBytes() { ::VirtualFree(base_, 0, MEM_RELEASE); }

  const uint8_t* data() const { return data_; }

 private:
  uint8_t* base_ = nullptr;
  uint8_t* data_ = nullptr;
};

class PeImageReaderFormatTest : public ::testing::TestWithParam<bool> {};

TEST_P(PeImageReaderFormatTest, ReadsHeadersSectionsAndCertificateTable) {
  const bool pe32_plus = GetParam();
  const std::string image = MakePeImage(pe32_plus);
  GuardedPeBytes bytes(image);
  PeImageReader reader;
  ASSERT_TRUE(reader.Initialize(bytes.data(), image.size()));
  EXPECT_EQ(pe32_plus ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386, reader.machine());
  EXPECT_EQ(pe32_plus ? PeImageReader::Format::kPe32Plus : PeImageReader::Format::kPe32,
            reader.format());
  EXPECT_EQ(PeHeadersEnd(image), reader.headers_end());
  EXPECT_EQ(kNtOffset + 24 + 64u, reader.checksum_offset());

  ASSERT_EQ(2u, reader.number_of_sections());
  ImageSectionHeader section;
  ASSERT_TRUE(reader.GetSectionHeader(1, &section));
  EXPECT_STREQ(".data", reinterpret_cast<const char*>(section.Name));
  EXPECT_EQ(kSectionDataOffset + 0x200, section.PointerToRawData);
  EXPECT_FALSE(reader.GetSectionHeader(2, &section));

  ASSERT_EQ(16u, reader.number_of_data_directories());
  ImageDataDirectory directory;
  ASSERT_TRUE(reader.GetDataDirectory(IMAGE_DIRECTORY_ENTRY_IMPORT, &directory));
  EXPECT_EQ(0x1000u, directory.VirtualAddress);
  EXPECT_EQ(0x28u, directory.Size);
  EXPECT_FALSE(reader.GetDataDirectory(16, &directory));
  size_t entry_offset = 0;
  ASSERT_TRUE(reader.GetDataDirectoryEntryOffset(IMAGE_DIRECTORY_ENTRY_SECURITY, &entry_offset));
  EXPECT_EQ(0, memcmp(image.data() + entry_offset, "\x00\x08\x00\x00\x20\x00\x00\x00", 8));

  size_t offset = 0;
  size_t size = 0;
  ASSERT_TRUE(reader.GetCertificateTable(&offset, &size));
  EXPECT_EQ(image.size() - kCertificateTableSize, offset);
  EXPECT_EQ(kCertificateTableSize, size);
}

TEST_P(PeImageReaderFormatTest, EveryTruncationFailsCleanlyUntilTheHeadersAreWhole) {
  const std::string image = MakePeImage(GetParam());
  const size_t headers_end = PeHeadersEnd(image);
  for (size_t cut = 0; cut <= image.size(); ++cut) {
    SCOPED_TRACE(cut);
    GuardedPeBytes bytes(image.substr(0, cut));
    PeImageReader reader;
    ASSERT_EQ(cut >= headers_end, reader.Initialize(bytes.data(), cut));
    size_t offset = 0;
    size_t size = 0;
    EXPECT_EQ(cut == image.size(), reader.GetCertificateTable(&offset, &size));
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, PeImageReaderFormatTest, ::testing::Bool());

// One field of the headers set to a hostile value, and what the reader
// then makes of the image.
struct HostileHeaderCase {
  const char* name;
  size_t offset;
  uint32_t value;
  size_t value_size;
  bool initializes;
  bool has_certificate_table;
  size_t data_directories;
};

void PrintTo(const HostileHeaderCase& c, std::ostream* os) {
  *os << c.name;
}

class PeImageReaderHostileTest : public ::testing::TestWithParam<HostileHeaderCase> {};

TEST_P(PeImageReaderHostileTest, StaysInsideTheBytes) {
  const HostileHeaderCase& c = GetParam();
  std::string image = MakePeImage(/*pe32_plus=*/false);
  memcpy(image.data() + c.offset, &c.value, c.value_size);
  GuardedPeBytes bytes(image);
  PeImageReader reader;
  ASSERT_EQ(c.initializes, reader.Initialize(bytes.data(), image.size()));
  if (!c.initializes)
    return;
  size_t offset = 0;
  size_t size = 0;
  EXPECT_EQ(c.has_certificate_table, reader.GetCertificateTable(&offset, &size));
  EXPECT_EQ(c.data_directories, reader.number_of_data_directories());
}

constexpr size_t kFileHeader = kNtOffset + 4;
constexpr size_t kOptional = kFileHeader + sizeof(IMAGE_FILE_HEADER);
constexpr size_t kDirectoryCount =
    kOptional + offsetof(IMAGE_OPTIONAL_HEADER32, NumberOfRvaAndSizes);
constexpr size_t kSecurity = kOptional + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory) +
                             IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY);

INSTANTIATE_TEST_SUITE_P(
    Fields, PeImageReaderHostileTest,
    ::testing::Values(
        HostileHeaderCase{"NoMz", 0, 'Z' | 'M' << 8, 2, false, false, 0},
        HostileHeaderCase{"NegativeNtOffset", offsetof(IMAGE_DOS_HEADER, e_lfanew), 0x80000000u, 4,
                          false, false, 0},
        HostileHeaderCase{"NtOffsetNearTheTopOfTheRange", offsetof(IMAGE_DOS_HEADER, e_lfanew),
                          0xFFFFFFFEu, 4, false, false, 0},
        HostileHeaderCase{"NoPeSignature", kNtOffset, 'P' | 'E' << 8 | 1 << 16, 4, false, false, 0},
        HostileHeaderCase{"NoOptionalHeader", kFileHeader + 16, 0, 2, false, false, 0},
        HostileHeaderCase{"OptionalHeaderWithoutItsFixedFields", kFileHeader + 16, 90, 2, false,
                          false, 0},
        HostileHeaderCase{"OptionalHeaderPastTheEnd", kFileHeader + 16, 0xFFFF, 2, false, false, 0},
        HostileHeaderCase{"UnknownMagic", kOptional, 0x107, 2, false, false, 0},
        HostileHeaderCase{"PlusMagicOnAPe32Header", kOptional, IMAGE_NT_OPTIONAL_HDR64_MAGIC, 2,
                          true, false, 14},
        HostileHeaderCase{"SectionTablePastTheEnd", kFileHeader + 2, 0xFFFF, 2, false, false, 0},
        HostileHeaderCase{"NoSections", kFileHeader + 2, 0, 2, true, true, 16},
        HostileHeaderCase{"DirectoryCountCapped", kDirectoryCount, 0xFFFFFFFFu, 4, true, true, 16},
        HostileHeaderCase{"NoSecurityEntry", kDirectoryCount, 4, 4, true, false, 4},
        HostileHeaderCase{"DirectoriesBeyondTheDeclaredHeaderSize", kFileHeader + 16,
                          offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory) + 4 * 8, 2, true, false,
                          4},
        HostileHeaderCase{"CertificateTableWrapsAround", kSecurity, 0xFFFFFFF0u, 4, true, false,
                          16},
        HostileHeaderCase{"CertificateTableInsideTheHeaders", kSecurity, 0x100, 4, true, false, 16},
        HostileHeaderCase{"CertificateTableOneBytePastTheEnd", kSecurity + 4,
                          kCertificateTableSize + 1, 4, true, false, 16},
        HostileHeaderCase{"CertificateTableTooSmall", kSecurity + 4, 7, 4, true, false, 16},
        HostileHeaderCase{"CertificateTableOfMaximumSize", kSecurity + 4, 0xFFFFFFFFu, 4, true,
                          false, 16}),
    [](const ::testing::TestParamInfo<HostileHeaderCase>& info) { return info.param.name; });

}  // namespace
}  // namespace velta
