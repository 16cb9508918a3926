// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/signature_scanner.h"

#include <string>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/crc32.h"
#include "desktop/windows/installer/lzma_util/seven_zip/memory_input_stream.h"
#include "desktop/windows/installer/lzma_util/seven_zip/start_header.h"
#include "gtest/gtest.h"

namespace velta::seven_zip {
namespace {

// The start header of an empty archive: valid signature and CRC.
std::vector<uint8_t> EmptyArchive() {
  std::vector<uint8_t> bytes(StartHeader::kSignature,
                             StartHeader::kSignature + StartHeader::kSignatureSize);
  bytes.push_back(0);
  bytes.push_back(4);
  const std::vector<uint8_t> tail(20, 0);
  const uint32_t crc = Crc32::Compute(tail.data(), tail.size());
  for (int i = 0; i < 4; ++i)
    bytes.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

std::vector<uint8_t> WithStub(size_t stub_size, uint8_t fill = 0x5A) {
  std::vector<uint8_t> bytes(stub_size, fill);
  const std::vector<uint8_t> archive = EmptyArchive();
  bytes.insert(bytes.end(), archive.begin(), archive.end());
  return bytes;
}

// Runs the scanner from position 0; returns the result and where it left the
// stream.
ResultCode Scan(const std::vector<uint8_t>& bytes, int64_t* position) {
  MemoryInputStream stream(bytes.data(), bytes.size());
  std::string error;
  ResultCode result = SignatureScanner::SeekToSignature(&stream, &error);
  *position = 0;
  stream.Seek(position, InputStream::SeekOrigin::kCurrent);
  if (result != ResultCode::kOk) {
    EXPECT_FALSE(error.empty());
  }
  return result;
}

class SignatureScannerStubTest : public testing::TestWithParam<size_t> {};

// Stub sizes around the 1024-byte chunks and their six-byte overlap,
// including signatures that straddle two chunks.
TEST_P(SignatureScannerStubTest, FindsTheArchiveBehindAStub) {
  int64_t position = -1;
  ASSERT_EQ(ResultCode::kOk, Scan(WithStub(GetParam()), &position));
  EXPECT_EQ(static_cast<int64_t>(GetParam()), position);
}

INSTANTIATE_TEST_SUITE_P(StubSizes, SignatureScannerStubTest,
                         testing::Values(0, 1, 1012, 1013, 1017, 1018, 1019, 1020, 1023, 1024,
                                         2036, 2040, 5000, 0xFFFFF - 1100));

TEST(SignatureScannerTest, SkipsSignatureBytesInTheStub) {
  // A stub that carries the six signature bytes (as the program that looks
  // for them does) but no valid start header behind them.
  std::vector<uint8_t> bytes = WithStub(3000);
  for (size_t at : {10u, 1021u, 2500u}) {
    for (size_t i = 0; i < StartHeader::kSignatureSize; ++i)
      bytes[at + i] = StartHeader::kSignature[i];
  }
  int64_t position = -1;
  ASSERT_EQ(ResultCode::kOk, Scan(bytes, &position));
  EXPECT_EQ(3000, position);
}

TEST(SignatureScannerTest, GivesUpAfterTheFirstMebibyte) {
  int64_t position = -1;
  EXPECT_EQ(ResultCode::kNoArchive, Scan(WithStub(0x100000 + 2048), &position));
}

TEST(SignatureScannerTest, RefusesFilesWithoutSignature) {
  int64_t position = -1;
  EXPECT_EQ(ResultCode::kNoArchive, Scan(std::vector<uint8_t>(), &position));
  EXPECT_EQ(ResultCode::kNoArchive, Scan(std::vector<uint8_t>(6, 0x37), &position));
  EXPECT_EQ(ResultCode::kNoArchive, Scan(std::vector<uint8_t>(5000, 0), &position));
  // The signature alone, without a start header behind it.
  std::vector<uint8_t> bare(StartHeader::kSignature,
                            StartHeader::kSignature + StartHeader::kSignatureSize);
  bare.resize(20, 0);
  EXPECT_EQ(ResultCode::kNoArchive, Scan(bare, &position));
}

TEST(SignatureScannerTest, SearchesFromTheCurrentPosition) {
  std::vector<uint8_t> bytes = WithStub(100);
  MemoryInputStream stream(bytes.data(), bytes.size());
  int64_t position = 40;
  ASSERT_EQ(ResultCode::kOk, stream.Seek(&position, InputStream::SeekOrigin::kBegin));
  std::string error;
  ASSERT_EQ(ResultCode::kOk, SignatureScanner::SeekToSignature(&stream, &error));
  position = 0;
  stream.Seek(&position, InputStream::SeekOrigin::kCurrent);
  EXPECT_EQ(100, position);
}

}  // namespace
}  // namespace velta::seven_zip
