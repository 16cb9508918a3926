// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/task_scheduler_v1.h"

#include <windows.h>
#include <mstask.h>
#include <wrl/client.h>

#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/scoped_com_initializer.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using Microsoft::WRL::ComPtr;

// Task Scheduler 1.0 as Wine really runs it: tasks are ".job" files in the
// prefix's Tasks folder, with their triggers.
class TaskSchedulerV1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scheduler_.Init());
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    program_ = temp_.GetPath().Append(L"launcher.exe");
    ASSERT_TRUE(base::WriteFile(program_, "MZ"));
    wchar_t windows[MAX_PATH];
    ASSERT_NE(0u, ::GetWindowsDirectoryW(windows, MAX_PATH));
    tasks_folder_ = base::FilePath(windows).Append(L"Tasks");
  }

  void TearDown() override {
    for (const std::wstring& name : made_)
      scheduler_.DeleteTask(name);
  }

  // A unique short name, deleted after the test. Without a ".": Wine's
  // NewWorkItem refuses such names with E_INVALIDARG.
  std::wstring NewName() {
    static int counter = 0;
    made_.push_back(L"Test " + std::to_wstring(::GetCurrentProcessId()) + L" " +
                    std::to_wstring(++counter));
    return made_.back();
  }

  base::FilePath JobFile(const std::wstring& name) const {
    return tasks_folder_.Append(GetScheduledTaskName(name) + L".job");
  }

  ScheduledTaskInfo Info(const std::wstring& name, const base::FilePath& program) {
    base::CommandLine command_line(program);
    command_line.AppendSwitch("scheduledautoupdate");
    ScheduledTaskInfo info(command_line);
    info.name = name;
    info.description = L"Keeps Velta up to date.";
    info.max_run_seconds = 3600;
    info.schedule = ScheduleKind::kDaily;
    info.at_logon = true;
    return info;
  }

  // The job as the service has it, opened under its registered name.
  ComPtr<ITask> OpenJob(const std::wstring& registered_name) {
    ComPtr<ITaskScheduler> service;
    ComPtr<ITask> task;
    if (FAILED(::CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITaskScheduler,
                                  reinterpret_cast<void**>(service.GetAddressOf()))) ||
        FAILED(service->Activate(registered_name.c_str(), IID_ITask,
                                 reinterpret_cast<IUnknown**>(task.GetAddressOf())))) {
      return nullptr;
    }
    return task;
  }

  base::win::ScopedCOMInitializer com_;
  TaskSchedulerV1 scheduler_;
  base::ScopedTempDir temp_;
  base::FilePath program_;
  base::FilePath tasks_folder_;
  std::vector<std::wstring> made_;
};

TEST_F(TaskSchedulerV1Test, DailyLogonJobIsWrittenWithItsSettings) {
  const std::wstring name = NewName();
  ASSERT_TRUE(scheduler_.CreateTask(Info(name, program_)));
  EXPECT_TRUE(base::PathExists(JobFile(name)));

  ComPtr<ITask> job = OpenJob(GetScheduledTaskName(name));
  ASSERT_TRUE(job);
  wchar_t* program = nullptr;
  ASSERT_HRESULT_SUCCEEDED(job->GetApplicationName(&program));
  EXPECT_EQ(program_.value(), program);
  ::CoTaskMemFree(program);
  wchar_t* parameters = nullptr;
  ASSERT_HRESULT_SUCCEEDED(job->GetParameters(&parameters));
  EXPECT_EQ(std::wstring(L"--scheduledautoupdate"), parameters);
  ::CoTaskMemFree(parameters);
  DWORD max_run_ms = 0;
  ASSERT_HRESULT_SUCCEEDED(job->GetMaxRunTime(&max_run_ms));
  EXPECT_EQ(3600000u, max_run_ms);
  DWORD flags = 0;
  ASSERT_HRESULT_SUCCEEDED(job->GetFlags(&flags));
  EXPECT_EQ(static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON), flags);

  WORD trigger_count = 0;
  ASSERT_HRESULT_SUCCEEDED(job->GetTriggerCount(&trigger_count));
  ASSERT_EQ(2, trigger_count);
  const TASK_TRIGGER_TYPE expected_types[] = {TASK_TIME_TRIGGER_DAILY,
                                              TASK_EVENT_TRIGGER_AT_LOGON};
  for (WORD i = 0; i < 2; ++i) {
    ComPtr<ITaskTrigger> trigger;
    TASK_TRIGGER fields = {};
    fields.cbTriggerSize = sizeof(fields);
    ASSERT_HRESULT_SUCCEEDED(job->GetTrigger(i, &trigger));
    ASSERT_HRESULT_SUCCEEDED(trigger->GetTrigger(&fields));
    EXPECT_EQ(expected_types[i], fields.TriggerType) << i;
  }
  EXPECT_EQ(ScheduledTaskState::kReady, scheduler_.GetTaskState(name));
  EXPECT_TRUE(scheduler_.GetLastRunTime(name).is_null());
}

