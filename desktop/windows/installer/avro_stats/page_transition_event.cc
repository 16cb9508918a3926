// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/page_transition_event.h"

namespace velta {

PageTransitionEvent::PageTransitionEvent(const PageTransitions& page_transitions,
                                         int32_t verbosity_level)
    : InstallerStatsEvent("page_transition", verbosity_level),
      page_transitions_(page_transitions) {}

PageTransitionEvent::~PageTransitionEvent() = default;

void PageTransitionEvent::FillEventFields(AvroValue* installer_event) const {
  WritePageTransitions(page_transitions_, "page_transitions", installer_event);
}

}  // namespace velta
