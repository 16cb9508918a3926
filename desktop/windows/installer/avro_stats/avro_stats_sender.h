// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_

#include <memory>

#include "base/callback.h"

namespace velta {

class InstallerStatsEvent;

// The process's statistics sender. Start-up installs one: the real sender in
// the main process (InitAvroStatsSender), one that sends nothing in the
// backend and the protocol-handler roles (InitNullStatsSender). Until then
// GetAvroStatsSender() answers a sender that sends nothing, never null, so
// an event raised early is dropped rather than crashing its raiser.
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

// The process-wide sender (not owned): the last one installed, else one that
// sends nothing.
AvroStatsSender* GetAvroStatsSender();

// Installs a sender that drops every event, destroying the one held before.
void InitNullStatsSender();

// Installs `sender`, destroying the one held before. For the initialisers
// and for tests (see ScopedAvroStatsSenderForTesting).
void SetAvroStatsSender(std::unique_ptr<AvroStatsSender> sender);

// Puts a sender in place for a test and, when it dies, puts back a sender
// that sends nothing.
class ScopedAvroStatsSenderForTesting {
 public:
  explicit ScopedAvroStatsSenderForTesting(std::unique_ptr<AvroStatsSender> sender);
  ScopedAvroStatsSenderForTesting(const ScopedAvroStatsSenderForTesting&) = delete;
  ScopedAvroStatsSenderForTesting& operator=(const ScopedAvroStatsSenderForTesting&) = delete;
  ~ScopedAvroStatsSenderForTesting();
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_
