// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_VERSION_VERIFIED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_VERSION_VERIFIED_EVENT_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "version_verified", raised by the package fetch sequence and the package version checker.
// Raisers pass verbosity level 1.
class VersionVerifiedEvent : public InstallerStatsEvent {
 public:
  VersionVerifiedEvent(const std::string& version,
                       const std::string& stream,
                       int32_t verbosity_level);
  VersionVerifiedEvent(const VersionVerifiedEvent&) = delete;
  VersionVerifiedEvent& operator=(const VersionVerifiedEvent&) = delete;
  ~VersionVerifiedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string version_;
  const std::string stream_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_VERSION_VERIFIED_EVENT_H_
