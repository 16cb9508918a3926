// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLATION_CANCELLED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLATION_CANCELLED_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "installation_cancelled", raised by the window controller; `counter` is 1 when the user
// closes the installer, 2 when the user leaves for the full-package download page. Raisers pass
// verbosity level 1.
class InstallationCancelledEvent : public InstallerStatsEvent {
 public:
  InstallationCancelledEvent(uint32_t counter, int32_t verbosity_level);
  InstallationCancelledEvent(const InstallationCancelledEvent&) = delete;
  InstallationCancelledEvent& operator=(const InstallationCancelledEvent&) = delete;
  ~InstallationCancelledEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const uint32_t counter_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLATION_CANCELLED_EVENT_H_
