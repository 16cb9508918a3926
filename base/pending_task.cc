// Copyright 2026 Velta Software. All rights reserved.

#include "base/pending_task.h"

#include <utility>

namespace base {

PendingTask::PendingTask() = default;

PendingTask::PendingTask(const Location& posted_from,
                         OnceClosure task,
                         TimeTicks delayed_run_time,
                         int sequence_num)
    : posted_from(posted_from),
      task(std::move(task)),
      delayed_run_time(delayed_run_time),
      sequence_num(sequence_num) {}

PendingTask::PendingTask(PendingTask&& other) = default;
PendingTask& PendingTask::operator=(PendingTask&& other) = default;
PendingTask::~PendingTask() = default;

bool PendingTask::RunsAfter(const PendingTask& other) const {
  if (delayed_run_time != other.delayed_run_time)
    return delayed_run_time > other.delayed_run_time;
  // The sequence number wraps after 2^31 posts; compare the difference so
  // the order survives the wrap.
  return static_cast<int>(static_cast<unsigned>(sequence_num) -
                          static_cast<unsigned>(other.sequence_num)) > 0;
}

}  // namespace base
