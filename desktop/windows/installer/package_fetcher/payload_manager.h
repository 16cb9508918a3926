// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_H_
#define DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_H_

#include <stdint.h>

#include <string>

namespace base {
class FilePath;
}

namespace velta {

// What the installer executable carries appended to its file.
enum PayloadType : uint32_t {
  // No usable payload, or the executable could not be read.
  kPayloadTypeNone = 0,
  // Bytes that are not a 7z archive: the campaign's tracking data.
  kPayloadTypeTrackingData = 1,
  // Tracking data given through SetPayload, never read from the file.
  kPayloadTypeExternalTrackingData = 2,
  // A 7z archive: the whole browser package.
  kPayloadTypeFullPackage = 3,
  // The executable's headers are not those of a PE image, or its signature
  // does not lie wholly inside the file.
  kPayloadTypeCorrupted = 4,
};

// "none", "tracking_data", "external_tracking_data", "full_package",
// "corrupted"; "" for any other value.
std::string GetPayloadTypeName(uint32_t type);

// The payload appended to the installer executable: tracking data or a full
// package. Read once, when made; owned by the entry and lent to the settings
// and the controller. Main thread.
class PayloadManager {
 public:
  virtual ~PayloadManager() = default;

  virtual PayloadType GetPayloadType() const = 0;
  // The payload's bytes: empty for no payload and a corrupted one; the
  // external tracking data once SetPayload gave some; else a copy of what
  // the file carries.
  virtual std::string GetPayloadData() const = 0;
  // Writes the payload to `path` (created or truncated). False for no
  // payload, a corrupted one, or when not every byte was written. Blocks on
  // the file system.
  virtual bool WritePayloadToFile(const base::FilePath& path) const = 0;
  // Makes `data` the payload, as external tracking data.
  virtual void SetPayload(const std::string& data) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PACKAGE_FETCHER_PAYLOAD_MANAGER_H_
