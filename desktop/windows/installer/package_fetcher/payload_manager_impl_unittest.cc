// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"

#include <windows.h>
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/logging.h"
#include "base/test/scoped_log_collector.h"
#include "desktop/windows/installer/common/pe_image_reader.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta {
namespace {

using ::testing::Contains;
using ::testing::StartsWith;

std::string ReadTestFile(const wchar_t* name) {
  std::string data;
  EXPECT_TRUE(base::ReadFileToString(
      test::FromBuildPath(VELTA_PAYLOAD_TEST_FILES).Append(name), &data))
      << name;
  return data;
}

std::string LittleEndian32(uint32_t value) {
  std::string bytes(4, '\0');
  memcpy(bytes.data(), &value, 4);
  return bytes;
}

// "VLT", `payload` and its length: what a build appends.
std::string Appended(const std::string& payload) {
  return "VLT" + payload + LittleEndian32(static_cast<uint32_t>(payload.size()));
}

// The file offset of the security directory entry (the certificate table's
// file offset, then its size).
size_t SecurityEntryOffset(const std::string& image_bytes) {
  PeImageReader image;
  size_t offset = 0;
  EXPECT_TRUE(image.Initialize(reinterpret_cast<const uint8_t*>(image_bytes.data()),
                               image_bytes.size()));
  EXPECT_TRUE(image.GetDataDirectoryEntryOffset(IMAGE_DIRECTORY_ENTRY_SECURITY, &offset));
  return offset;
}

// `image_bytes` with its security directory entry saying that the
// certificate table lies at file offset `offset` and holds `size` bytes.
std::string WithCertificateTable(std::string image_bytes, size_t offset, uint32_t size) {
  const std::string entry =
      LittleEndian32(static_cast<uint32_t>(offset)) + LittleEndian32(size);
  image_bytes.replace(SecurityEntryOffset(image_bytes), entry.size(), entry);
  return image_bytes;
}

enum class Expected { kNone, kTracking, kPackage, kEmpty };

struct PayloadCase {
  const char* name;
  // The executable's bytes, made from the build's test files.
  std::function<std::string()> make;
  PayloadType type;
  Expected data;
  // The start of a line that the reader logs (at its severity), or none.
  logging::LogSeverity severity;
  const char* log_line;
};

class PayloadManagerTest : public ::testing::TestWithParam<PayloadCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.CreateUniqueTempDir()); }

  base::FilePath WriteExecutable(const std::string& bytes) {
    const base::FilePath path = dir_.GetPath().Append(L"installer.exe");
    EXPECT_TRUE(base::WriteFile(path, bytes));
    return path;
  }

  base::ScopedTempDir dir_;
};

