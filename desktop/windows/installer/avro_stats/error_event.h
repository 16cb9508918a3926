// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ERROR_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ERROR_EVENT_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "error", raised by the controller, for an installer error of the backend (its text) or a
// package fetcher error ("Fetcher error"). Raisers pass verbosity level 1.
class ErrorEvent : public InstallerStatsEvent {
 public:
  ErrorEvent(const std::string& description, int32_t verbosity_level);
  ErrorEvent(const ErrorEvent&) = delete;
  ErrorEvent& operator=(const ErrorEvent&) = delete;
  ~ErrorEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const std::string description_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_ERROR_EVENT_H_
