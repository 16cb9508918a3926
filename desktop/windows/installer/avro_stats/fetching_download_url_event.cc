// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/fetching_download_url_event.h"

namespace velta {

FetchingDownloadUrlEvent::FetchingDownloadUrlEvent(int32_t verbosity_level)
    : InstallerStatsEvent("fetching_download_url", verbosity_level) {}

FetchingDownloadUrlEvent::~FetchingDownloadUrlEvent() = default;

void FetchingDownloadUrlEvent::FillEventFields(AvroValue* /*installer_event*/) const {}

}  // namespace velta
