// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITIONS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITIONS_H_

#include <stdint.h>

#include <optional>
#include <string>

namespace velta {

class AvroValue;

// What the user did on one page of the installer window; sent with the page
// change, then a new one starts.
struct PageTransitions {
  // The page the window changes to.
  std::optional<uint32_t> page_type;
  // Counts of changes to each choice.
  std::optional<uint32_t> changed_make_default_browser_counter;
  std::optional<uint32_t> changed_import_data_counter;
  std::optional<uint32_t> changed_enable_stats_counter;
  std::optional<uint32_t> changed_delete_profile_counter;
  std::optional<uint32_t> changed_install_mode_counter;
  std::optional<uint32_t> changed_language_counter;
  std::optional<uint32_t> changed_install_path_counter;
  std::optional<uint32_t> edited_install_path_counter;
  std::optional<std::string> navigation_action;
  std::optional<std::string> failure_reason;
  std::optional<std::string> error_displayed;
};

// Writes `page_transitions` below `parent` at `path` (the message code passes
// "page_transitions" below installer_event). The record itself is always made present; its
// optional fields only when they have a value.
void WritePageTransitions(const PageTransitions& page_transitions,
                          const std::string& path,
                          AvroValue* parent);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITIONS_H_
