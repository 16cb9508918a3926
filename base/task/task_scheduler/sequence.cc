// Copyright 2026 Velta Software. All rights reserved.

#include "base/task/task_scheduler/sequence.h"

#include <utility>

namespace base::internal {

Task::Task() = default;
Task::Task(const Location& posted_from, OnceClosure task, const TaskTraits& traits)
    : posted_from(posted_from), task(std::move(task)), traits(traits) {}
Task::Task(Task&& other) = default;
Task& Task::operator=(Task&& other) = default;
Task::~Task() = default;

Sequence::Sequence(const TaskTraits& traits) : token_(SequenceToken::Create()), traits_(traits) {}

Sequence::~Sequence() = default;

}  // namespace base::internal
