// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TASK_TASK_TRAITS_H_
#define BASE_TASK_TASK_TRAITS_H_

#include <stdint.h>

#include <type_traits>

namespace base {

// How urgent a task of the task scheduler is. BACKGROUND tasks go to the
// background pools; the others to the foreground pools, USER_BLOCKING first.
enum class TaskPriority : uint8_t {
  LOWEST = 0,
  BACKGROUND = LOWEST,
  USER_VISIBLE,
  USER_BLOCKING,
  HIGHEST = USER_BLOCKING,
};

// What TaskScheduler::Shutdown() does with a task.
enum class TaskShutdownBehavior : uint8_t {
  // Not run if not started when shutdown begins; a running one is not
  // waited for.
  CONTINUE_ON_SHUTDOWN,
  // Not run if not started when shutdown begins; a running one is waited for.
  SKIP_ON_SHUTDOWN,
  // Always runs: shutdown waits for it. Delayed tasks cannot block shutdown
  // and are treated as SKIP_ON_SHUTDOWN.
  BLOCK_SHUTDOWN,
};

// The task may block (file I/O, waits): it goes to a blocking pool.
struct MayBlock {};
// The task may wait on a WaitableEvent or the like: a blocking pool as well.
struct WithBaseSyncPrimitives {};

template <typename T>
concept TaskTrait = std::is_same_v<T, MayBlock> || std::is_same_v<T, WithBaseSyncPrimitives> ||
    std::is_same_v<T, TaskPriority> || std::is_same_v<T, TaskShutdownBehavior>;

// What a task asks of the scheduler:
//   base::PostTaskWithTraits(FROM_HERE, {base::MayBlock(),
//       base::TaskPriority::BACKGROUND}, std::move(task));
// Defaults: USER_VISIBLE, SKIP_ON_SHUTDOWN, not blocking.
class TaskTraits {
 public:
  constexpr TaskTraits() = default;
  template <TaskTrait... Args>
  constexpr TaskTraits(Args... args) {  // NOLINT: implicit so braces work
    (Apply(args), ...);
  }

  // `right`'s explicitly set traits over `left`'s.
  static constexpr TaskTraits Override(const TaskTraits& left, const TaskTraits& right) {
    TaskTraits result = left;
    if (right.priority_set_explicitly_) {
      result.priority_ = right.priority_;
      result.priority_set_explicitly_ = true;
    }
    if (right.shutdown_behavior_set_explicitly_) {
      result.shutdown_behavior_ = right.shutdown_behavior_;
      result.shutdown_behavior_set_explicitly_ = true;
    }
    result.may_block_ |= right.may_block_;
    result.with_base_sync_primitives_ |= right.with_base_sync_primitives_;
    return result;
  }

  constexpr TaskPriority priority() const { return priority_; }
  constexpr bool priority_set_explicitly() const { return priority_set_explicitly_; }
  constexpr TaskShutdownBehavior shutdown_behavior() const { return shutdown_behavior_; }
  constexpr bool shutdown_behavior_set_explicitly() const {
    return shutdown_behavior_set_explicitly_;
  }
  constexpr bool may_block() const { return may_block_; }
  constexpr bool with_base_sync_primitives() const { return with_base_sync_primitives_; }

  constexpr bool operator==(const TaskTraits& other) const = default;

 private:
  constexpr void Apply(MayBlock) { may_block_ = true; }
  constexpr void Apply(WithBaseSyncPrimitives) { with_base_sync_primitives_ = true; }
  constexpr void Apply(TaskPriority priority) {
    priority_ = priority;
    priority_set_explicitly_ = true;
  }
  constexpr void Apply(TaskShutdownBehavior behavior) {
    shutdown_behavior_ = behavior;
    shutdown_behavior_set_explicitly_ = true;
  }

  TaskPriority priority_ = TaskPriority::USER_VISIBLE;
  TaskShutdownBehavior shutdown_behavior_ = TaskShutdownBehavior::SKIP_ON_SHUTDOWN;
  bool priority_set_explicitly_ = false;
  bool shutdown_behavior_set_explicitly_ = false;
  bool may_block_ = false;
  bool with_base_sync_primitives_ = false;
};

}  // namespace base

#endif  // BASE_TASK_TASK_TRAITS_H_
