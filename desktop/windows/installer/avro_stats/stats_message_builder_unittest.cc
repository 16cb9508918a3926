// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/stats_message_builder.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/guid.h"
#include "base/strings/stringprintf.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/avro_stats/additional_file_fetched_event.h"
#include "desktop/windows/installer/avro_stats/autoupdate_failed_event.h"
#include "desktop/windows/installer/avro_stats/checksum_verified_event.h"
#include "desktop/windows/installer/avro_stats/controller_launched_event.h"
#include "desktop/windows/installer/avro_stats/controller_quitting_event.h"
#include "desktop/windows/installer/avro_stats/diagnostic_data.h"
#include "desktop/windows/installer/avro_stats/error_event.h"
#include "desktop/windows/installer/avro_stats/fetching_additional_file_event.h"
#include "desktop/windows/installer/avro_stats/fetching_download_url_event.h"
#include "desktop/windows/installer/avro_stats/fetching_primary_package_event.h"
#include "desktop/windows/installer/avro_stats/initial_settings_gathered_event.h"
#include "desktop/windows/installer/avro_stats/installation_cancelled_event.h"
#include "desktop/windows/installer/avro_stats/installer_step_finished_event.h"
#include "desktop/windows/installer/avro_stats/installer_step_starting_event.h"
#include "desktop/windows/installer/avro_stats/package_fetcher_local_error_event.h"
#include "desktop/windows/installer/avro_stats/package_fetcher_network_error_event.h"
#include "desktop/windows/installer/avro_stats/package_ready_event.h"
#include "desktop/windows/installer/avro_stats/page_transition_event.h"
#include "desktop/windows/installer/avro_stats/primary_package_fetched_event.h"
#include "desktop/windows/installer/avro_stats/settings_accepted_event.h"
#include "desktop/windows/installer/avro_stats/signature_verified_event.h"
#include "desktop/windows/installer/avro_stats/stats_event_samples.h"
#include "desktop/windows/installer/avro_stats/stats_message_reader.h"
#include "desktop/windows/installer/avro_stats/stats_value_writers.h"
#include "desktop/windows/installer/avro_stats/status_parsed_event.h"
#include "desktop/windows/installer/avro_stats/uninstall_survey_completed_event.h"
#include "desktop/windows/installer/avro_stats/version_verified_event.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "velta_components/avro/avro_value.h"

