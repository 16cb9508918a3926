// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_RECORDING_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_RECORDING_STATS_SENDER_H_

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

namespace velta {

// A statistics sender for tests: keeps the type of every event it is given
// in `types` (not owned, outlives the sender), remembers the last traffic
// choice, and ends SendPendingAndShutdown at once.
class RecordingStatsSender : public AvroStatsSender {
 public:
  explicit RecordingStatsSender(std::vector<std::string>* types, bool* traffic_allowed = nullptr);
  RecordingStatsSender(const RecordingStatsSender&) = delete;
  RecordingStatsSender& operator=(const RecordingStatsSender&) = delete;
  ~RecordingStatsSender() override;

  void SetTrafficAllowed(bool allowed) override;
  void SendAvroMessage(std::unique_ptr<InstallerStatsEvent> event) override;
  void SendPendingAndShutdown(base::OnceClosure done) override;

 private:
  std::vector<std::string>* const types_;
  bool* const traffic_allowed_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_RECORDING_STATS_SENDER_H_
