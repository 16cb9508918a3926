// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/byte_reader.h"

namespace velta::seven_zip {

ByteReader::ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

bool ByteReader::ReadByte(uint8_t* value) {
  if (remaining() < 1)
    return false;
  *value = data_[position_++];
  return true;
}

bool ByteReader::ReadLittleEndian(size_t bytes, uint64_t* value) {
  if (remaining() < bytes)
    return false;
  uint64_t result = 0;
  for (size_t i = bytes; i-- > 0;)
    result = (result << 8) | data_[position_ + i];
  position_ += bytes;
  *value = result;
  return true;
}

bool ByteReader::ReadUInt32(uint32_t* value) {
  uint64_t wide = 0;
  if (!ReadLittleEndian(4, &wide))
    return false;
  *value = static_cast<uint32_t>(wide);
  return true;
}

bool ByteReader::ReadUInt64(uint64_t* value) {
  return ReadLittleEndian(8, value);
}

bool ByteReader::ReadNumber(uint64_t* value) {
  if (remaining() < 1)
    return false;
  const uint8_t first = data_[position_];
  uint8_t mask = 0x80;
  int extra = 0;
  while (extra < 8 && (first & mask)) {
    ++extra;
    mask >>= 1;
  }
  if (remaining() < static_cast<size_t>(1 + extra))
    return false;
  uint64_t result = 0;
  for (int i = extra - 1; i >= 0; --i)
    result = (result << 8) | data_[position_ + 1 + i];
  if (extra < 8) {
    // The bits of the first byte below the length marker are the high part.
    const uint64_t high = first & (mask - 1);
    result |= high << (8 * extra);
  }
  position_ += 1 + extra;
  *value = result;
  return true;
}

bool ByteReader::ReadNumberUpTo(uint64_t limit, uint64_t* value) {
  const size_t saved = position_;
  uint64_t number = 0;
  if (!ReadNumber(&number))
    return false;
  if (number > limit) {
    position_ = saved;
    return false;
  }
  *value = number;
  return true;
}

bool ByteReader::Skip(uint64_t count) {
  if (count > remaining())
    return false;
  position_ += static_cast<size_t>(count);
  return true;
}

bool ByteReader::ReadSubReader(uint64_t count, ByteReader* sub_reader) {
  if (count > remaining())
    return false;
  *sub_reader = ByteReader(data_ + position_, static_cast<size_t>(count));
  position_ += static_cast<size_t>(count);
  return true;
}

}  // namespace velta::seven_zip