namespace velta {
namespace {

constexpr char kSession[] = "0f8fad5b-d9cb-469f-a165-70867728950e";

StatsMessageBuilder MakeBuilder(Campaign campaign = Campaign()) {
  return StatsMessageBuilder(kSession, "net-id", "24.1.0.100", "stable", std::move(campaign));
}

std::unique_ptr<AvroValue> BuildAndRead(const StatsMessageBuilder& builder,
                                        const InstallerStatsEvent& event,
                                        const DiagnosticData& diagnostic_data = DiagnosticData()) {
  std::unique_ptr<AvroValue> message = ReadStatsMessage(builder.Build(event, diagnostic_data));
  EXPECT_NE(nullptr, message);
  return message;
}

FetchDetails ChunkAt(int64_t start, uint32_t status) {
  FetchDetails details;
  details.chunk_start = start;
  details.http_status = status;
  return details;
}

TEST(StatsMessageBuilderTest, FillsIdentifiersContextAndCounters) {
  ErrorEvent event("Fetcher error", 1);
  DiagnosticData counters{.dumped_messages_total = 4,
                          .dumps_total = 1,
                          .messages_total = 9,
                          .send_attempts_total = 12,
                          .successfully_sent_total = 3};
  Campaign campaign;
  campaign.medium = "banner";
  std::unique_ptr<AvroValue> message = BuildAndRead(MakeBuilder(campaign), event, counters);
  ASSERT_NE(nullptr, message);
  const AvroValue& m = *message;
  EXPECT_EQ(kSession, StatsText(m, "identifiers.session_guid"));
  EXPECT_EQ("net-id", StatsText(m, "identifiers.network_installer_id"));
  EXPECT_EQ("24.1.0.100", StatsText(m, "context.application.version"));
  EXPECT_EQ("stable", StatsText(m, "context.application.stream"));
  EXPECT_EQ("<null>", StatsText(m, "context.application.name"));
  EXPECT_EQ("banner", StatsText(m, "context.campaign.medium"));
  EXPECT_EQ("<null>", StatsText(m, "context.campaign.name"));
  EXPECT_EQ("Windows", StatsText(m, "context.osname"));
  const auto version = base::win::OSInfo::GetInstance()->version_number();
  EXPECT_EQ(
      base::StringPrintf("%u.%u.%u.%u", version.major, version.minor, version.build, version.patch),
      StatsText(m, "context.osversion"));
  EXPECT_EQ(4, StatsNumber(m, "installer_event.diagnostic_data.dumped_messages_total"));
  EXPECT_EQ(1, StatsNumber(m, "installer_event.diagnostic_data.dumps_total"));
  EXPECT_EQ(9, StatsNumber(m, "installer_event.diagnostic_data.messages_total"));
  EXPECT_EQ(12, StatsNumber(m, "installer_event.diagnostic_data.send_attempts_total"));
  EXPECT_EQ(3, StatsNumber(m, "installer_event.diagnostic_data.successfully_sent_total"));
  EXPECT_EQ(event.message_uuid(), StatsText(m, "StatsMessageUUID"));
  EXPECT_EQ(20, StatsNumber(m, "installer_event.event_type"));
  EXPECT_EQ(event.message_number(), StatsNumber(m, "installer_event.message_session_id"));
  EXPECT_EQ("Fetcher error", StatsText(m, "installer_event.description"));
  // Left at their defaults.
  EXPECT_EQ(nullptr, m.FindPath("StatsSubmissionServerMetadata"));
  EXPECT_EQ(0, StatsNumber(m, "UTCOffset"));
  EXPECT_EQ(nullptr, m.FindPath("context.referrer"));
}

TEST(StatsMessageBuilderTest, WithoutTrackingDataTheCampaignIsPresentButEmpty) {
  StatsMessageBuilder builder(kSession, "", "1.0", "beta", Campaign());
  PackageReadyEvent event(1);
  std::unique_ptr<AvroValue> message = BuildAndRead(builder, event);
  ASSERT_NE(nullptr, message);
  EXPECT_EQ("", StatsText(*message, "identifiers.network_installer_id"));
  EXPECT_NE(nullptr, message->FindPath("context.campaign"));
  for (const char* field : {"name", "source", "medium"})
    EXPECT_EQ("<null>", StatsText(*message, std::string("context.campaign.") + field)) << field;
  // An event without fields still has its type, number, timestamps and UUID.
  EXPECT_EQ(19, StatsNumber(*message, "installer_event.event_type"));
  EXPECT_GT(StatsNumber(*message, "EventTimestamp"), 0);
  EXPECT_TRUE(base::IsValidGUIDOutputString(StatsText(*message, "StatsMessageUUID")));
}

TEST(StatsMessageBuilderTest, RebuildingKeepsIdentityAndRenewsTheSentTime) {
  StatsMessageBuilder builder = MakeBuilder();
  ChecksumVerifiedEvent event(1);
  std::unique_ptr<AvroValue> first = BuildAndRead(builder, event);
  DiagnosticData later;
  later.send_attempts_total = 1;
  std::unique_ptr<AvroValue> second = BuildAndRead(builder, event, later);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(StatsText(*first, "StatsMessageUUID"), StatsText(*second, "StatsMessageUUID"));
  EXPECT_EQ(StatsNumber(*first, "EventTimestamp"), StatsNumber(*second, "EventTimestamp"));
  EXPECT_GE(StatsNumber(*second, "SentTimestamp"), StatsNumber(*first, "SentTimestamp"));
  EXPECT_GE(StatsNumber(*first, "SentTimestamp"), StatsNumber(*first, "EventTimestamp"));
  EXPECT_EQ(1, StatsNumber(*second, "installer_event.diagnostic_data.send_attempts_total"));
}

TEST(StatsMessageBuilderTest, FetchDetailsKeepTheirOrderAndOnlyPresentFields) {
  FetchDetails first = ChunkAt(0, 200);
  first.headers = {{"Server", "test"}, {"Content-Length", "10"}};
  FetchDetails second = ChunkAt(10, 206);
  second.proxy_login_needed = false;
  PrimaryPackageFetchedEvent event({first, second}, 1);
  std::unique_ptr<AvroValue> message = BuildAndRead(MakeBuilder(), event);
  ASSERT_NE(nullptr, message);
  const AvroValue* array = message->FindPath("installer_event.fetch_details");
  ASSERT_NE(nullptr, array);
  ASSERT_EQ(2u, array->GetItemCount());
  const AvroValue& item0 = *array->GetChildAt(0);
  EXPECT_EQ(0, StatsNumber(item0, "chunk_start"));
  EXPECT_EQ(200, StatsNumber(item0, "http_status"));
  EXPECT_EQ(-1, StatsNumber(item0, "chunk_end"));
  EXPECT_EQ("<null>", StatsText(item0, "ip"));
  EXPECT_THAT(item0.GetChild("headers")->GetKeys(),
              ::testing::ElementsAre("Content-Length", "Server"));
  const AvroValue& item1 = *array->GetChildAt(1);
  EXPECT_EQ(10, StatsNumber(item1, "chunk_start"));
  EXPECT_EQ(0, StatsNumber(item1, "proxy_login_needed"));
  EXPECT_EQ(0u, item1.GetChild("headers")->GetKeys().size());
}

TEST(StatsMessageBuilderTest, EmptyFetchListLeavesAnEmptyArray) {
  PackageFetcherNetworkErrorEvent event("timeout", {}, 1);
  std::unique_ptr<AvroValue> message = BuildAndRead(MakeBuilder(), event);
  ASSERT_NE(nullptr, message);
  const AvroValue* array = message->FindPath("installer_event.fetch_details");
  ASSERT_NE(nullptr, array);
  EXPECT_EQ(0u, array->GetItemCount());
}

// One row per event class: the event, the index of its type in the enum,
// and the paths below installer_event it must fill, with their values.
struct EventCase {
  const char* name;
  std::function<std::unique_ptr<InstallerStatsEvent>()> make;
  int64_t type_index;
  std::vector<std::pair<std::string, std::string>> texts;
  std::vector<std::pair<std::string, int64_t>> numbers;
  std::vector<std::string> null_paths;
};

StatsSettings CopyOnlySettings() {
  StatsSettings settings;
  settings.make_default = true;
  settings.installation_mode = 2;
  settings.installation_operation = 3;
  settings.using_privileged_installation_folder = true;
  return settings;
}

const EventCase kEventCases[] = {
    {"AdditionalFileFetched",
     [] { return std::make_unique<AdditionalFileFetchedEvent>(std::vector{ChunkAt(5, 200)}, 1); },
     18,
     {},
     {{"fetch_details.0.chunk_start", 5}},
     {}},
    {"AutoupdateFailed",
     [] {
       return std::make_unique<AutoupdateFailedEvent>("Backend failed, Error type: 7",
                                                      std::vector<FetchDetails>(),
                                                      CopyOnlySettings(), "24.1", "beta", 0);
     },
     0,
     {{"description", "Backend failed, Error type: 7"},
      {"version_information.version", "24.1"},
      {"version_information.stream", "beta"},
      {"settings.folder_tracking_data", ""}},
     {{"settings.installation_mode", 2},
      {"settings.installation_operation", 3},
      {"settings.make_default", 1},
      {"settings.using_privileged_installation_folder", 1},
      {"settings.using_default_installation_folder", 0}},
     {}},
    {"ChecksumVerified",
     [] { return std::make_unique<ChecksumVerifiedEvent>(1); },
     13,
     {},
     {},
     {"description", "fetch_details"}},
    {"ControllerLaunched",
     [] {
       return std::make_unique<ControllerLaunchedEvent>("full_package", "utm.medium=x", true, false,
                                                        true, "installer.exe --silent", "x64", 1);
     },
     1,
     {{"controller_launched_details.payload_type", "full_package"},
      {"controller_launched_details.tracking_data", "utm.medium=x"},
      {"controller_launched_details.command_line", "installer.exe --silent"}},
     {{"controller_launched_details.run_immediately", 1},
      {"controller_launched_details.autoupdate", 0},
      {"controller_launched_details.silent", 1},
      {"controller_launched_details.package_architecture", 1}},
     {}},
    {"ControllerLaunchedUnknownArchitecture",
     [] {
       return std::make_unique<ControllerLaunchedEvent>("none", "", false, false, false, "",
                                                        "arm64", 1);
     },
     1,
     {},
     {{"controller_launched_details.package_architecture", 0}},
     {}},
    {"ControllerQuitting",
     [] { return std::make_unique<ControllerQuittingEvent>(true, 1); },
     2,
     {},
     {{"result", 1}},
     {}},
    {"Error",
     [] { return std::make_unique<ErrorEvent>("disk full", 1); },
     20,
     {{"description", "disk full"}},
     {},
     {}},
    {"FetchingAdditionalFile",
     [] { return std::make_unique<FetchingAdditionalFileEvent>("resources.7z", 1); },
     17,
     {{"description", "resources.7z"}},
     {},
     {}},
    {"FetchingDownloadUrl",
     [] { return std::make_unique<FetchingDownloadUrlEvent>(1); },
     10,
     {},
     {},
     {}},
    {"FetchingPrimaryPackage",
     [] {
       return std::make_unique<FetchingPrimaryPackageEvent>(
           "https://127.0.0.1/p.7z", std::vector{ChunkAt(0, 200), ChunkAt(9, 206)}, 1);
     },
     11,
     {{"description", "https://127.0.0.1/p.7z"}},
     {{"fetch_details.1.chunk_start", 9}, {"fetch_details.1.http_status", 206}},
     {}},
    {"InitialSettingsGathered",
     [] { return std::make_unique<InitialSettingsGatheredEvent>(StatsSettings(), 1); },
     6,
     {},
     {{"settings.installation_mode", 0}},
     {}},
    {"InstallationCancelled",
     [] { return std::make_unique<InstallationCancelledEvent>(2, 1); },
     3,
     {},
     {{"counter", 2}},
     {}},
    {"InstallerStepFinished",
     [] { return std::make_unique<InstallerStepFinishedEvent>("create_shortcuts", 0, 1); },
     5,
     {{"description", "create_shortcuts"}},
     {{"counter", 0}},
     {}},
    {"InstallerStepStarting",
     [] { return std::make_unique<InstallerStepStartingEvent>("create_shortcuts", 1); },
     4,
     {{"description", "create_shortcuts"}},
     {},
     {"counter"}},
    {"PackageFetcherLocalError",
     [] { return std::make_unique<PackageFetcherLocalErrorEvent>("no space", 1); },
     21,
     {{"description", "no space"}},
     {},
     {}},
    {"PackageFetcherNetworkError",
     [] {
       return std::make_unique<PackageFetcherNetworkErrorEvent>("503", std::vector{ChunkAt(0, 503)},
                                                                1);
     },
     22,
     {{"description", "503"}},
     {{"fetch_details.0.http_status", 503}},
     {}},
    {"PackageReady", [] { return std::make_unique<PackageReadyEvent>(1); }, 19, {}, {}, {}},
    {"PageTransition",
     [] {
       PageTransitions transitions;
       transitions.page_type = 4;
       transitions.changed_language_counter = 2;
       transitions.navigation_action = "next";
       return std::make_unique<PageTransitionEvent>(transitions, 1);
     },
     9,
     {{"page_transitions.navigation_action", "next"}},
     {{"page_transitions.page_type", 4}, {"page_transitions.changed_language_counter", 2}},
     {"page_transitions.failure_reason", "page_transitions.changed_import_data_counter"}},
    {"PrimaryPackageFetched",
     [] { return std::make_unique<PrimaryPackageFetchedEvent>(std::vector{ChunkAt(0, 200)}, 1); },
     12,
     {},
     {{"fetch_details.0.http_status", 200}},
     {}},
    {"SettingsAccepted",
     [] { return std::make_unique<SettingsAcceptedEvent>(CopyOnlySettings(), 1); },
     7,
     {},
     {{"settings.installation_mode", 2}},
     {}},
    {"SignatureVerified",
     [] { return std::make_unique<SignatureVerifiedEvent>(1); },
     15,
     {},
     {},
     {}},
    {"StatusParsed",
     [] {
       StatusData status;
       status.source = "json";
       status.uuid = "folder-uuid";
       return std::make_unique<StatusParsedEvent>(status, 1);
     },
     8,
     {{"status_data.source", "json"}, {"status_data.uuid", "folder-uuid"}},
     {},
     {"status_data.tracking_data"}},
    {"UninstallSurveyAnswerOne",
     [] {
       return std::make_unique<UninstallSurveyCompletedEvent>(1, std::nullopt, std::nullopt, 1);
     },
     24,
     {},
     {{"counter", 1}},
     {"tags", "description"}},
    {"UninstallSurveyAnswerThree",
     [] {
       return std::make_unique<UninstallSurveyCompletedEvent>(
           3, std::vector<std::string>{"video", "slow"}, "too many tabs", 1);
     },
     24,
     {{"description", "too many tabs"}, {"tags.0", "video"}, {"tags.1", "slow"}},
     {{"counter", 3}},
     {}},
    {"VersionVerified",
     [] { return std::make_unique<VersionVerifiedEvent>("24.1", "stable", 1); },
     14,
     {{"version_information.version", "24.1"}, {"version_information.stream", "stable"}},
     {},
     {}},
};

// Reads `path` below installer_event, where a number component picks an
// array item ("fetch_details.1.chunk_start").
const AvroValue* Find(const AvroValue& installer_event, const std::string& path) {
  const AvroValue* value = &installer_event;
  size_t start = 0;
  while (value && start <= path.size()) {
    size_t dot = path.find('.', start);
    std::string component = path.substr(start, dot == std::string::npos ? dot : dot - start);
    if (value->GetType() == AvroType::kArray)
      value = value->GetChildAt(std::stoul(component));
    else
      value = value->FindPath(component);
    if (dot == std::string::npos)
      break;
    start = dot + 1;
  }
  return value;
}

class StatsEventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(StatsEventTest, WritesItsTypeAndFields) {
  std::unique_ptr<InstallerStatsEvent> event = GetParam().make();
  std::unique_ptr<AvroValue> message = BuildAndRead(MakeBuilder(), *event);
  ASSERT_NE(nullptr, message);
  const AvroValue* installer_event = message->FindPath("installer_event");
  ASSERT_NE(nullptr, installer_event);
  EXPECT_EQ(GetParam().type_index, StatsNumber(*installer_event, "event_type"));
  for (const auto& [path, text] : GetParam().texts) {
    const AvroValue* value = Find(*installer_event, path);
    ASSERT_NE(nullptr, value) << path;
    EXPECT_EQ(text, value->GetString()) << path;
  }
  for (const auto& [path, number] : GetParam().numbers) {
    const AvroValue* value = Find(*installer_event, path);
    ASSERT_NE(nullptr, value) << path;
    std::unique_ptr<AvroValue> holder;
    EXPECT_EQ(number, value->GetType() == AvroType::kEnum      ? value->GetEnumIndex()
                      : value->GetType() == AvroType::kBoolean ? value->GetBool()
                      : value->GetType() == AvroType::kLong    ? value->GetLong()
                                                               : value->GetInt())
        << path;
  }
  for (const std::string& path : GetParam().null_paths)
    EXPECT_EQ(nullptr, installer_event->FindPath(path)) << path;
  EXPECT_EQ(GetParam().type_index == 0 ? 0 : 1, event->GetVerbosityLevel());
}

INSTANTIATE_TEST_SUITE_P(Events,
                         StatsEventTest,
                         ::testing::ValuesIn(kEventCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Every kind of event names only fields and symbols the schema has.
TEST(StatsSchemaTest, EveryEventFitsTheSchema) {
  const int mismatches = GetStatsSchemaMismatchCount();
  for (const std::unique_ptr<InstallerStatsEvent>& event : MakeOneOfEachStatsEvent())
    MakeBuilder().Build(*event, DiagnosticData());
  EXPECT_EQ(mismatches, GetStatsSchemaMismatchCount());
}

struct ArchitectureSymbolCase {
  const char* symbol;
  size_t index;
  int mismatches;
};

class PackageArchitectureSymbolTest : public ::testing::TestWithParam<ArchitectureSymbolCase> {};

// The enum has "x86" and "x64"; any other text, the upper-case names
// included, leaves the field at its first symbol and is counted.
TEST_P(PackageArchitectureSymbolTest, OnlyTheSchemasSymbolsAreWritten) {
  const int before = GetStatsSchemaMismatchCount();
  ControllerLaunchedEvent event("none", "", false, false, false, "", GetParam().symbol, 1);
  std::unique_ptr<AvroValue> message = BuildAndRead(MakeBuilder(), event);
  ASSERT_NE(nullptr, message);
  const AvroValue* field =
      message->FindPath("installer_event.controller_launched_details.package_architecture");
  ASSERT_NE(nullptr, field);
  EXPECT_EQ(GetParam().index, field->GetEnumIndex());
  EXPECT_EQ(GetParam().mismatches, GetStatsSchemaMismatchCount() - before);
}

INSTANTIATE_TEST_SUITE_P(Symbols,
                         PackageArchitectureSymbolTest,
                         ::testing::Values(ArchitectureSymbolCase{"x86", 0, 0},
                                           ArchitectureSymbolCase{"x64", 1, 0},
                                           ArchitectureSymbolCase{"X64", 0, 1},
                                           ArchitectureSymbolCase{"invalid", 0, 1},
                                           ArchitectureSymbolCase{"", 0, 1}));

}  // namespace
}  // namespace velta
