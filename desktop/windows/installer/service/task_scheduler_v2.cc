// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/task_scheduler_v2.h"

#include <oleauto.h>
#include <stdio.h>

#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"

namespace velta {

using Microsoft::WRL::ComPtr;
using base::win::ScopedBstr;
using base::win::ScopedVariant;

namespace {

constexpr wchar_t kRootFolder[] = L"\\";
constexpr wchar_t kSystemTaskSddl[] = L"D:(A;;GRGX;;;AU)";
constexpr wchar_t kLogonDelay[] = L"PT5M";
constexpr base::TimeDelta kOnceDelay = base::TimeDelta::FromSeconds(30);

VARIANT_BOOL ToVariantBool(bool value) {
  return value ? VARIANT_TRUE : VARIANT_FALSE;
}

}  // namespace

std::wstring FormatTaskDuration(uint32_t seconds) {
  return L"PT" + std::to_wstring(seconds) + L"S";
}

std::wstring FormatTaskBoundary(base::Time time) {
  base::Time::Exploded exploded;
  time.LocalExplode(&exploded);
  wchar_t text[32];
  swprintf(text, 32, L"%02d-%02d-%02dT%02d:%02d:%02d", exploded.year, exploded.month,
           exploded.day_of_month, exploded.hour, exploded.minute, exploded.second);
  return text;
}

TaskSchedulerV2::TaskSchedulerV2() = default;

TaskSchedulerV2::~TaskSchedulerV2() = default;

bool TaskSchedulerV2::Init() {
  ComPtr<ITaskService> service;
  if (FAILED(::CoCreateInstance(CLSID_TaskScheduler, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&service)))) {
    return false;
  }
  return InitWithService(std::move(service));
}

bool TaskSchedulerV2::InitWithService(ComPtr<ITaskService> service) {
  ScopedVariant empty;
  if (FAILED(service->Connect(*empty.AsInput(), *empty.AsInput(), *empty.AsInput(),
                              *empty.AsInput()))) {
    return false;
  }
  ComPtr<ITaskFolder> root;
  if (FAILED(service->GetFolder(ScopedBstr(kRootFolder).Get(), &root)))
    return false;
  service_ = std::move(service);
  root_ = std::move(root);
  return true;
}

bool TaskSchedulerV2::CreateTask(const ScheduledTaskInfo& info) {
  std::wstring user;
  if (!GetUserNameSamCompatible(&user))
    return false;
  const std::wstring name = GetScheduledTaskName(info.name);
  root_->DeleteTask(ScopedBstr(name).Get(), 0);

  ComPtr<ITaskDefinition> definition;
  if (FAILED(service_->NewTask(0, &definition)))
    return false;
  if (!FillDefinition(info, user, definition.Get()))
    return false;

  const bool is_system = info.run_as_system != 0;
  ScopedVariant account(is_system ? L"SYSTEM" : user.c_str());
  ScopedVariant password;
  ScopedVariant sddl(L"");
  ComPtr<IRegisteredTask> registered;
  HRESULT result = root_->RegisterTaskDefinition(
      ScopedBstr(name).Get(), definition.Get(), TASK_CREATE_OR_UPDATE, *account.AsInput(),
      *password.AsInput(),
      is_system ? TASK_LOGON_SERVICE_ACCOUNT : TASK_LOGON_INTERACTIVE_TOKEN, *sddl.AsInput(),
      &registered);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed task registration: " << static_cast<int32_t>(result);
    return false;
  }
  if (is_system) {
    result = registered->SetSecurityDescriptor(ScopedBstr(kSystemTaskSddl).Get(), 0);
    if (FAILED(result))
      LOG(ERROR) << "Failed setting SDDL: " << static_cast<int32_t>(result);
  }
  // A registration trigger has started it already.
  if (info.schedule == ScheduleKind::kOnce)
    DeleteTask(info.name);
  return true;
}

