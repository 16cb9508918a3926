// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/null_stats_sender.h"

#include <utility>

#include "base/location.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"

namespace velta {

void NullStatsSender::SetTrafficAllowed(bool /*allowed*/) {}

void NullStatsSender::SendAvroMessage(std::unique_ptr<InstallerStatsEvent> /*event*/) {}

void NullStatsSender::SendPendingAndShutdown(base::OnceClosure done) {
  base::ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE, std::move(done));
}

}  // namespace velta
