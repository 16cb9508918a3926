// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_READY_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_READY_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "package_ready", raised by the package fetch sequence, when the whole package is ready.
// Raisers pass verbosity level 1.
class PackageReadyEvent : public InstallerStatsEvent {
 public:
  explicit PackageReadyEvent(int32_t verbosity_level);
  PackageReadyEvent(const PackageReadyEvent&) = delete;
  PackageReadyEvent& operator=(const PackageReadyEvent&) = delete;
  ~PackageReadyEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PACKAGE_READY_EVENT_H_
