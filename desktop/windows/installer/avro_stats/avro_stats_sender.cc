// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

#include <utility>

#include "desktop/windows/installer/avro_stats/null_stats_sender.h"

namespace velta {

namespace {

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
