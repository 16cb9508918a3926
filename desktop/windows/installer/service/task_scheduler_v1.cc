// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/task_scheduler_v1.h"

#include <aclapi.h>
#include <objbase.h>

#include <iterator>
#include <memory>

#include "base/files/file_util.h"
#include "base/strings/string_util.h"
#include "base/win/scoped_localalloc.h"
#include "desktop/windows/installer/common/utils.h"

namespace velta {

using Microsoft::WRL::ComPtr;

namespace {

struct CoTaskMemFreeDeleter {
  void operator()(void* memory) const { ::CoTaskMemFree(memory); }
};
using ScopedCoMem = std::unique_ptr<wchar_t, CoTaskMemFreeDeleter>;

constexpr wchar_t kJobExtension[] = L".job";

// Whether the job is switched off: its status says so, or (where the service
// does not report it in the status, as Wine's) its flags do.
bool IsDisabled(ITask* task, HRESULT status) {
  DWORD flags = 0;
  return status == SCHED_S_TASK_DISABLED ||
         (SUCCEEDED(task->GetFlags(&flags)) && (flags & TASK_FLAG_DISABLED));
}

bool SaveTask(ITask* task) {
  ComPtr<IPersistFile> file;
  return SUCCEEDED(task->QueryInterface(IID_PPV_ARGS(&file))) &&
         SUCCEEDED(file->Save(nullptr, TRUE));
}

// Lets Authenticated Users read and run the job file `path`; failures are
// ignored (the task still runs as SYSTEM).
void GrantAuthenticatedUsersReadAndExecute(const wchar_t* path) {
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (::GetNamedSecurityInfoW(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                              &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
    return;
  }
  base::win::ScopedLocalAlloc owned_descriptor(descriptor);
  SID_IDENTIFIER_AUTHORITY nt_authority = SECURITY_NT_AUTHORITY;
  PSID authenticated_users = nullptr;
  if (!::AllocateAndInitializeSid(&nt_authority, 1, SECURITY_AUTHENTICATED_USER_RID, 0, 0, 0, 0,
                                  0, 0, 0, &authenticated_users)) {
    return;
  }
  EXPLICIT_ACCESS_W grant = {};
  grant.grfAccessPermissions = GENERIC_READ | GENERIC_EXECUTE;
  grant.grfAccessMode = GRANT_ACCESS;
  grant.grfInheritance = NO_INHERITANCE;
  grant.Trustee.TrusteeForm = TRUSTEE_IS_SID;
  grant.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
  grant.Trustee.ptstrName = reinterpret_cast<LPWSTR>(authenticated_users);
  PACL new_dacl = nullptr;
  if (::SetEntriesInAclW(1, &grant, dacl, &new_dacl) == ERROR_SUCCESS) {
    base::win::ScopedLocalAlloc owned_dacl(new_dacl);
    std::wstring name(path);
    ::SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                            nullptr, new_dacl, nullptr);
  }
  ::FreeSid(authenticated_users);
}

}  // namespace

TaskSchedulerV1::TaskSchedulerV1() = default;

TaskSchedulerV1::~TaskSchedulerV1() = default;

bool TaskSchedulerV1::Init() {
  return SUCCEEDED(::CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_ITaskScheduler,
                                      reinterpret_cast<void**>(scheduler_.GetAddressOf())));
}

