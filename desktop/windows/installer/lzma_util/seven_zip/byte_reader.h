// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BYTE_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BYTE_READER_H_

#include <cstddef>
#include <cstdint>

namespace velta::seven_zip {

// Reads the little-endian fields of a 7z header from a block in memory. Every
// read checks the bytes left; a failed read returns false and consumes
// nothing. The block must outlive the reader.
class ByteReader {
 public:
  ByteReader(const uint8_t* data, size_t size);

  size_t remaining() const { return size_ - position_; }
  size_t position() const { return position_; }
  const uint8_t* current() const { return data_ + position_; }

  bool ReadByte(uint8_t* value);
  bool ReadUInt32(uint32_t* value);
  bool ReadUInt64(uint64_t* value);

  // The 7z variable-length number: the count of leading one bits of the
  // first byte is the count of little-endian bytes that follow, the rest of
  // the first byte holds the high bits.
  bool ReadNumber(uint64_t* value);

  // A number that must also be at most `limit` (a count about to size a
  // table, an index).
  bool ReadNumberUpTo(uint64_t limit, uint64_t* value);

  bool Skip(uint64_t count);

  // Splits off the next `count` bytes as a reader of their own and skips them
  // here.
  bool ReadSubReader(uint64_t count, ByteReader* sub_reader);

 private:
  bool ReadLittleEndian(size_t bytes, uint64_t* value);

  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BYTE_READER_H_