bool TaskSchedulerV2::FillDefinition(const ScheduledTaskInfo& info,
                                     const std::wstring& user,
                                     ITaskDefinition* definition) {
  ComPtr<IRegistrationInfo> registration;
  if (FAILED(definition->get_RegistrationInfo(&registration)) ||
      FAILED(registration->put_Author(ScopedBstr(user).Get())) ||
      FAILED(registration->put_Description(ScopedBstr(info.description).Get()))) {
    return false;
  }

  ComPtr<ITaskSettings> settings;
  if (FAILED(definition->get_Settings(&settings)) ||
      FAILED(settings->put_ExecutionTimeLimit(
          ScopedBstr(FormatTaskDuration(info.max_run_seconds)).Get())) ||
      FAILED(settings->put_MultipleInstances(TASK_INSTANCES_IGNORE_NEW)) ||
      FAILED(settings->put_RunOnlyIfNetworkAvailable(ToVariantBool(info.network_required))) ||
      FAILED(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE)) ||
      FAILED(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE)) ||
      FAILED(settings->put_StartWhenAvailable(VARIANT_TRUE))) {
    return false;
  }

  base::Time start = base::Time::Now();
  if (info.schedule == ScheduleKind::kOnce) {
    if (FAILED(settings->put_DeleteExpiredTaskAfter(ScopedBstr(FormatTaskDuration(0)).Get())))
      return false;
    start += kOnceDelay;
  }
  const ScopedBstr boundary(FormatTaskBoundary(start));

  ComPtr<ITriggerCollection> triggers;
  if (FAILED(definition->get_Triggers(&triggers)))
    return false;
  if (info.schedule == ScheduleKind::kDaily) {
    ComPtr<ITrigger> trigger;
    ComPtr<IDailyTrigger> daily;
    if (FAILED(triggers->Create(TASK_TRIGGER_DAILY, &trigger)) || FAILED(trigger.As(&daily)) ||
        FAILED(daily->put_Id(ScopedBstr(L"Daily run").Get())) ||
        FAILED(daily->put_StartBoundary(boundary.Get())) || FAILED(daily->put_DaysInterval(1))) {
      return false;
    }
  } else if (info.schedule == ScheduleKind::kOnce) {
    ComPtr<ITrigger> trigger;
    if (FAILED(triggers->Create(TASK_TRIGGER_REGISTRATION, &trigger)) ||
        FAILED(trigger->put_Id(ScopedBstr(L"Run once").Get())) ||
        FAILED(trigger->put_EndBoundary(boundary.Get()))) {
      return false;
    }
  }

  if (info.at_logon && info.schedule != ScheduleKind::kOnce) {
    ComPtr<ITrigger> trigger;
    const ScopedBstr id(L"Logon run");
    const ScopedBstr delay(kLogonDelay);
    if (info.run_as_system) {
      ComPtr<IBootTrigger> boot;
      if (FAILED(triggers->Create(TASK_TRIGGER_BOOT, &trigger)) || FAILED(trigger.As(&boot)) ||
          FAILED(boot->put_Id(id.Get())) || FAILED(boot->put_StartBoundary(boundary.Get())) ||
          FAILED(boot->put_Delay(delay.Get()))) {
        return false;
      }
    } else {
      ComPtr<ILogonTrigger> logon;
      if (FAILED(triggers->Create(TASK_TRIGGER_LOGON, &trigger)) || FAILED(trigger.As(&logon)) ||
          FAILED(logon->put_Id(id.Get())) || FAILED(logon->put_StartBoundary(boundary.Get())) ||
          FAILED(logon->put_UserId(ScopedBstr(user).Get())) ||
          FAILED(logon->put_Delay(delay.Get()))) {
        return false;
      }
    }
  }

  ComPtr<IActionCollection> actions;
  ComPtr<IAction> action;
  ComPtr<IExecAction> exec;
  if (FAILED(definition->get_Actions(&actions)) ||
      FAILED(actions->Create(TASK_ACTION_EXEC, &action)) || FAILED(action.As(&exec)) ||
      FAILED(exec->put_Path(ScopedBstr(info.command_line.GetProgram().value()).Get())) ||
      FAILED(exec->put_Arguments(ScopedBstr(info.command_line.GetArgumentsString()).Get()))) {
    return false;
  }

  if (SecurityUtils::GetInstance()->IsUserInAdminGroup(false)) {
    ComPtr<IPrincipal> principal;
    if (FAILED(definition->get_Principal(&principal)) ||
        FAILED(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST))) {
      return false;
    }
  }
  return true;
}

void TaskSchedulerV2::DeleteStaleTasks() {
  ComPtr<IRegisteredTaskCollection> tasks;
  LONG count = 0;
  if (FAILED(root_->GetTasks(0, &tasks)) || FAILED(tasks->get_Count(&count)))
    return;
  // Deleted after the walk, so that the collection does not change under it.
  std::vector<std::wstring> stale;
  for (LONG index = 1; index <= count; ++index) {
    ComPtr<IRegisteredTask> task;
    ScopedBstr name;
    VARIANT_BOOL enabled = VARIANT_FALSE;
    ComPtr<ITaskDefinition> definition;
    ComPtr<IActionCollection> actions;
    LONG action_count = 0;
    ComPtr<IAction> action;
    TASK_ACTION_TYPE type = TASK_ACTION_EXEC;
    ComPtr<IExecAction> exec;
    ScopedBstr path;
    if (FAILED(tasks->get_Item(*ScopedVariant(static_cast<int>(index)).AsInput(), &task)) ||
        FAILED(task->get_Name(name.Receive())) || !name.Get() ||
        !IsOwnScheduledTaskName(name.Get()) || FAILED(task->get_Enabled(&enabled)) ||
        enabled != VARIANT_TRUE || FAILED(task->get_Definition(&definition)) ||
        FAILED(definition->get_Actions(&actions)) || FAILED(actions->get_Count(&action_count)) ||
        action_count != 1 || FAILED(actions->get_Item(1, &action)) ||
        FAILED(action->get_Type(&type)) || type != TASK_ACTION_EXEC ||
        FAILED(action.As(&exec)) || FAILED(exec->get_Path(path.Receive())) || !path.Get()) {
      continue;
    }
    if (!base::PathExists(base::FilePath(path.Get())))
      stale.push_back(name.Get());
  }
  for (const std::wstring& name : stale)
    root_->DeleteTask(ScopedBstr(name).Get(), 0);
}

