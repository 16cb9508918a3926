// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_IMPL_H_

#include <stdint.h>

#include <string>

#include "base/files/file_path.h"
#include "base/files/memory_mapped_file.h"
#include "desktop/windows/installer/package_fetcher/payload_manager.h"

namespace velta {

class PeImageReader;

// Reads the payload appended to an executable. The payload is "VLT", its
// bytes and their count as a signed 32-bit little-endian number, and ends
// either at the end of the file or, in a signed executable, right before the
// certificate table. The end of the file is tried first; a full package (a
// 7z archive) counts only where the signature covers it, that is before
// the certificate table of a signed executable.
//
// The file is hostile input: every offset is checked against its size
// through the bounds-checked PE reader, so a broken file gives "none" or
// "corrupted", never a read outside it. The file stays mapped as long as
// this object lives.
class PayloadManagerImpl : public PayloadManager {
 public:
  // Maps and reads `executable_path` at once.
  explicit PayloadManagerImpl(const base::FilePath& executable_path);
  PayloadManagerImpl(const PayloadManagerImpl&) = delete;
  PayloadManagerImpl& operator=(const PayloadManagerImpl&) = delete;
  ~PayloadManagerImpl() override;

  // PayloadManager:
  PayloadType GetPayloadType() const override;
  std::string GetPayloadData() const override;
  bool WritePayloadToFile(const base::FilePath& path) const override;
  void SetPayload(const std::string& data) override;

 private:
  PayloadType ReadPayload();
  // Looks for a payload whose length field sits at file offset
  // `length_offset`; true, with the payload's place kept, when one is there.
  bool TryPayloadAt(const PeImageReader& image, uint64_t length_offset);
  // The payload bytes in the mapped file; null when there are none.
  const uint8_t* FilePayload() const;

  const base::FilePath executable_path_;
  base::MemoryMappedFile mapped_file_;
  std::string external_tracking_data_;
  uint64_t payload_length_ = 0;
  uint64_t payload_offset_ = 0;
  PayloadType payload_type_ = kPayloadTypeNone;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_IMPL_H_
