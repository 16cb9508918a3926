// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_

#include <windows.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/time/time.h"

namespace velta {

// When a scheduled task runs by time.
enum class ScheduleKind : uint32_t {
  kOnce = 0,
  kDaily = 1,
  kNoTimeTrigger = 2,
};

// What GetTaskState reports.
enum class ScheduledTaskState : uint32_t {
  // Not found, or could not be opened.
  kNotFound = 0,
  kDisabled = 1,
  kUnknown = 2,
  kReady = 3,
  kRunning = 4,
  // No further runs are scheduled (Task Scheduler 1.0 only).
  kNoMoreRuns = 5,
};

// The description of one task, built and owned by the caller.
struct ScheduledTaskInfo {
  explicit ScheduledTaskInfo(const base::CommandLine& command_line);
  ScheduledTaskInfo(const ScheduledTaskInfo&);
  ~ScheduledTaskInfo();

  // Its program is what runs; its arguments string is handed over as the
  // task's arguments.
  base::CommandLine command_line;
  // The short name; the registered name is GetScheduledTaskName(name).
  std::wstring name;
  std::wstring description;
  // Non-zero: runs as the local SYSTEM account; 0: as the installing user.
  uint32_t run_as_system = 0;
  // The longest run; 0 is no limit.
  uint32_t max_run_seconds = 0;
  ScheduleKind schedule;
  // Also start at logon (at boot for a SYSTEM task); not for kOnce.
  bool at_logon = false;
  // Start only with a network (Task Scheduler 2.0 only).
  bool network_required = false;
};

// The operating system's task scheduler service (never the thread pool).
// Every `name` is a short name, registered as GetScheduledTaskName(name).
// Made per use on a thread with COM initialised (the installer's main
// thread); unusable until Init returned true. Failures are reported only
// through the results.
class TaskScheduler {
 public:
  virtual ~TaskScheduler() = default;

  virtual bool Init() = 0;
  // Replaces a task of the same name. A kOnce task starts at once and is
  // removed from the scheduler right after.
  virtual bool CreateTask(const ScheduledTaskInfo& info) = 0;
  // Deletes this program's enabled tasks whose one program is gone.
  virtual void DeleteStaleTasks() = 0;
  virtual void DeleteTask(const std::wstring& name) = 0;
  virtual void SetDailyInterval(const std::wstring& name, uint32_t days) = 0;
  virtual void SetEnabled(const std::wstring& name, bool enabled) = 0;
  virtual bool RunTask(const std::wstring& name, const std::vector<std::wstring>& arguments) = 0;
  virtual ScheduledTaskState GetTaskState(const std::wstring& name) = 0;
  // A null Time when unknown.
  virtual base::Time GetLastRunTime(const std::wstring& name) = 0;
};

// `fields` read as local time; a null Time when they form none. Both services
// report run times so.
base::Time TimeFromLocalSystemTime(const SYSTEMTIME& fields);

// Task Scheduler 2.0 on Windows Vista and later, else 1.0.
std::unique_ptr<TaskScheduler> CreateTaskScheduler();

// The product word, " scheduled " and `name`: "Velta scheduled Autoupdate 12".
std::wstring GetScheduledTaskName(const std::wstring& name);

// Whether a registered task name is one this program made, so that the
// stale-task clean-up may consider it: it begins with the product word and
// " scheduled ", compared ASCII case-insensitively. Another program's task,
// or one that merely contains the words, is never selected.
bool IsOwnScheduledTaskName(const std::wstring& registered_name);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_H_
