// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_NULL_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_NULL_STATS_SENDER_H_

#include <memory>

#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

namespace velta {

// The sender of processes that send no statistics (the backend, the
// protocol-handler role) and the stand-in until statistics are set up:
// every event is destroyed at once.
class NullStatsSender : public AvroStatsSender {
 public:
  NullStatsSender() = default;
  NullStatsSender(const NullStatsSender&) = delete;
  NullStatsSender& operator=(const NullStatsSender&) = delete;
  ~NullStatsSender() override = default;

  // AvroStatsSender:
  void SetTrafficAllowed(bool allowed) override;
  void SendAvroMessage(std::unique_ptr<InstallerStatsEvent> event) override;
  // Posts `done` to the calling thread's task runner.
  void SendPendingAndShutdown(base::OnceClosure done) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_NULL_STATS_SENDER_H_
