// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

#include <utility>

#include "base/process_wide.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender_impl.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
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

AvroStatsSender* InstalledSender() {
  std::unique_ptr<AvroStatsSender>& holder = SenderHolder();
  if (!holder)
    holder = std::make_unique<NullStatsSender>();
  return holder.get();
}

// Installs `sender`, destroying the one held before.
void InstallSender(std::unique_ptr<AvroStatsSender> sender) {
  // The old sender goes first: a real one drains its queue on destruction.
  SenderHolder().reset();
  SenderHolder() = std::move(sender);
}

// The process-wide sender when no test overrides it: whatever start-up
// installed last, so that a caller holding the pointer reaches a sender
// installed later too.
class InstalledStatsSender : public AvroStatsSender {
 public:
  void SetTrafficAllowed(bool allowed) override { InstalledSender()->SetTrafficAllowed(allowed); }
  void SendAvroMessage(std::unique_ptr<InstallerStatsEvent> event) override {
    InstalledSender()->SendAvroMessage(std::move(event));
  }
  void SendPendingAndShutdown(base::OnceClosure done) override {
    InstalledSender()->SendPendingAndShutdown(std::move(done));
  }
};

}  // namespace

AvroStatsSender* GetAvroStatsSender() {
  return base::ProcessWide<AvroStatsSender>::GetOrCreate<InstalledStatsSender>();
}

void InitAvroStatsSender(std::unique_ptr<StatsMessageBuilder> builder,
                         StatsServer server,
                         int32_t max_verbosity_level) {
  const bool is_local = server == StatsServer::kLocalTest;
  InstallSender(std::make_unique<AvroStatsSenderImpl>(
      std::move(builder), is_local ? kLocalTestHost : kProductionHost,
      is_local ? kLocalTestPort : kProductionPort, kStatsPath, is_local, max_verbosity_level));
}

void InitNullStatsSender() {
  InstallSender(std::make_unique<NullStatsSender>());
}

}  // namespace velta