TEST_F(TaskSchedulerV1Test, NoRunLimitIsInfinite) {
  const std::wstring name = NewName();
  ScheduledTaskInfo info = Info(name, program_);
  info.max_run_seconds = 0;
  ASSERT_TRUE(scheduler_.CreateTask(info));
  ComPtr<ITask> job = OpenJob(GetScheduledTaskName(name));
  ASSERT_TRUE(job);
  DWORD max_run_ms = 0;
  ASSERT_HRESULT_SUCCEEDED(job->GetMaxRunTime(&max_run_ms));
  EXPECT_EQ(static_cast<DWORD>(INFINITE), max_run_ms);
}

TEST_F(TaskSchedulerV1Test, DisablingSetsOnlyTheDisabledFlag) {
  const std::wstring name = NewName();
  ASSERT_TRUE(scheduler_.CreateTask(Info(name, program_)));
  scheduler_.SetEnabled(name, false);
  EXPECT_EQ(ScheduledTaskState::kDisabled, scheduler_.GetTaskState(name));
  DWORD flags = 0;
  ASSERT_HRESULT_SUCCEEDED(OpenJob(GetScheduledTaskName(name))->GetFlags(&flags));
  EXPECT_EQ(static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON | TASK_FLAG_DISABLED), flags);
  scheduler_.SetEnabled(name, true);
  ASSERT_HRESULT_SUCCEEDED(OpenJob(GetScheduledTaskName(name))->GetFlags(&flags));
  EXPECT_EQ(static_cast<DWORD>(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON), flags);
  EXPECT_EQ(ScheduledTaskState::kReady, scheduler_.GetTaskState(name));
}

TEST_F(TaskSchedulerV1Test, DailyIntervalIsChangedAndSaved) {
  const std::wstring name = NewName();
  ASSERT_TRUE(scheduler_.CreateTask(Info(name, program_)));
  scheduler_.SetDailyInterval(name, 3);
  ComPtr<ITaskTrigger> trigger;
  TASK_TRIGGER fields = {};
  fields.cbTriggerSize = sizeof(fields);
  ASSERT_HRESULT_SUCCEEDED(OpenJob(GetScheduledTaskName(name))->GetTrigger(0, &trigger));
  ASSERT_HRESULT_SUCCEEDED(trigger->GetTrigger(&fields));
  EXPECT_EQ(3, fields.Type.Daily.DaysInterval);
}

TEST_F(TaskSchedulerV1Test, CreatingAgainReplacesAndDeleteRemovesTheJob) {
  const std::wstring name = NewName();
  ASSERT_TRUE(scheduler_.CreateTask(Info(name, program_)));
  ScheduledTaskInfo info = Info(name, program_);
  info.at_logon = false;
  ASSERT_TRUE(scheduler_.CreateTask(info));
  WORD trigger_count = 0;
  ASSERT_HRESULT_SUCCEEDED(OpenJob(GetScheduledTaskName(name))->GetTriggerCount(&trigger_count));
  EXPECT_EQ(1, trigger_count);
  scheduler_.DeleteTask(name);
  EXPECT_FALSE(base::PathExists(JobFile(name)));
  EXPECT_EQ(ScheduledTaskState::kNotFound, scheduler_.GetTaskState(name));
}

TEST_F(TaskSchedulerV1Test, DeleteStaleTasksRemovesOnlyOwnJobsWithMissingPrograms) {
  const base::FilePath missing = temp_.GetPath().Append(L"gone.exe");
  const std::wstring stale = NewName();
  const std::wstring alive = NewName();
  const std::wstring disabled = NewName();
  ASSERT_TRUE(scheduler_.CreateTask(Info(stale, missing)));
  ASSERT_TRUE(scheduler_.CreateTask(Info(alive, program_)));
  ASSERT_TRUE(scheduler_.CreateTask(Info(disabled, missing)));
  scheduler_.SetEnabled(disabled, false);

  // Another program's job whose name holds the words, not at its start.
  ComPtr<ITaskScheduler> service;
  ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_CTaskScheduler, nullptr,
                                              CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                  reinterpret_cast<void**>(service.GetAddressOf())));
  const std::wstring foreign = L"Other " + GetScheduledTaskName(NewName());
  ComPtr<ITask> job;
  ASSERT_HRESULT_SUCCEEDED(service->NewWorkItem(foreign.c_str(), CLSID_CTask, IID_ITask,
                                                reinterpret_cast<IUnknown**>(job.GetAddressOf())));
  ASSERT_HRESULT_SUCCEEDED(job->SetApplicationName(missing.value().c_str()));
  ComPtr<IPersistFile> file;
  ASSERT_HRESULT_SUCCEEDED(job.As(&file));
  ASSERT_HRESULT_SUCCEEDED(file->Save(nullptr, TRUE));

  scheduler_.DeleteStaleTasks();
  EXPECT_FALSE(base::PathExists(JobFile(stale)));
  EXPECT_TRUE(base::PathExists(JobFile(alive)));
  EXPECT_TRUE(base::PathExists(JobFile(disabled)));
  EXPECT_TRUE(base::PathExists(tasks_folder_.Append(foreign + L".job")));
  service->Delete(foreign.c_str());
}

}  // namespace
}  // namespace velta
