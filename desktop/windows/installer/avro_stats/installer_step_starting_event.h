// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STEP_STARTING_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STEP_STARTING_EVENT_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "installer_step_starting", raised by the controller, for each step-starting message of the
// backend. Raisers pass verbosity level 1.
class InstallerStepStartingEvent : public InstallerStatsEvent {
 public:
  InstallerStepStartingEvent(const std::string& description, int32_t verbosity_level);
  InstallerStepStartingEvent(const InstallerStepStartingEvent&) = delete;
  InstallerStepStartingEvent& operator=(const InstallerStepStartingEvent&) = delete;
  ~InstallerStepStartingEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string description_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STEP_STARTING_EVENT_H_
