// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/package_fetcher/payload_manager_impl.h"

#include <windows.h>
#include <string.h>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/pe_image_reader.h"

namespace velta {

namespace {

constexpr char kPayloadMagic[] = {'V', 'L', 'T'};
constexpr size_t kMagicSize = sizeof(kPayloadMagic);
constexpr size_t kLengthSize = 4;
constexpr uint8_t kSevenZipSignature[] = {0x37, 0x7A, 0xBC, 0xAF, 0x27, 0x1C};

}  // namespace

std::string GetPayloadTypeName(uint32_t type) {
  switch (type) {
    case kPayloadTypeNone:
      return "none";
    case kPayloadTypeTrackingData:
      return "tracking_data";
    case kPayloadTypeExternalTrackingData:
      return "external_tracking_data";
    case kPayloadTypeFullPackage:
      return "full_package";
    case kPayloadTypeCorrupted:
      return "corrupted";
  }
  return std::string();
}

PayloadManagerImpl::PayloadManagerImpl(const base::FilePath& executable_path)
    : executable_path_(executable_path) {
  payload_type_ = ReadPayload();
}

PayloadManagerImpl::~PayloadManagerImpl() = default;

PayloadType PayloadManagerImpl::GetPayloadType() const {
  return payload_type_;
}

std::string PayloadManagerImpl::GetPayloadData() const {
  if (payload_type_ == kPayloadTypeNone || payload_type_ == kPayloadTypeCorrupted)
    return std::string();
  if (!external_tracking_data_.empty())
    return external_tracking_data_;
  const uint8_t* payload = FilePayload();
  if (!payload)
    return std::string();
  return std::string(reinterpret_cast<const char*>(payload), payload_length_);
}

bool PayloadManagerImpl::WritePayloadToFile(const base::FilePath& path) const {
  if (payload_type_ == kPayloadTypeNone || payload_type_ == kPayloadTypeCorrupted)
    return false;
  LOG(INFO) << "Writing payload to file " << base::WideToUTF8(path.value());
  if (payload_type_ == kPayloadTypeFullPackage) {
    // Straight from the mapped file: a package is large.
    const uint8_t* payload = FilePayload();
    if (!payload)
      return false;
    return base::WriteFile(path, reinterpret_cast<const char*>(payload),
                           static_cast<int>(payload_length_)) ==
           static_cast<int>(payload_length_);
  }
  return base::WriteFile(path, GetPayloadData());
}

void PayloadManagerImpl::SetPayload(const std::string& data) {
  external_tracking_data_ = data;
  payload_type_ = kPayloadTypeExternalTrackingData;
}

PayloadType PayloadManagerImpl::ReadPayload() {
  LOG(INFO) << "Reading Payload";
  if (!mapped_file_.Initialize(executable_path_)) {
    LOG(ERROR) << "Could not initialize memory mapped file";
    return kPayloadTypeNone;
  }
  PeImageReader image;
  if (!image.Initialize(mapped_file_.data(), mapped_file_.length())) {
    LOG(ERROR) << "The installer executable does not hold whole PE headers";
    return kPayloadTypeCorrupted;
  }

  // The security directory's address is a file offset: where the
  // certificate table, and so the signed part of the file, begins.
  ImageDataDirectory security = {};
  const bool is_signed =
      image.GetDataDirectory(IMAGE_DIRECTORY_ENTRY_SECURITY, &security) && security.Size != 0;
  const uint64_t file_length = mapped_file_.length();
  if (is_signed && security.VirtualAddress > file_length) {
    LOG(ERROR) << "Security directory is located past the image file length";
    return kPayloadTypeCorrupted;
  }
  // A table that starts inside the file but ends past it, or starts right at
  // its end, is a file cut short (a broken download cut inside or at its
  // signature): just as damaged, and no payload in it can be trusted.
  if (is_signed && uint64_t{security.VirtualAddress} + security.Size > file_length) {
    LOG(ERROR) << "Security directory runs past the image file length: table at "
               << security.VirtualAddress << ", " << security.Size << " bytes, file of "
               << file_length << " bytes";
    return kPayloadTypeCorrupted;
  }

  // The end of the file first, then (signed only) right before the table.
  const bool found_at_end = TryPayloadAt(image, file_length - kLengthSize);
  if (!found_at_end &&
      !(is_signed && security.VirtualAddress >= kLengthSize &&
        TryPayloadAt(image, security.VirtualAddress - kLengthSize))) {
    LOG(WARNING) << "No valid payload found";
    return kPayloadTypeNone;
  }

  const uint8_t* payload = FilePayload();
  const bool is_package = payload_length_ >= sizeof(kSevenZipSignature) &&
                          memcmp(payload, kSevenZipSignature, sizeof(kSevenZipSignature)) == 0;
  if (!is_package)
    return kPayloadTypeTrackingData;
  if (is_signed && found_at_end) {
    LOG(ERROR) << "Found full package that is not covered by the signature";
    payload_length_ = 0;
    payload_offset_ = 0;
    return kPayloadTypeNone;
  }
  return kPayloadTypeFullPackage;
}

bool PayloadManagerImpl::TryPayloadAt(const PeImageReader& image, uint64_t length_offset) {
  const uint8_t* length_bytes = image.GetBytes(length_offset, kLengthSize);
  if (!length_bytes)
    return false;
  int32_t length = 0;
  memcpy(&length, length_bytes, sizeof(length));
  // Signed: a length with its top bit set is never valid.
  if (length < 0 || length_offset < kMagicSize + static_cast<uint64_t>(length)) {
    VLOG(1) << "Could not find a valid starting position";
    return false;
  }
  const uint64_t payload_offset = length_offset - static_cast<uint64_t>(length);
  const uint8_t* magic = image.GetBytes(payload_offset - kMagicSize, kMagicSize);
  if (!magic || memcmp(magic, kPayloadMagic, kMagicSize) != 0) {
    VLOG(1) << "Payload data invalid";
    return false;
  }
  payload_offset_ = payload_offset;
  payload_length_ = static_cast<uint64_t>(length);
  return true;
}

const uint8_t* PayloadManagerImpl::FilePayload() const {
  if (payload_length_ == 0)
    return nullptr;
  return mapped_file_.IsValid() ? mapped_file_.data() + payload_offset_ : nullptr;
}

}  // namespace velta
