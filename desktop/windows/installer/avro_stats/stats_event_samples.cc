// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/stats_event_samples.h"

#include <string>

#include "desktop/windows/installer/avro_stats/additional_file_fetched_event.h"
#include "desktop/windows/installer/avro_stats/autoupdate_failed_event.h"
#include "desktop/windows/installer/avro_stats/checksum_verified_event.h"
#include "desktop/windows/installer/avro_stats/controller_launched_event.h"
#include "desktop/windows/installer/avro_stats/controller_quitting_event.h"
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
#include "desktop/windows/installer/avro_stats/status_parsed_event.h"
#include "desktop/windows/installer/avro_stats/uninstall_survey_completed_event.h"
#include "desktop/windows/installer/avro_stats/version_verified_event.h"

namespace velta {

namespace {

std::vector<FetchDetails> SampleFetchDetails() {
  FetchDetails first;
  first.chunk_start = 0;
  first.chunk_end = 1048576;
  first.chunk_number = 0;
  first.ip = "127.0.0.1";
  first.redirected_url = "https://127.0.0.1/package.7z";
  first.headers = {{"Content-Length", "1048576"}, {"Server", "loopback"}};
  first.wininet_error = 12002;
  first.http_status = 206;
  first.retry_count = 1;
  first.chunk_start_time = 1700000000000;
  first.chunk_end_time = 1700000001234;
  first.response_too_long = -1;
  first.proxy_login_needed = true;
  first.proxy_login_result = 2;
  first.null_request_context = false;
  FetchDetails second;
  second.chunk_start = 1048576;
  second.http_status = 200;
  return {first, second};
}

StatsSettings SampleSettings() {
  StatsSettings settings;
  settings.make_default = true;
  settings.using_default_installation_folder = true;
  settings.installation_mode = 1;
  settings.installation_operation = 4;
  return settings;
}

}  // namespace

std::vector<std::unique_ptr<InstallerStatsEvent>> MakeOneOfEachStatsEvent() {
  PageTransitions transitions;
  transitions.page_type = 3;
  transitions.changed_make_default_browser_counter = 1;
  transitions.changed_install_path_counter = 2;
  transitions.navigation_action = "install";
  transitions.error_displayed = "disk full";
  StatusData status;
  status.source = "installation_status.json";
  status.tracking_data = "utm.source=test";

  std::vector<std::unique_ptr<InstallerStatsEvent>> events;
  events.push_back(std::make_unique<AutoupdateFailedEvent>("Fetcher error, Error type: 19",
                                                           SampleFetchDetails(), SampleSettings(),
                                                           "24.1.0.100", "stable", 0));
  events.push_back(std::make_unique<ControllerLaunchedEvent>(
      "none", "utm.medium=banner", true, false, true, "installer.exe --silent \xC3\xA9", "x64", 1));
  events.push_back(std::make_unique<ControllerQuittingEvent>(false, 1));
  events.push_back(std::make_unique<InstallationCancelledEvent>(2, 1));
  events.push_back(std::make_unique<InstallerStepStartingEvent>("install_files", 1));
  events.push_back(std::make_unique<InstallerStepFinishedEvent>("install_files", 0, 1));
  events.push_back(std::make_unique<InitialSettingsGatheredEvent>(SampleSettings(), 1));
  events.push_back(std::make_unique<SettingsAcceptedEvent>(SampleSettings(), 1));
  events.push_back(std::make_unique<StatusParsedEvent>(status, 1));
  events.push_back(std::make_unique<PageTransitionEvent>(transitions, 1));
  events.push_back(std::make_unique<FetchingDownloadUrlEvent>(1));
  events.push_back(std::make_unique<FetchingPrimaryPackageEvent>("https://127.0.0.1/package.7z",
                                                                 SampleFetchDetails(), 1));
  events.push_back(std::make_unique<PrimaryPackageFetchedEvent>(SampleFetchDetails(), 1));
  events.push_back(std::make_unique<ChecksumVerifiedEvent>(1));
  events.push_back(std::make_unique<VersionVerifiedEvent>("24.1.0.100", "stable", 1));
  events.push_back(std::make_unique<SignatureVerifiedEvent>(1));
  events.push_back(std::make_unique<FetchingAdditionalFileEvent>("resources.7z", 1));
  events.push_back(std::make_unique<AdditionalFileFetchedEvent>(SampleFetchDetails(), 1));
  events.push_back(std::make_unique<PackageReadyEvent>(1));
  events.push_back(std::make_unique<ErrorEvent>("Fetcher error", 1));
  events.push_back(std::make_unique<PackageFetcherLocalErrorEvent>("no space left", 1));
  events.push_back(std::make_unique<PackageFetcherNetworkErrorEvent>(
      "status 503", std::vector<FetchDetails>(), 1));
  events.push_back(std::make_unique<UninstallSurveyCompletedEvent>(
      3, std::vector<std::string>{"video", "slow"}, "too many tabs", 1));
  return events;
}

}  // namespace velta
