// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_RECORDING_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_RECORDING_STATS_SENDER_H_

#include <memory>
#include <string>
#include <vector>

#include "base/synchronization/lock.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

namespace velta {

// A statistics sender for tests: keeps the type of every event it is given,
// from any thread, builds each into a message as the real sender would (so
// a field or symbol the schema lacks shows in GetStatsSchemaMismatchCount),
// remembers the last traffic choice, and ends SendPendingAndShutdown at once.
class RecordingStatsSender : public AvroStatsSender {
 public:
  // `types` and `traffic_allowed`, when given, receive each event's type and
  // the traffic choice as well, on the calling thread: for a test that reads
  // them after the sender is gone. Not owned; they outlive the sender.
  explicit RecordingStatsSender(std::vector<std::string>* types = nullptr,
                                bool* traffic_allowed = nullptr);
  RecordingStatsSender(const RecordingStatsSender&) = delete;
  RecordingStatsSender& operator=(const RecordingStatsSender&) = delete;
  ~RecordingStatsSender() override;

  void SetTrafficAllowed(bool allowed) override;
  void SendAvroMessage(std::unique_ptr<InstallerStatsEvent> event) override;
  void SendPendingAndShutdown(base::OnceClosure done) override;

  // The types of the events sent so far, in order.
  std::vector<std::string> event_types();

 private:
  std::vector<std::string>* const types_;
  bool* const traffic_allowed_;
  base::Lock lock_;
  std::vector<std::string> event_types_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_RECORDING_STATS_SENDER_H_
