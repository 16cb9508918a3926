// Copyright 2026 Velta Software. All rights reserved.

#include "base/guid.h"

#include <windows.h>
#include <bcrypt.h>
#include <stdint.h>
#include <stdio.h>

#include "base/logging.h"

namespace base {
namespace {

bool IsValidGUIDInternal(std::string_view guid, bool strict) {
  constexpr size_t kGUIDLength = 36;
  if (guid.size() != kGUIDLength)
    return false;
  for (size_t i = 0; i < guid.size(); ++i) {
    const char c = guid[i];
    if (i == 8 || i == 13 || i == 18 || i == 23) {
      if (c != '-')
        return false;
      continue;
    }
    const bool lower_hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    const bool upper_hex = c >= 'A' && c <= 'F';
    if (!lower_hex && !(upper_hex && !strict))
      return false;
  }
  return true;
}

}  // namespace

std::string GenerateGUID() {
  uint64_t bytes[2] = {};
  const NTSTATUS status = ::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(bytes),
                                            sizeof(bytes), BCRYPT_USE_SYSTEM_PREFERRED_RNG);
  // Without randomness every GUID would be the same: never go on.
  CHECK(BCRYPT_SUCCESS(status)) << "BCryptGenRandom failed: 0x" << std::hex << status;

  // Version 4 in the high nibble of the seventh byte, variant 10 in the two
  // high bits of the ninth (RFC 4122 4.4).
  bytes[0] = (bytes[0] & 0xFFFFFFFFFFFF0FFFULL) | 0x0000000000004000ULL;
  bytes[1] = (bytes[1] & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;
  char text[37];
  snprintf(text, sizeof(text), "%08x-%04x-%04x-%04x-%012llx",
           static_cast<unsigned>(bytes[0] >> 32), static_cast<unsigned>((bytes[0] >> 16) & 0xFFFF),
           static_cast<unsigned>(bytes[0] & 0xFFFF), static_cast<unsigned>(bytes[1] >> 48),
           static_cast<unsigned long long>(bytes[1] & 0x0000FFFFFFFFFFFFULL));
  return text;
}

bool IsValidGUID(std::string_view guid) {
  return IsValidGUIDInternal(guid, false);
}

bool IsValidGUIDOutputString(std::string_view guid) {
  return IsValidGUIDInternal(guid, true);
}

}  // namespace base
