// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/installer_message_schema.h"

#include <string>
#include <utility>
#include <vector>

#include "velta_components/avro/avro_schema.h"

namespace velta {

namespace {

using Schema = scoped_refptr<AvroSchema>;
using Fields = std::vector<AvroSchema::Field>;

constexpr int32_t kVersion = kInstallerMessageSchemaVersion;

Schema Null() {
  return AvroSchema::Null(kVersion);
}
Schema Boolean() {
  return AvroSchema::Boolean(kVersion);
}
Schema String() {
  return AvroSchema::String(kVersion);
}
Schema Int() {
  return AvroSchema::Int(kVersion);
}
Schema Long() {
  return AvroSchema::Long(kVersion);
}
Schema ArrayOf(Schema items) {
  return AvroSchema::Array(kVersion, std::move(items));
}
Schema MapOf(Schema values) {
  return AvroSchema::Map(kVersion, std::move(values));
}
Schema Record(const char* name, Fields fields) {
  return AvroSchema::Record(kVersion, "", name, std::move(fields));
}
Schema Enum(const char* name, const std::vector<std::string>& symbols) {
  return AvroSchema::Enum(kVersion, "", name, symbols);
}
// An optional field: a union of null (branch 0, the default) and `type`.
Schema Optional(Schema type) {
  return AvroSchema::Union(kVersion, {Null(), std::move(type)});
}

Schema ServerMetadata() {
  return Record("StatsSubmissionServerMetadata", {{"ReceivedTimestamp", Optional(Long())},
                                                  {"RemoteIPAddr", Optional(String())},
                                                  {"RemoteGeoCountry", Optional(String())},
                                                  {"Forwarded", Optional(ArrayOf(String()))},
                                                  {"ForwardedGeoCountry", Optional(String())},
                                                  {"ReceivingNode", Optional(String())},
                                                  {"WriteKeyTags", Optional(MapOf(String()))},
                                                  {"IncomingAvroDatumSize", Optional(Int())}});
}

Schema Context() {
  Schema application = Record("application", {{"name", Optional(String())},
                                              {"version", Optional(String())},
                                              {"stream", Optional(String())}});
  Schema campaign = Record("campaign", {{"name", Optional(String())},
                                        {"source", Optional(String())},
                                        {"medium", Optional(String())}});
  Schema referrer = Record("referrer", {{"type", Optional(String())},
                                        {"name", Optional(String())},
                                        {"url", Optional(String())},
                                        {"link", Optional(String())}});
  return Record("context", {{"application", Optional(std::move(application))},
                            {"campaign", Optional(std::move(campaign))},
                            {"custom_campaign", Optional(MapOf(String()))},
                            {"ipv6address", Optional(String())},
                            {"locale", Optional(String())},
                            {"osname", Optional(String())},
                            {"osversion", Optional(String())},
                            {"referrer", Optional(std::move(referrer))}});
}

Schema Identifiers() {
  return Record("identifiers", {{"network_installer_id", Optional(String())},
                                {"session_guid", Optional(String())}});
}

Schema EventType() {
  return Enum("EventType", {"autoupdate_failed",
                            "controller_launched",
                            "controller_quitting",
                            "installation_cancelled",
                            "installer_step_starting",
                            "installer_step_finished",
                            "initial_settings_gathered",
                            "settings_accepted",
                            "status_parsed",
                            "page_transition",
                            "fetching_download_url",
                            "fetching_primary_package",
                            "primary_package_fetched",
                            "checksum_verified",
                            "version_verified",
                            "signature_verified",
                            "unpacked",
                            "fetching_additional_file",
                            "additional_file_fetched",
                            "package_ready",
                            "error",
                            "package_fetcher_local_error",
                            "package_fetcher_network_error",
                            "generic",
                            "uninstall_survey_completed"});
}

Schema ControllerLaunchedDetails() {
  return Record("controller_launched_details",
                {{"payload_type", String()},
                 {"tracking_data", String()},
                 {"run_immediately", Boolean()},
                 {"autoupdate", Boolean()},
                 {"silent", Boolean()},
                 {"command_line", String()},
                 {"package_architecture", Enum("PackageArchitecture", {"x86", "x64"})}});
}

Schema StatusDataRecord() {
  return Record("status_data", {{"source", Optional(String())},
                                {"uuid", Optional(String())},
                                {"tracking_data", Optional(String())}});
}

Schema SettingsRecord() {
  return Record("settings", {{"make_default", Boolean()},
                             {"using_default_installation_folder", Boolean()},
                             {"installation_mode", Int()},
                             {"installation_operation", Int()},
                             {"using_privileged_installation_folder", Boolean()},
                             {"folder_tracking_data", String()}});
}

Schema PageTransitionsRecord() {
  return Record("page_transitions", {{"page_type", Int()},
                                     {"changed_make_default_browser_counter", Optional(Int())},
                                     {"changed_import_data_counter", Optional(Int())},
                                     {"changed_enable_stats_counter", Optional(Int())},
                                     {"changed_delete_profile_counter", Optional(Int())},
                                     {"changed_install_mode_counter", Optional(Int())},
                                     {"changed_language_counter", Optional(Int())},
                                     {"changed_install_path_counter", Optional(Int())},
                                     {"edited_install_path_counter", Optional(Int())},
                                     {"navigation_action", Optional(String())},
                                     {"failure_reason", Optional(String())},
                                     {"error_displayed", Optional(String())}});
}

Schema FetchStatisticsItem() {
  return Record("fetch_statistics_array_item", {{"chunk_start", Optional(Long())},
                                                {"chunk_number", Optional(Int())},
                                                {"ip", Optional(String())},
                                                {"redirected_url", Optional(String())},
                                                {"headers", MapOf(String())},
                                                {"wininet_error", Optional(Int())},
                                                {"http_status", Optional(Int())},
                                                {"retry_count", Optional(Int())},
                                                {"chunk_end", Optional(Long())},
                                                {"chunk_start_time", Optional(Long())},
                                                {"chunk_end_time", Optional(Long())},
                                                {"response_too_long", Optional(Long())},
                                                {"proxy_login_needed", Optional(Boolean())},
                                                {"proxy_login_result", Optional(Int())},
                                                {"null_request_context", Optional(Boolean())}});
}

Schema InstallerEvent() {
  Schema version_information =
      Record("version_information", {{"version", String()}, {"stream", String()}});
  Schema diagnostic_data = Record("diagnostic_data", {{"dumped_messages_total", Int()},
                                                      {"dumps_total", Int()},
                                                      {"messages_total", Int()},
                                                      {"send_attempts_total", Int()},
                                                      {"successfully_sent_total", Int()}});
  return Record("installer_event",
                {{"event_type", EventType()},
                 {"description", Optional(String())},
                 {"result", Optional(Boolean())},
                 {"counter", Optional(Int())},
                 {"tags", Optional(ArrayOf(String()))},
                 {"message_session_id", Int()},
                 {"controller_launched_details", Optional(ControllerLaunchedDetails())},
                 {"status_data", Optional(StatusDataRecord())},
                 {"settings", Optional(SettingsRecord())},
                 {"page_transitions", Optional(PageTransitionsRecord())},
                 {"fetch_details", Optional(ArrayOf(FetchStatisticsItem()))},
                 {"version_information", Optional(std::move(version_information))},
                 {"diagnostic_data", std::move(diagnostic_data)}});
}

}  // namespace

scoped_refptr<AvroSchema> BuildInstallerMessageSchema() {
  return Record("velta_desktop_installer",
                {{"StatsMessageUUID", Optional(String())},
                 {"StatsSubmissionServerMetadata", Optional(ServerMetadata())},
                 {"EventTimestamp", Long()},
                 {"SentTimestamp", Long()},
                 {"UTCOffset", Int()},
                 {"context", Optional(Context())},
                 {"identifiers", Optional(Identifiers())},
                 {"installer_event", Optional(InstallerEvent())}});
}

}  // namespace velta
