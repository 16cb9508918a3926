// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/page_transitions.h"

#include "desktop/windows/installer/avro_stats/stats_value_writers.h"

namespace velta {

void WritePageTransitions(const PageTransitions& page_transitions,
                          const std::string& path,
                          AvroValue* parent) {
  AvroValue* record = ResolveStatsPath(parent, path);
  if (!record)
    return;
  WriteStatsInt(record, "page_type", page_transitions.page_type);
  WriteStatsInt(record, "changed_make_default_browser_counter",
                page_transitions.changed_make_default_browser_counter);
  WriteStatsInt(record, "changed_import_data_counter",
                page_transitions.changed_import_data_counter);
  WriteStatsInt(record, "changed_enable_stats_counter",
                page_transitions.changed_enable_stats_counter);
  WriteStatsInt(record, "changed_delete_profile_counter",
                page_transitions.changed_delete_profile_counter);
  WriteStatsInt(record, "changed_install_mode_counter",
                page_transitions.changed_install_mode_counter);
  WriteStatsInt(record, "changed_language_counter", page_transitions.changed_language_counter);
  WriteStatsInt(record, "changed_install_path_counter",
                page_transitions.changed_install_path_counter);
  WriteStatsInt(record, "edited_install_path_counter",
                page_transitions.edited_install_path_counter);
  WriteStatsString(record, "navigation_action", page_transitions.navigation_action);
  WriteStatsString(record, "failure_reason", page_transitions.failure_reason);
  WriteStatsString(record, "error_displayed", page_transitions.error_displayed);
}

}  // namespace velta
