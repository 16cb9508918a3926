// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_IMPL_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/synchronization/lock.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/network_thread.h"

namespace velta {

class StatsMessageBuilder;

// The main process's statistics sender: drops events above its maximum
// verbosity level and hands the others to its NetworkThread, which posts
// them to `host`:`port``path`. SendPendingAndShutdown takes the network side
// out and destroys it on a task-scheduler worker (which waits for the drain),
// then runs `done` on the calling thread; from then on events are dropped.
// Any thread may call it; the lock orders callers against the shutdown.
class AvroStatsSenderImpl : public AvroStatsSender {
 public:
  AvroStatsSenderImpl(std::unique_ptr<StatsMessageBuilder> builder,
                      const std::string& host,
                      uint16_t port,
                      const std::string& path,
                      bool plain_http,
                      int32_t max_verbosity_level,
                      NetworkThread::Options options = NetworkThread::Options());
  AvroStatsSenderImpl(const AvroStatsSenderImpl&) = delete;
  AvroStatsSenderImpl& operator=(const AvroStatsSenderImpl&) = delete;
  // Without a shutdown before, drains the queue here (blocking).
  ~AvroStatsSenderImpl() override;

  // AvroStatsSender:
  void SetTrafficAllowed(bool allowed) override;
  void SendAvroMessage(std::unique_ptr<InstallerStatsEvent> event) override;
  // Needs a task scheduler.
  void SendPendingAndShutdown(base::OnceClosure done) override;

 private:
  base::Lock lock_;
  std::unique_ptr<NetworkThread> network_thread_;
  const int32_t max_verbosity_level_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_IMPL_H_
