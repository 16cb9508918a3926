// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CONTROLLER_QUITTING_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CONTROLLER_QUITTING_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "controller_quitting", raised by the controller's termination, unless it handed over to a
// relaunched installer; `result` is true when no error code was recorded. Raisers pass
// verbosity level 1.
class ControllerQuittingEvent : public InstallerStatsEvent {
 public:
  ControllerQuittingEvent(bool result, int32_t verbosity_level);
  ControllerQuittingEvent(const ControllerQuittingEvent&) = delete;
  ControllerQuittingEvent& operator=(const ControllerQuittingEvent&) = delete;
  ~ControllerQuittingEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const bool result_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CONTROLLER_QUITTING_EVENT_H_
