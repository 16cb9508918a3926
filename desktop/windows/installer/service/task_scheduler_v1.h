// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_

#include <windows.h>
#include <mstask.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/task_scheduler.h"

namespace velta {

// TaskScheduler over Task Scheduler 1.0 (ITaskScheduler and its ".job"
// files), for systems older than Windows Vista. What the older service cannot
// express (a network condition, a registration trigger) is dropped.
class TaskSchedulerV1 : public TaskScheduler {
 public:
  TaskSchedulerV1();
  TaskSchedulerV1(const TaskSchedulerV1&) = delete;
  TaskSchedulerV1& operator=(const TaskSchedulerV1&) = delete;
  ~TaskSchedulerV1() override;

  bool Init() override;
  bool CreateTask(const ScheduledTaskInfo& info) override;
  void DeleteStaleTasks() override;
  void DeleteTask(const std::wstring& name) override;
  void SetDailyInterval(const std::wstring& name, uint32_t days) override;
  void SetEnabled(const std::wstring& name, bool enabled) override;
  bool RunTask(const std::wstring& name, const std::vector<std::wstring>& arguments) override;
  ScheduledTaskState GetTaskState(const std::wstring& name) override;
  base::Time GetLastRunTime(const std::wstring& name) override;

 private:
  // The task of short name `name`, or null.
  Microsoft::WRL::ComPtr<ITask> OpenTask(const std::wstring& name);

  Microsoft::WRL::ComPtr<ITaskScheduler> scheduler_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V1_H_