void TaskSchedulerV2::DeleteTask(const std::wstring& name) {
  root_->DeleteTask(ScopedBstr(GetScheduledTaskName(name)).Get(), 0);
}

ComPtr<IRegisteredTask> TaskSchedulerV2::OpenTask(const std::wstring& name) {
  ComPtr<IRegisteredTask> task;
  if (FAILED(root_->GetTask(ScopedBstr(GetScheduledTaskName(name)).Get(), &task)))
    return nullptr;
  return task;
}

void TaskSchedulerV2::SetDailyInterval(const std::wstring& name, uint32_t days) {
  ComPtr<IRegisteredTask> task = OpenTask(name);
  ComPtr<ITaskDefinition> definition;
  ComPtr<ITriggerCollection> triggers;
  LONG count = 0;
  if (!task || FAILED(task->get_Definition(&definition)) ||
      FAILED(definition->get_Triggers(&triggers)) || FAILED(triggers->get_Count(&count))) {
    return;
  }
  for (LONG index = 1; index <= count; ++index) {
    ComPtr<ITrigger> trigger;
    TASK_TRIGGER_TYPE2 type = TASK_TRIGGER_EVENT;
    if (FAILED(triggers->get_Item(index, &trigger)) || FAILED(trigger->get_Type(&type)))
      return;
    if (type != TASK_TRIGGER_DAILY)
      continue;
    ComPtr<IDailyTrigger> daily;
    short interval = 0;
    if (FAILED(trigger.As(&daily)) || FAILED(daily->get_DaysInterval(&interval)))
      return;
    if (static_cast<uint32_t>(interval) == days)
      return;
    if (FAILED(daily->put_DaysInterval(static_cast<short>(days))))
      return;
    ScopedVariant none;
    ScopedVariant sddl(L"");
    ComPtr<IRegisteredTask> updated;
    root_->RegisterTaskDefinition(ScopedBstr(GetScheduledTaskName(name)).Get(), definition.Get(),
                                  TASK_UPDATE, *none.AsInput(), *none.AsInput(), TASK_LOGON_NONE,
                                  *sddl.AsInput(), &updated);
    return;
  }
}

void TaskSchedulerV2::SetEnabled(const std::wstring& name, bool enabled) {
  ComPtr<IRegisteredTask> task = OpenTask(name);
  if (task)
    task->put_Enabled(ToVariantBool(enabled));
}

bool TaskSchedulerV2::RunTask(const std::wstring& name,
                              const std::vector<std::wstring>& arguments) {
  ComPtr<IRegisteredTask> task = OpenTask(name);
  if (!task)
    return false;
  ScopedVariant parameters;
  if (!arguments.empty()) {
    SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(arguments.size()));
    if (!array)
      return false;
    for (LONG i = 0; i < static_cast<LONG>(arguments.size()); ++i) {
      ScopedBstr argument(arguments[i]);
      // SafeArrayPutElement copies the string.
      if (FAILED(::SafeArrayPutElement(array, &i, argument.Get()))) {
        ::SafeArrayDestroy(array);
        return false;
      }
    }
    VARIANT value;
    ::VariantInit(&value);
    value.vt = VT_ARRAY | VT_BSTR;
    value.parray = array;
    parameters.Reset(value);
  }
  ComPtr<IRunningTask> running;
  return SUCCEEDED(task->Run(*parameters.AsInput(), &running));
}

ScheduledTaskState TaskSchedulerV2::GetTaskState(const std::wstring& name) {
  ComPtr<IRegisteredTask> task = OpenTask(name);
  if (!task)
    return ScheduledTaskState::kNotFound;
  TASK_STATE state = TASK_STATE_UNKNOWN;
  if (FAILED(task->get_State(&state)))
    return ScheduledTaskState::kUnknown;
  switch (state) {
    case TASK_STATE_DISABLED:
      return ScheduledTaskState::kDisabled;
    case TASK_STATE_QUEUED:
    case TASK_STATE_READY:
      return ScheduledTaskState::kReady;
    case TASK_STATE_RUNNING:
      return ScheduledTaskState::kRunning;
    default:
      return ScheduledTaskState::kUnknown;
  }
}

base::Time TaskSchedulerV2::GetLastRunTime(const std::wstring& name) {
  ComPtr<IRegisteredTask> task = OpenTask(name);
  DATE date = 0;
  SYSTEMTIME fields = {};
  if (!task || FAILED(task->get_LastRunTime(&date)) || !::VariantTimeToSystemTime(date, &fields))
    return base::Time();
  return TimeFromLocalSystemTime(fields);
}

}  // namespace velta