bool TaskSchedulerV1::CreateTask(const ScheduledTaskInfo& info) {
  std::wstring user;
  if (!GetUserNameSamCompatible(&user))
    return false;
  const std::wstring name = GetScheduledTaskName(info.name);
  scheduler_->Delete(name.c_str());

  ComPtr<ITask> task;
  if (FAILED(scheduler_->NewWorkItem(name.c_str(), CLSID_CTask, IID_ITask,
                                     reinterpret_cast<IUnknown**>(task.GetAddressOf())))) {
    return false;
  }
  const bool is_system = info.run_as_system == 1;
  const bool is_once = info.schedule == ScheduleKind::kOnce;
  // An empty account is the local SYSTEM account.
  if (FAILED(task->SetAccountInformation(is_system ? L"" : user.c_str(), nullptr)) ||
      FAILED(task->SetApplicationName(info.command_line.GetProgram().value().c_str())) ||
      FAILED(task->SetComment(info.description.c_str())) ||
      FAILED(task->SetCreator(user.c_str())) ||
      FAILED(task->SetFlags(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON |
                            (is_once ? TASK_FLAG_DELETE_WHEN_DONE : 0))) ||
      FAILED(task->SetMaxRunTime(info.max_run_seconds ? info.max_run_seconds * 1000 : INFINITE)) ||
      FAILED(task->SetParameters(info.command_line.GetArgumentsString().c_str()))) {
    return false;
  }

  base::Time::Exploded now;
  base::Time::Now().LocalExplode(&now);
  TASK_TRIGGER fields = {};
  fields.cbTriggerSize = sizeof(TASK_TRIGGER);
  fields.wBeginYear = static_cast<WORD>(now.year);
  fields.wBeginMonth = static_cast<WORD>(now.month);
  fields.wBeginDay = static_cast<WORD>(now.day_of_month);
  fields.wStartHour = static_cast<WORD>(now.hour);
  fields.wStartMinute = static_cast<WORD>(now.minute);
  fields.TriggerType = is_once ? TASK_TIME_TRIGGER_ONCE : TASK_TIME_TRIGGER_DAILY;
  fields.Type.Daily.DaysInterval = 1;
  WORD index = 0;
  ComPtr<ITaskTrigger> trigger;
  if (FAILED(task->CreateTrigger(&index, &trigger)))
    return false;
  if (info.schedule != ScheduleKind::kNoTimeTrigger && FAILED(trigger->SetTrigger(&fields)))
    return false;
  if (info.at_logon && !is_once) {
    trigger.Reset();
    fields.TriggerType = TASK_EVENT_TRIGGER_AT_LOGON;
    fields.Type = {};
    if (FAILED(task->CreateTrigger(&index, &trigger)) || FAILED(trigger->SetTrigger(&fields)))
      return false;
  }
  if (!SaveTask(task.Get()))
    return false;

  if (is_system && !is_once) {
    ComPtr<IPersistFile> file;
    wchar_t* job_path = nullptr;
    if (SUCCEEDED(task.As(&file)) && SUCCEEDED(file->GetCurFile(&job_path)) && job_path) {
      ScopedCoMem owned_path(job_path);
      GrantAuthenticatedUsersReadAndExecute(job_path);
    }
  }
  if (is_once)
    task->Run();
  return true;
}

void TaskSchedulerV1::DeleteStaleTasks() {
  ComPtr<IEnumWorkItems> items;
  if (FAILED(scheduler_->Enum(&items)))
    return;
  std::vector<std::wstring> stale;
  for (;;) {
    LPWSTR* names = nullptr;
    ULONG fetched = 0;
    if (FAILED(items->Next(1, &names, &fetched)) || fetched < 1 || !names)
      break;
    std::wstring name(names[0]);
    ::CoTaskMemFree(names[0]);
    ::CoTaskMemFree(names);
    // The enumerator names the job files; the other calls take task names.
    if (base::EndsWith(name, kJobExtension, base::CompareCase::INSENSITIVE_ASCII))
      name.resize(name.size() - std::size(kJobExtension) + 1);
    if (!IsOwnScheduledTaskName(name))
      continue;
    ComPtr<ITask> task;
    HRESULT status = S_OK;
    wchar_t* program = nullptr;
    if (FAILED(scheduler_->Activate(name.c_str(), IID_ITask,
                                    reinterpret_cast<IUnknown**>(task.GetAddressOf()))) ||
        FAILED(task->GetStatus(&status)) || IsDisabled(task.Get(), status) ||
        FAILED(task->GetApplicationName(&program)) || !program) {
      continue;
    }
    ScopedCoMem owned_program(program);
    if (!base::PathExists(base::FilePath(program)))
      stale.push_back(name);
  }
  for (const std::wstring& name : stale)
    scheduler_->Delete(name.c_str());
}