TEST_P(PayloadManagerTest, ReadsTheKindAndBytesOfThePayload) {
  const PayloadCase& c = GetParam();
  const base::FilePath path = WriteExecutable(c.make());
  const std::string tracking = ReadTestFile(L"tracking.bin");
  const std::string package = ReadTestFile(L"package.7z");

  base::test::ScopedLogCollector log(c.severity);
  PayloadManagerImpl payload(path);
  EXPECT_EQ(c.type, payload.GetPayloadType());
  if (c.log_line) {
    EXPECT_THAT(log.lines, Contains(StartsWith(c.log_line)));
  }

  std::string expected;
  if (c.data == Expected::kTracking)
    expected = tracking;
  else if (c.data == Expected::kPackage)
    expected = package;
  EXPECT_EQ(expected, payload.GetPayloadData());

  const base::FilePath written = dir_.GetPath().Append(L"payload.out");
  const bool has_payload = c.data != Expected::kNone;
  EXPECT_EQ(has_payload, payload.WritePayloadToFile(written));
  if (has_payload) {
    std::string bytes;
    ASSERT_TRUE(base::ReadFileToString(written, &bytes));
    EXPECT_EQ(expected, bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Executables, PayloadManagerTest,
    ::testing::Values(
        PayloadCase{"unsigned_without_payload", [] { return ReadTestFile(L"unsigned.exe"); },
                    kPayloadTypeNone, Expected::kNone, logging::LOG_WARNING,
                    "No valid payload found"},
        PayloadCase{"unsigned_with_tracking_data",
                    [] {
                      return ReadTestFile(L"unsigned.exe") + Appended(ReadTestFile(L"tracking.bin"));
                    },
                    kPayloadTypeTrackingData, Expected::kTracking, logging::LOG_ERROR, nullptr},
        PayloadCase{"unsigned_with_package",
                    [] {
                      return ReadTestFile(L"unsigned.exe") + Appended(ReadTestFile(L"package.7z"));
                    },
                    kPayloadTypeFullPackage, Expected::kPackage, logging::LOG_ERROR, nullptr},
        PayloadCase{"empty_tracking_data",
                    [] { return ReadTestFile(L"unsigned.exe") + Appended(""); },
                    kPayloadTypeTrackingData, Expected::kEmpty, logging::LOG_ERROR, nullptr},
        PayloadCase{"signed_with_package_after_the_signature",
                    [] {
                      return ReadTestFile(L"signed.exe") + Appended(ReadTestFile(L"package.7z"));
                    },
                    kPayloadTypeNone, Expected::kNone, logging::LOG_ERROR,
                    "Found full package that is not covered by the signature"},
        PayloadCase{"signed_with_tracking_data_after_the_signature",
                    [] {
                      return ReadTestFile(L"signed.exe") + Appended(ReadTestFile(L"tracking.bin"));
                    },
                    kPayloadTypeTrackingData, Expected::kTracking, logging::LOG_ERROR, nullptr},
        PayloadCase{"signed_with_tracking_data_inside",
                    [] { return ReadTestFile(L"signed_tracking_inside.exe"); },
                    kPayloadTypeTrackingData, Expected::kTracking, logging::LOG_ERROR, nullptr},
        PayloadCase{"signed_with_package_inside",
                    [] { return ReadTestFile(L"signed_package_inside.exe"); },
                    kPayloadTypeFullPackage, Expected::kPackage, logging::LOG_ERROR, nullptr},
        // The end of the file is tried first.
        PayloadCase{"signed_with_package_inside_and_tracking_data_after",
                    [] {
                      return ReadTestFile(L"signed_package_inside.exe") +
                             Appended(ReadTestFile(L"tracking.bin"));
                    },
                    kPayloadTypeTrackingData, Expected::kTracking, logging::LOG_ERROR, nullptr},
        PayloadCase{"signed_without_payload", [] { return ReadTestFile(L"signed.exe"); },
                    kPayloadTypeNone, Expected::kNone, logging::LOG_WARNING,
                    "No valid payload found"},
        PayloadCase{"length_with_its_top_bit_set",
                    [] {
                      return ReadTestFile(L"unsigned.exe") + "VLTabcd" + LittleEndian32(0x80000004);
                    },
                    kPayloadTypeNone, Expected::kNone, logging::LOG_WARNING,
                    "No valid payload found"},
        PayloadCase{"length_beyond_the_start_of_the_file",
                    [] {
                      return ReadTestFile(L"unsigned.exe") + "VLTabcd" + LittleEndian32(0x7FFFFFF0);
                    },
                    kPayloadTypeNone, Expected::kNone, logging::LOG_WARNING,
                    "No valid payload found"},
        PayloadCase{"magic_altered",
                    [] {
                      std::string bytes = ReadTestFile(L"unsigned.exe") + Appended("tracking");
                      bytes[bytes.size() - 4 - 8 - 3] = 'X';
                      return bytes;
                    },
                    kPayloadTypeNone, Expected::kNone, logging::LOG_WARNING,
                    "No valid payload found"},
        PayloadCase{"no_dos_header",
                    [] {
                      std::string bytes = ReadTestFile(L"unsigned.exe") + Appended("tracking");
                      bytes[0] = 'Z';
                      return bytes;
                    },
                    kPayloadTypeCorrupted, Expected::kNone, logging::LOG_ERROR, nullptr},
        PayloadCase{"no_pe_signature",
                    [] {
                      std::string bytes = ReadTestFile(L"signed_package_inside.exe");
                      uint32_t pe = 0;
                      memcpy(&pe, bytes.data() + 0x3C, 4);
                      bytes[pe + 1] = 'X';
                      return bytes;
                    },
                    kPayloadTypeCorrupted, Expected::kNone, logging::LOG_ERROR, nullptr},
        PayloadCase{"cut_inside_the_headers",
                    [] { return ReadTestFile(L"unsigned.exe").substr(0, 200); },
                    kPayloadTypeCorrupted, Expected::kNone, logging::LOG_ERROR, nullptr},
        PayloadCase{"certificate_table_past_the_end",
                    [] {
                      const std::string bytes = ReadTestFile(L"signed_package_inside.exe");
                      return WithCertificateTable(bytes, bytes.size() + 1, 8);
                    },
                    kPayloadTypeCorrupted, Expected::kNone, logging::LOG_ERROR,
                    "Security directory is located past the image file length"},
        // A download cut inside the signature: the payload before the table
        // is whole, but the file is not.
        PayloadCase{"cut_inside_the_certificate_table",
                    [] {
                      const std::string bytes = ReadTestFile(L"signed_package_inside.exe");
                      return bytes.substr(0, bytes.size() - 1);
                    },
                    kPayloadTypeCorrupted, Expected::kNone, logging::LOG_ERROR,
                    "Security directory runs past the image file length"},
        PayloadCase{"cut_at_the_certificate_table",
                    [] {
                      const std::string bytes = ReadTestFile(L"signed_tracking_inside.exe");
                      size_t offset = 0;
                      size_t size = 0;
                      PeImageReader image;
                      EXPECT_TRUE(image.Initialize(
                          reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
                      EXPECT_TRUE(image.GetCertificateTable(&offset, &size));
                      return bytes.substr(0, offset);
                    },
                    kPayloadTypeCorrupted, Expected::kNone, logging::LOG_ERROR,
                    "Security directory runs past the image file length"},
        // A table that would end exactly at the end of the file is whole.
        PayloadCase{"certificate_table_ending_at_the_end",
                    [] {
                      const std::string bytes = ReadTestFile(L"signed_tracking_inside.exe");
                      return WithCertificateTable(bytes, bytes.size() - 8, 8);
                    },
                    kPayloadTypeNone, Expected::kNone, logging::LOG_WARNING,
                    "No valid payload found"},
        PayloadCase{"empty_file", [] { return std::string(); }, kPayloadTypeNone,
                    Expected::kNone, logging::LOG_ERROR,
                    "Could not initialize memory mapped file"}),
    [](const ::testing::TestParamInfo<PayloadCase>& info) { return info.param.name; });

TEST(PayloadManagerImplTest, ExternalTrackingDataReplacesTheFilesPayload) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const base::FilePath path = dir.GetPath().Append(L"installer.exe");
  ASSERT_TRUE(base::WriteFile(path, ReadTestFile(L"unsigned.exe")));
  PayloadManagerImpl payload(path);
  ASSERT_EQ(kPayloadTypeNone, payload.GetPayloadType());
  EXPECT_FALSE(payload.WritePayloadToFile(dir.GetPath().Append(L"none.out")));
  EXPECT_FALSE(base::PathExists(dir.GetPath().Append(L"none.out")));

  payload.SetPayload("campaign=spring");
  EXPECT_EQ(kPayloadTypeExternalTrackingData, payload.GetPayloadType());
  EXPECT_EQ("campaign=spring", payload.GetPayloadData());
  const base::FilePath written = dir.GetPath().Append(L"external.out");
  ASSERT_TRUE(payload.WritePayloadToFile(written));
  std::string bytes;
  ASSERT_TRUE(base::ReadFileToString(written, &bytes));
  EXPECT_EQ("campaign=spring", bytes);
}

}  // namespace
}  // namespace velta
