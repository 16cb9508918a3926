// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STEP_FINISHED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STEP_FINISHED_EVENT_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "installer_step_finished", raised by the controller, for each step-finished message of the
// backend; `counter` is the step's result code. Raisers pass verbosity level 1.
class InstallerStepFinishedEvent : public InstallerStatsEvent {
 public:
  InstallerStepFinishedEvent(const std::string& description,
                             uint32_t counter,
                             int32_t verbosity_level);
  InstallerStepFinishedEvent(const InstallerStepFinishedEvent&) = delete;
  InstallerStepFinishedEvent& operator=(const InstallerStepFinishedEvent&) = delete;
  ~InstallerStepFinishedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string description_;
  const uint32_t counter_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_STEP_FINISHED_EVENT_H_
