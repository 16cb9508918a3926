// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/stats_message_builder.h"

#include <memory>
#include <utility>

#include "base/strings/stringprintf.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/avro_stats/diagnostic_data.h"
#include "desktop/windows/installer/avro_stats/installer_message_schema.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/stats_value_writers.h"
#include "velta_components/avro/avro_schema.h"
#include "velta_components/avro/avro_value.h"
#include "velta_components/avro/value_serializer_impl.h"

namespace velta {

namespace {

// The message schema, built on first use and kept for the process.
scoped_refptr<AvroSchema> GetMessageSchema() {
  static AvroSchema* const schema = [] {
    scoped_refptr<AvroSchema> built = BuildInstallerMessageSchema();
    built->AddRef();  // Never released: the tree lives as long as the process.
    return built.get();
  }();
  return scoped_refptr<AvroSchema>(schema);
}

std::string GetOsVersionText() {
  const base::win::OSInfo::VersionNumber version =
      base::win::OSInfo::GetInstance()->version_number();
  return base::StringPrintf("%d.%d.%d.%d", static_cast<int>(version.major),
                            static_cast<int>(version.minor), static_cast<int>(version.build),
                            static_cast<int>(version.patch));
}

}  // namespace

StatsMessageBuilder::StatsMessageBuilder(std::string session_guid,
                                         std::string network_installer_id,
                                         std::string application_version,
                                         std::string application_stream,
                                         Campaign campaign)
    : session_guid_(std::move(session_guid)),
      network_installer_id_(std::move(network_installer_id)),
      application_version_(std::move(application_version)),
      application_stream_(std::move(application_stream)),
      campaign_(std::move(campaign)) {}

StatsMessageBuilder::~StatsMessageBuilder() = default;

std::string StatsMessageBuilder::Build(const InstallerStatsEvent& event,
                                       const DiagnosticData& diagnostic_data) const {
  std::unique_ptr<AvroValue> message = AvroValue::Create(GetMessageSchema());
  event.Fill(message.get());
  WriteStatsString(message.get(), "identifiers.session_guid", session_guid_);
  WriteStatsString(message.get(), "identifiers.network_installer_id", network_installer_id_);
  WriteStatsString(message.get(), "context.application.version", application_version_);
  WriteStatsString(message.get(), "context.application.stream", application_stream_);
  WriteDiagnosticData(diagnostic_data, "installer_event.diagnostic_data", message.get());
  WriteCampaign(campaign_, "context.campaign", message.get());
  WriteStatsString(message.get(), "context.osname", std::string("Windows"));
  WriteStatsString(message.get(), "context.osversion", GetOsVersionText());
  std::string bytes;
  ValueSerializerImpl().Serialize(*message, &bytes);
  return bytes;
}

}  // namespace velta
