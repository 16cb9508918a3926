// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_

#include <stdint.h>

#include <memory>

#include "base/callback.h"

namespace velta {

class InstallerStatsEvent;
class StatsMessageBuilder;

// Where the real sender posts ("/v1/binary" on both).
enum class StatsServer {
  // The statistics server, port 443, HTTPS.
  kProduction,
  // The local test server (switch test-avro-srv): 127.0.0.1 port 9000,
  // plain HTTP.
  kLocalTest,
};

// The process's statistics sender. Start-up installs one: the real sender in
// the main process (InitAvroStatsSender), one that sends nothing in the
// backend and the protocol-handler roles (InitNullStatsSender). Until then
// GetAvroStatsSender() answers a sender that sends nothing, never null, so
// an event raised early is dropped rather than crashing its raiser. Tests
// put a sender of their own in place of the installed one with
// base::ProcessWide<AvroStatsSender>::ScopedOverride.
class AvroStatsSender {
 public:
  virtual ~AvroStatsSender() = default;

  // Statistics traffic follows the user's choice; until it is allowed,
  // events wait in the queue (urgent ones are sent all the same). Any thread.
  virtual void SetTrafficAllowed(bool allowed) = 0;
  // Takes the event over and sends it unless its verbosity level is above
  // the sender's maximum. Any thread; never blocks on the network.
  virtual void SendAvroMessage(std::unique_ptr<InstallerStatsEvent> event) = 0;
  // Sends what is queued, stops the sender's network side and then runs
  // `done` on the calling thread (which must have a task runner and keep
  // running its loop). Later events are dropped.
  virtual void SendPendingAndShutdown(base::OnceClosure done) = 0;
};

// The process-wide sender (not owned, see base::ProcessWide): a test's
// override, else one that forwards to the last sender installed, else drops.
AvroStatsSender* GetAvroStatsSender();

// Installs the real sender, destroying the one held before; its "Avro
// Network thread" starts at once. Events above `max_verbosity_level` (0 in
// an autoupdate run, else 1) are dropped. Traffic stays off until
// SetTrafficAllowed(true).
void InitAvroStatsSender(std::unique_ptr<StatsMessageBuilder> builder,
                         StatsServer server,
                         int32_t max_verbosity_level);

// Installs a sender that drops every event, destroying the one held before.
void InitNullStatsSender();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_
