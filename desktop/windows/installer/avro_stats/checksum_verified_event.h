// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CHECKSUM_VERIFIED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CHECKSUM_VERIFIED_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "checksum_verified", raised by the package fetch sequence, when the main package's checksum
// matches. Raisers pass verbosity level 1.
class ChecksumVerifiedEvent : public InstallerStatsEvent {
 public:
  explicit ChecksumVerifiedEvent(int32_t verbosity_level);
  ChecksumVerifiedEvent(const ChecksumVerifiedEvent&) = delete;
  ChecksumVerifiedEvent& operator=(const ChecksumVerifiedEvent&) = delete;
  ~ChecksumVerifiedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CHECKSUM_VERIFIED_EVENT_H_
