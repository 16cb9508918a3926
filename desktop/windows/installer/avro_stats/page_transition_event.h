// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITION_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITION_EVENT_H_

#include <stdint.h>

#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/page_transitions.h"

namespace velta {

// "page_transition", raised by the installer window, at each change of page, at the answer to
// the uninstall warning and once more when the window closes. Raisers pass verbosity level 1.
class PageTransitionEvent : public InstallerStatsEvent {
 public:
  PageTransitionEvent(const PageTransitions& page_transitions, int32_t verbosity_level);
  PageTransitionEvent(const PageTransitionEvent&) = delete;
  PageTransitionEvent& operator=(const PageTransitionEvent&) = delete;
  ~PageTransitionEvent() override;

  // InstallerStatsEvent:
  void FillEventFields(AvroValue* installer_event) const override;

 private:
  const PageTransitions page_transitions_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITION_EVENT_H_
