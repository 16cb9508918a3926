// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/checksum_checker/checksum_checker.h"

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <utility>

#include "base/files/file.h"
#include "base/files/memory_mapped_file.h"
#include "base/hash/sha2.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"

namespace velta {

namespace {

constexpr size_t kEdgeBytes = 50;

}  // namespace

std::string CalculateSha256Hex(const uint8_t* data, size_t length) {
  const std::optional<std::array<uint8_t, base::kSHA256Length>> digest =
      base::SHA256Hash(std::span<const uint8_t>(data, length));
  return digest ? Sha256DigestToHex(*digest) : std::string();
}

std::string Sha256DigestToHex(std::span<const uint8_t, 32> digest) {
  return base::ToLowerASCII(base::HexEncode(digest.data(), digest.size()));
}

bool CheckChecksum(const base::FilePath& path,
                   const std::string& expected_checksum,
                   std::unique_ptr<base::Value>* details,
                   std::string* actual_checksum,
                   int64_t* file_length) {
  actual_checksum->clear();
  *file_length = 0;
  // A mapping of no bytes cannot be made: an empty file is read as one
  // (its checksum is that of no bytes), any other through its mapping.
  base::File opened(path, base::File::FLAG_OPEN | base::File::FLAG_READ);
  const bool empty = opened.IsValid() && opened.GetLength() == 0;
  base::MemoryMappedFile file;
  if (!empty && !file.Initialize(std::move(opened))) {
    if (details) {
      auto dictionary = std::make_unique<base::Value>(base::Value::Type::DICTIONARY);
      dictionary->SetStringKey("detail", "Unable to read the file");
      *details = std::move(dictionary);
      LOG(ERROR) << "Unable to read " << path.AsUTF8Unsafe();
    }
    return false;
  }
  const uint8_t* data = empty ? nullptr : file.data();
  const size_t length = empty ? 0 : file.length();
  *actual_checksum = CalculateSha256Hex(data, length);
  *file_length = static_cast<int64_t>(length);
  if (actual_checksum->empty()) {
    LOG(ERROR) << "Unable to hash " << path.AsUTF8Unsafe() << ": the hash provider failed";
    if (details) {
      auto dictionary = std::make_unique<base::Value>(base::Value::Type::DICTIONARY);
      dictionary->SetStringKey("detail", "Unable to hash the file");
      *details = std::move(dictionary);
    }
    return false;
  }
  if (*actual_checksum == expected_checksum)
    return true;
  if (details) {
    size_t edge = std::min(kEdgeBytes, length);
    auto dictionary = std::make_unique<base::Value>(base::Value::Type::DICTIONARY);
    dictionary->SetStringKey("detail", "Checksum mismatch");
    dictionary->SetStringKey("expected_checksum", expected_checksum);
    dictionary->SetStringKey("actual_checksum", *actual_checksum);
    dictionary->SetIntKey("file_length", static_cast<int32_t>(length));
    dictionary->SetStringKey("file_start", base::HexEncode(data, edge));
    dictionary->SetStringKey("file_end", base::HexEncode(data + length - edge, edge));
    *details = std::move(dictionary);
  }
  return false;
}

}  // namespace velta