void TaskSchedulerV1::DeleteTask(const std::wstring& name) {
  scheduler_->Delete(GetScheduledTaskName(name).c_str());
}

ComPtr<ITask> TaskSchedulerV1::OpenTask(const std::wstring& name) {
  ComPtr<ITask> task;
  if (FAILED(scheduler_->Activate(GetScheduledTaskName(name).c_str(), IID_ITask,
                                  reinterpret_cast<IUnknown**>(task.GetAddressOf())))) {
    return nullptr;
  }
  return task;
}

void TaskSchedulerV1::SetDailyInterval(const std::wstring& name, uint32_t days) {
  ComPtr<ITask> task = OpenTask(name);
  WORD count = 0;
  if (!task || FAILED(task->GetTriggerCount(&count)))
    return;
  for (WORD index = 0; index < count; ++index) {
    ComPtr<ITaskTrigger> trigger;
    TASK_TRIGGER fields = {};
    fields.cbTriggerSize = sizeof(TASK_TRIGGER);
    if (FAILED(task->GetTrigger(index, &trigger)) || FAILED(trigger->GetTrigger(&fields)))
      return;
    if (fields.TriggerType != TASK_TIME_TRIGGER_DAILY)
      continue;
    if (fields.Type.Daily.DaysInterval == days)
      return;
    fields.Type.Daily.DaysInterval = static_cast<WORD>(days);
    if (SUCCEEDED(trigger->SetTrigger(&fields)))
      SaveTask(task.Get());
    return;
  }
}

void TaskSchedulerV1::SetEnabled(const std::wstring& name, bool enabled) {
  ComPtr<ITask> task = OpenTask(name);
  DWORD flags = 0;
  if (!task || FAILED(task->GetFlags(&flags)))
    return;
  flags = enabled ? (flags & ~TASK_FLAG_DISABLED) : (flags | TASK_FLAG_DISABLED);
  if (SUCCEEDED(task->SetFlags(flags)))
    SaveTask(task.Get());
}

bool TaskSchedulerV1::RunTask(const std::wstring& name,
                              const std::vector<std::wstring>& /*arguments*/) {
  ComPtr<ITask> task = OpenTask(name);
  return task && SUCCEEDED(task->Run());
}

ScheduledTaskState TaskSchedulerV1::GetTaskState(const std::wstring& name) {
  ComPtr<ITask> task = OpenTask(name);
  if (!task)
    return ScheduledTaskState::kNotFound;
  HRESULT status = S_OK;
  if (FAILED(task->GetStatus(&status)))
    return ScheduledTaskState::kUnknown;
  if (IsDisabled(task.Get(), status))
    return ScheduledTaskState::kDisabled;
  switch (status) {
    case SCHED_S_TASK_READY:
    case SCHED_S_TASK_HAS_NOT_RUN:
      return ScheduledTaskState::kReady;
    case SCHED_S_TASK_RUNNING:
      return ScheduledTaskState::kRunning;
    case SCHED_S_TASK_DISABLED:
      return ScheduledTaskState::kDisabled;
    case SCHED_S_TASK_NO_MORE_RUNS:
    case SCHED_S_TASK_NOT_SCHEDULED:
    case SCHED_S_TASK_NO_VALID_TRIGGERS:
      return ScheduledTaskState::kNoMoreRuns;
    default:
      return ScheduledTaskState::kUnknown;
  }
}

base::Time TaskSchedulerV1::GetLastRunTime(const std::wstring& name) {
  ComPtr<ITask> task = OpenTask(name);
  SYSTEMTIME fields = {};
  if (!task)
    return base::Time();
  HRESULT result = task->GetMostRecentRunTime(&fields);
  if (FAILED(result) || result == SCHED_S_TASK_HAS_NOT_RUN)
    return base::Time();
  return TimeFromLocalSystemTime(fields);
}

}  // namespace velta
