// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

#include <utility>

#include "desktop/windows/installer/avro_stats/avro_stats_sender_impl.h"
#include "desktop/windows/installer/avro_stats/null_stats_sender.h"
#include "desktop/windows/installer/avro_stats/stats_message_builder.h"

namespace velta {

namespace {

constexpr char kProductionHost[] = "installer-stats.velta.example";
constexpr uint16_t kProductionPort = 443;
constexpr char kLocalTestHost[] = "127.0.0.1";
constexpr uint16_t kLocalTestPort = 9000;
constexpr char kStatsPath[] = "/v1/binary";

// Made on first use and never destroyed: senders are used until the process
// ends, after the at-exit manager has gone.
std::unique_ptr<AvroStatsSender>& SenderHolder() {
  static auto* const holder = new std::unique_ptr<AvroStatsSender>();
  return *holder;
}

}  // namespace

AvroStatsSender* GetAvroStatsSender() {
  std::unique_ptr<AvroStatsSender>& holder = SenderHolder();
  if (!holder)
    holder = std::make_unique<NullStatsSender>();
  return holder.get();
}

void InitAvroStatsSender(std::unique_ptr<StatsMessageBuilder> builder,
                         StatsServer server,
                         int32_t max_verbosity_level) {
  const bool is_local = server == StatsServer::kLocalTest;
  SetAvroStatsSender(std::make_unique<AvroStatsSenderImpl>(
      std::move(builder), is_local ? kLocalTestHost : kProductionHost,
      is_local ? kLocalTestPort : kProductionPort, kStatsPath, is_local, max_verbosity_level));
}

void InitNullStatsSender() {
  SetAvroStatsSender(std::make_unique<NullStatsSender>());
}

void SetAvroStatsSender(std::unique_ptr<AvroStatsSender> sender) {
  // The old sender goes first: a real one drains its queue on destruction.
  SenderHolder().reset();
  SenderHolder() = std::move(sender);
}

ScopedAvroStatsSenderForTesting::ScopedAvroStatsSenderForTesting(
    std::unique_ptr<AvroStatsSender> sender) {
  SetAvroStatsSender(std::move(sender));
}

ScopedAvroStatsSenderForTesting::~ScopedAvroStatsSenderForTesting() {
  InitNullStatsSender();
}

}  // namespace velta
