// Copyright 2026 Velta Software. All rights reserved.

// libFuzzer target: reads arbitrary bytes as a PE file. Headers that read
// lie wholly inside the bytes, in the order the format gives; every section
// header, data directory and the certificate table read from inside them
// too, and nothing past the counts reads at all.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/logging.h"
#include "desktop/windows/installer/common/pe_image_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using velta::PeImageReader;
  PeImageReader reader;
  if (!reader.Initialize(data, size)) {
    CHECK(reader.data() == nullptr);
    CHECK_EQ(0u, reader.size());
    CHECK_EQ(0u, reader.number_of_sections());
    return 0;
  }
  CHECK_LE(reader.headers_end(), size);
  CHECK_LE(reader.checksum_offset() + 4, reader.headers_end());
  CHECK(reader.machine() == (data[reader.checksum_offset() - 64 - 20] |
                             (data[reader.checksum_offset() - 64 - 19] << 8)));

  velta::ImageSectionHeader section;
  for (size_t i = 0; i < reader.number_of_sections(); ++i)
    CHECK(reader.GetSectionHeader(i, &section));
  CHECK(!reader.GetSectionHeader(reader.number_of_sections(), &section));

  CHECK_LE(reader.number_of_data_directories(), velta::kImageNumberOfDirectoryEntries);
  velta::ImageDataDirectory directory;
  for (size_t i = 0; i < reader.number_of_data_directories(); ++i) {
    size_t offset = 0;
    CHECK(reader.GetDataDirectoryEntryOffset(i, &offset));
    CHECK_LE(offset + sizeof(directory), reader.headers_end());
    CHECK(reader.GetDataDirectory(i, &directory));
    CHECK_EQ(0, memcmp(&directory, data + offset, sizeof(directory)));
  }
  CHECK(!reader.GetDataDirectory(reader.number_of_data_directories(), &directory));

  size_t table_offset = 0;
  size_t table_size = 0;
  if (reader.GetCertificateTable(&table_offset, &table_size)) {
    CHECK_GE(table_offset, reader.headers_end());
    CHECK_LE(table_offset, size);
    CHECK_LE(table_size, size - table_offset);
    CHECK(reader.GetBytes(table_offset, table_size) == data + table_offset);
  }
  CHECK(reader.GetBytes(size, 0) == data + size);
  CHECK(reader.GetBytes(size, 1) == nullptr);
  CHECK(reader.GetBytes(UINT64_MAX, 2) == nullptr);
  CHECK(reader.GetBytes(1, UINT64_MAX) == nullptr);
  return 0;
}
