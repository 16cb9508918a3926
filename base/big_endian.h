// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_BIG_ENDIAN_H_
#define BASE_BIG_ENDIAN_H_

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>

namespace base {

// Network byte order (most significant byte first) for wire formats that
// frame their payloads with fixed-size numbers.

// Appends the 4 bytes of `value`, most significant first.
void AppendBigEndian32(uint32_t value, std::string* out);

// The number in the 4 bytes at `offset` of `data`; false, leaving `value`
// alone, when fewer than 4 bytes are there.
bool ReadBigEndian32(std::string_view data, size_t offset, uint32_t* value);

}  // namespace base

#endif  // BASE_BIG_ENDIAN_H_
