// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CONTROLLER_LAUNCHED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CONTROLLER_LAUNCHED_EVENT_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "controller_launched", raised by the silent and the window controller when they start.
// Raisers pass verbosity level 1.
class ControllerLaunchedEvent : public InstallerStatsEvent {
 public:
  ControllerLaunchedEvent(const std::string& payload_type,
                          const std::string& tracking_data,
                          bool run_immediately,
                          bool autoupdate,
                          bool silent,
                          const std::string& command_line,
                          const std::string& package_architecture,
                          int32_t verbosity_level);
  ControllerLaunchedEvent(const ControllerLaunchedEvent&) = delete;
  ControllerLaunchedEvent& operator=(const ControllerLaunchedEvent&) = delete;
  ~ControllerLaunchedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string payload_type_;
  const std::string tracking_data_;
  const bool run_immediately_;
  const bool autoupdate_;
  const bool silent_;
  const std::string command_line_;
  const std::string package_architecture_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CONTROLLER_LAUNCHED_EVENT_H_
