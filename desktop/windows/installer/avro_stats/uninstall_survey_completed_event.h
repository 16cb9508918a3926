// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_UNINSTALL_SURVEY_COMPLETED_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_UNINSTALL_SURVEY_COMPLETED_EVENT_H_

#include <stdint.h>

#include <optional>
#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

// "uninstall_survey_completed", raised by the uninstall survey when it is submitted; `counter`
// is the answer (1 to 3), the tags the reasons ticked and the description the text typed, each
// only when given. The window marks it urgent, so it is sent even while statistics traffic is
// not allowed. Raisers pass verbosity level 1.
class UninstallSurveyCompletedEvent : public InstallerStatsEvent {
 public:
  UninstallSurveyCompletedEvent(uint32_t counter,
                                std::optional<std::vector<std::string>> tags,
                                std::optional<std::string> description,
                                int32_t verbosity_level);
  UninstallSurveyCompletedEvent(const UninstallSurveyCompletedEvent&) = delete;
  UninstallSurveyCompletedEvent& operator=(const UninstallSurveyCompletedEvent&) = delete;
  ~UninstallSurveyCompletedEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const uint32_t counter_;
  const std::optional<std::vector<std::string>> tags_;
  const std::optional<std::string> description_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_UNINSTALL_SURVEY_COMPLETED_EVENT_H_
