// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_EVENT_SAMPLES_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_EVENT_SAMPLES_H_

#include <memory>
#include <vector>

namespace velta {

class InstallerStatsEvent;

// Tests only: one event of each of the 23 classes, in the order of the
// schema's EventType symbols, with every kind of field filled (fetch lists
// with headers, settings, page changes, status, survey tags), so that a
// peer decoder sees every part of the schema on the wire.
std::vector<std::unique_ptr<InstallerStatsEvent>> MakeOneOfEachStatsEvent();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_EVENT_SAMPLES_H_
