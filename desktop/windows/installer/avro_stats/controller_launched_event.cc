// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/controller_launched_event.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

ControllerLaunchedEvent::ControllerLaunchedEvent(const std::string& payload_type,
                                                 const std::string& tracking_data,
                                                 bool run_immediately,
                                                 bool autoupdate,
                                                 bool silent,
                                                 const std::string& command_line,
                                                 const std::string& package_architecture,
                                                 int32_t verbosity_level)
    : InstallerStatsEvent("controller_launched", verbosity_level),
      payload_type_(payload_type),
      tracking_data_(tracking_data),
      run_immediately_(run_immediately),
      autoupdate_(autoupdate),
      silent_(silent),
      command_line_(command_line),
      package_architecture_(package_architecture) {}

ControllerLaunchedEvent::~ControllerLaunchedEvent() = default;

void ControllerLaunchedEvent::FillEventFields(AvroValue* installer_event) const {
  WriteStatsString(installer_event, "controller_launched_details.payload_type", payload_type_);
  WriteStatsString(installer_event, "controller_launched_details.tracking_data", tracking_data_);
  WriteStatsBool(installer_event, "controller_launched_details.run_immediately", run_immediately_);
  WriteStatsBool(installer_event, "controller_launched_details.autoupdate", autoupdate_);
  WriteStatsBool(installer_event, "controller_launched_details.silent", silent_);
  WriteStatsString(installer_event, "controller_launched_details.command_line", command_line_);
  WriteStatsEnum(installer_event, "controller_launched_details.package_architecture",
                 package_architecture_);
}

}  // namespace velta
