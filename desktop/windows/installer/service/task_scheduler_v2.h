// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_

#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "base/win/mingw_sdk_gaps.h"
#include "desktop/windows/installer/service/task_scheduler.h"

namespace velta {

// TaskScheduler over Task Scheduler 2.0 (ITaskService), for Windows Vista
// and later. Holds the connected service and its root folder ("\").
class TaskSchedulerV2 : public TaskScheduler {
 public:
  TaskSchedulerV2();
  TaskSchedulerV2(const TaskSchedulerV2&) = delete;
  TaskSchedulerV2& operator=(const TaskSchedulerV2&) = delete;
  ~TaskSchedulerV2() override;

  // Makes the system's service and connects it (InitWithService).
  bool Init() override;
  // Connects `service` to the local machine as the current user and opens
  // its root folder. The system's service, or a test's fake.
  bool InitWithService(Microsoft::WRL::ComPtr<ITaskService> service);

  bool CreateTask(const ScheduledTaskInfo& info) override;
  void DeleteStaleTasks() override;
  void DeleteTask(const std::wstring& name) override;
  void SetDailyInterval(const std::wstring& name, uint32_t days) override;
  void SetEnabled(const std::wstring& name, bool enabled) override;
  bool RunTask(const std::wstring& name, const std::vector<std::wstring>& arguments) override;
  ScheduledTaskState GetTaskState(const std::wstring& name) override;
  base::Time GetLastRunTime(const std::wstring& name) override;

 private:
  // The registered task of short name `name`, or null.
  Microsoft::WRL::ComPtr<IRegisteredTask> OpenTask(const std::wstring& name);
  // Fills the definition as CreateTask describes; false at the first
  // failing call.
  bool FillDefinition(const ScheduledTaskInfo& info,
                      const std::wstring& user,
                      ITaskDefinition* definition);

  Microsoft::WRL::ComPtr<ITaskService> service_;
  Microsoft::WRL::ComPtr<ITaskFolder> root_;
};

// "PT<seconds>S", the duration text of the service ("PT0S" is no limit).
std::wstring FormatTaskDuration(uint32_t seconds);

// `time` in local time as "YYYY-MM-DDTHH:MM:SS", without a zone.
std::wstring FormatTaskBoundary(base::Time time);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_TASK_SCHEDULER_V2_H_
