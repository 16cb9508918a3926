// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CHECKSUM_CHECKER_H_
#define DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CHECKSUM_CHECKER_H_

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <span>
#include <string>

#include "base/files/file_path.h"
#include "base/values.h"

namespace velta {

// SHA-256 of `length` bytes as 64 lower-case hex characters; empty when the
// hash provider fails (an empty text matches no checksum).
std::string CalculateSha256Hex(const uint8_t* data, size_t length);

// A SHA-256 digest of 32 bytes as the 64 lower-case hex characters of a
// checksum text.
std::string Sha256DigestToHex(std::span<const uint8_t, 32> digest);

// Compares the SHA-256 of the file at `path` (mapped read-only) with
// `expected_checksum`, exactly: an upper-case expected text never matches.
// `actual_checksum` and `file_length` are set whenever the file could be
// read (empty and 0 otherwise; an empty file cannot be mapped). A hash
// provider that fails fails the check (logged), whatever was expected. With
// `details`, a failure leaves a dictionary there: "detail" ("Checksum
// mismatch", "Unable to read the file" or "Unable to hash the file") and, for
// a mismatch, the expected and actual checksums, the length and the first
// and last 50 bytes in hex.
bool CheckChecksum(const base::FilePath& path,
                   const std::string& expected_checksum,
                   std::unique_ptr<base::Value>* details,
                   std::string* actual_checksum,
                   int64_t* file_length);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_CHECKSUM_CHECKER_CHECKSUM_CHECKER_H_
