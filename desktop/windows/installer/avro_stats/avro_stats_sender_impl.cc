// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/avro_stats_sender_impl.h"

#include <utility>

#include "base/bind.h"
#include "base/callback_helpers.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/task/post_task.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/stats_message_builder.h"

namespace velta {

namespace {

// Runs on a task-scheduler worker: the destruction waits for the queue.
void DeleteNetworkThread(std::unique_ptr<NetworkThread> network_thread) {
  network_thread.reset();
}

}  // namespace

AvroStatsSenderImpl::AvroStatsSenderImpl(std::unique_ptr<StatsMessageBuilder> builder,
                                         const std::string& host,
                                         uint16_t port,
                                         const std::string& path,
                                         bool plain_http,
                                         int32_t max_verbosity_level,
                                         NetworkThread::Options options)
    : network_thread_(std::make_unique<NetworkThread>(std::move(builder),
                                                      host,
                                                      port,
                                                      path,
                                                      plain_http,
                                                      std::move(options))),
      max_verbosity_level_(max_verbosity_level) {}

AvroStatsSenderImpl::~AvroStatsSenderImpl() = default;

void AvroStatsSenderImpl::SetTrafficAllowed(bool allowed) {
  // Under the lock: the shutdown may be taking the network side away.
  base::AutoLock lock(lock_);
  if (network_thread_)
    network_thread_->SetTrafficAllowed(allowed);
}

void AvroStatsSenderImpl::SendAvroMessage(std::unique_ptr<InstallerStatsEvent> event) {
  base::AutoLock lock(lock_);
  if (!network_thread_) {
    LOG(WARNING) << "Attempting to send a message after sender finished";
    return;
  }
  if (event->GetVerbosityLevel() > max_verbosity_level_) {
    VLOG(5) << "Message " << event->GetEventType()
            << " will not be sent due to exceeded verbosity level";
    return;
  }
  network_thread_->PostMessage(std::move(event));
}

void AvroStatsSenderImpl::SendPendingAndShutdown(base::OnceClosure done) {
  base::AutoLock lock(lock_);
  if (!network_thread_) {
    // A second shutdown: nothing is left to send.
    base::PostTaskAndReplyWithTraits(FROM_HERE, {base::TaskPriority::USER_BLOCKING},
                                     base::DoNothing(), std::move(done));
    return;
  }
  base::PostTaskAndReplyWithTraits(
      FROM_HERE,
      {base::MayBlock(), base::WithBaseSyncPrimitives(), base::TaskPriority::USER_BLOCKING,
       base::TaskShutdownBehavior::BLOCK_SHUTDOWN},
      base::BindOnce(&DeleteNetworkThread, std::move(network_thread_)), std::move(done));
}

}  // namespace velta
