// Copyright 2026 Velta Software. All rights reserved.

#include "base/big_endian.h"

namespace base {

void AppendBigEndian32(uint32_t value, std::string* out) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out->push_back(static_cast<char>((value >> shift) & 0xFF));
}

bool ReadBigEndian32(std::string_view data, size_t offset, uint32_t* value) {
  if (offset > data.size() || data.size() - offset < 4)
    return false;
  uint32_t result = 0;
  for (size_t i = 0; i < 4; ++i)
    result = (result << 8) | static_cast<uint8_t>(data[offset + i]);
  *value = result;
  return true;
}

}  // namespace base
