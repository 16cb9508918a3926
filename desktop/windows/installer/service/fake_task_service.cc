// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/fake_task_service.h"

#include <string>
#include <utility>

#include "base/strings/utf_string_conversions.h"

namespace velta::test {

using Microsoft::WRL::ComPtr;

std::wstring Text(BSTR value) {
  return value ? std::wstring(value) : std::wstring(L"<null>");
}

namespace {

std::wstring Number(long long value) {
  return std::to_wstring(value);
}

std::wstring VariantText(const VARIANT& value) {
  if (value.vt == VT_EMPTY)
    return L"<empty>";
  if (value.vt == VT_BSTR)
    return Text(value.bstrVal);
  return L"<vt " + Number(value.vt) + L">";
}

const wchar_t* TriggerName(TASK_TRIGGER_TYPE2 type) {
  switch (type) {
    case TASK_TRIGGER_DAILY:
      return L"Daily";
    case TASK_TRIGGER_REGISTRATION:
      return L"Registration";
    case TASK_TRIGGER_BOOT:
      return L"Boot";
    case TASK_TRIGGER_LOGON:
      return L"Logon";
    default:
      return L"Other";
  }
}

// One trigger of any of the kinds the scheduler makes; it answers only the
// interface of its own kind.
class FakeTrigger : public FakeComObject<IDailyTrigger, ILogonTrigger, IBootTrigger,
                                         IRegistrationTrigger> {
 public:
  FakeTrigger(FakeComLog* log, TASK_TRIGGER_TYPE2 type, short days_interval)
      : log_(log), type_(type), days_interval_(days_interval),
        name_(base::WideToUTF8(TriggerName(type)) + "Trigger.") {}

  HRESULT STDMETHODCALLTYPE get_Type(TASK_TRIGGER_TYPE2* type) override {
    *type = type_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Id(BSTR id) override { return log_->Call(name_ + "put_Id", Text(id)); }
  HRESULT STDMETHODCALLTYPE put_StartBoundary(BSTR start) override {
    return log_->Call(name_ + "put_StartBoundary", Text(start));
  }
  HRESULT STDMETHODCALLTYPE put_EndBoundary(BSTR end) override {
    return log_->Call(name_ + "put_EndBoundary", Text(end));
  }
  HRESULT STDMETHODCALLTYPE get_DaysInterval(short* days) override {
    *days = days_interval_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_DaysInterval(short days) override {
    days_interval_ = days;
    return log_->Call(name_ + "put_DaysInterval", Number(days));
  }
  HRESULT STDMETHODCALLTYPE get_Delay(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) override {
    return log_->Call(name_ + "put_Delay", Text(delay));
  }
  HRESULT STDMETHODCALLTYPE get_UserId(BSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) override {
    return log_->Call(name_ + "put_UserId", Text(user));
  }
  VELTA_FAKE_COM_STUB(get_Id, BSTR *)
  VELTA_FAKE_COM_STUB(get_Repetition, IRepetitionPattern **)
  VELTA_FAKE_COM_STUB(put_Repetition, IRepetitionPattern *)
  VELTA_FAKE_COM_STUB(get_ExecutionTimeLimit, BSTR *)
  VELTA_FAKE_COM_STUB(put_ExecutionTimeLimit, BSTR)
  VELTA_FAKE_COM_STUB(get_StartBoundary, BSTR *)
  VELTA_FAKE_COM_STUB(get_EndBoundary, BSTR *)
  VELTA_FAKE_COM_STUB(get_Enabled, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_Enabled, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_RandomDelay, BSTR *)
  VELTA_FAKE_COM_STUB(put_RandomDelay, BSTR)

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(ITrigger) ||
        (iid == __uuidof(IDailyTrigger) && type_ == TASK_TRIGGER_DAILY)) {
      return static_cast<IDailyTrigger*>(this);
    }
    if (iid == __uuidof(ILogonTrigger) && type_ == TASK_TRIGGER_LOGON)
      return static_cast<ILogonTrigger*>(this);
    if (iid == __uuidof(IBootTrigger) && type_ == TASK_TRIGGER_BOOT)
      return static_cast<IBootTrigger*>(this);
    if (iid == __uuidof(IRegistrationTrigger) && type_ == TASK_TRIGGER_REGISTRATION)
      return static_cast<IRegistrationTrigger*>(this);
    return nullptr;
  }

 private:
  FakeComLog* const log_;
  const TASK_TRIGGER_TYPE2 type_;
  short days_interval_;
  const std::string name_;
};

// The triggers or actions of a definition, numbered from 1 as the service's
// are.
template <typename Collection, typename Item>
class FakeItemCollection : public FakeComObject<Collection> {
 public:
  explicit FakeItemCollection(FakeComLog* log) : log_(log) {}

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    *count = static_cast<LONG>(items_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Item(LONG index, Item** item) override {
    if (index < 1 || index > static_cast<LONG>(items_.size()))
      return E_INVALIDARG;
    return items_[index - 1].CopyTo(item);
  }
  VELTA_FAKE_COM_STUB(get__NewEnum, IUnknown **)
  VELTA_FAKE_COM_STUB(Remove, VARIANT)
  VELTA_FAKE_COM_STUB(Clear)

 protected:
  // Records the call "`method` `value`"; unless it is the failing one, keeps
  // `item` and hands it out as `out`.
  HRESULT CreateLogged(const std::string& method,
                       const std::wstring& value,
                       ComPtr<Item> item,
                       Item** out) {
    const HRESULT result = LoggedHandOut(log_, method, value, item, out);
    if (SUCCEEDED(result))
      items_.push_back(std::move(item));
    return result;
  }
  void Keep(ComPtr<Item> item) { items_.push_back(std::move(item)); }

  FakeComLog* const log_;

 private:
  std::vector<ComPtr<Item>> items_;
};

class FakeTriggerCollection : public FakeItemCollection<ITriggerCollection, ITrigger> {
 public:
  using FakeItemCollection::FakeItemCollection;

  HRESULT STDMETHODCALLTYPE Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) override {
    return CreateLogged("Triggers.Create", TriggerName(type), MakeTrigger(type, 1), trigger);
  }
  void Add(TASK_TRIGGER_TYPE2 type, short days_interval) {
    Keep(MakeTrigger(type, days_interval));
  }

 private:
  ComPtr<ITrigger> MakeTrigger(TASK_TRIGGER_TYPE2 type, short days_interval) {
    return static_cast<IDailyTrigger*>(new FakeTrigger(log_, type, days_interval));
  }
};

class FakeExecAction : public FakeComObject<IExecAction> {
 public:
  FakeExecAction(FakeComLog* log, TASK_ACTION_TYPE type, std::wstring path)
      : log_(log), type_(type), path_(std::move(path)) {}

  HRESULT STDMETHODCALLTYPE get_Type(TASK_ACTION_TYPE* type) override {
    *type = type_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Path(BSTR* path) override {
    *path = ::SysAllocString(path_.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Path(BSTR path) override {
    return log_->Call("ExecAction.put_Path", Text(path));
  }
  HRESULT STDMETHODCALLTYPE put_Arguments(BSTR arguments) override {
    return log_->Call("ExecAction.put_Arguments", Text(arguments));
  }
  VELTA_FAKE_COM_STUB(get_Id, BSTR *)
  VELTA_FAKE_COM_STUB(put_Id, BSTR)
  VELTA_FAKE_COM_STUB(get_Arguments, BSTR *)
  VELTA_FAKE_COM_STUB(get_WorkingDirectory, BSTR *)
  VELTA_FAKE_COM_STUB(put_WorkingDirectory, BSTR)

 protected:
  void* FindInterface(REFIID iid) override {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == __uuidof(IAction) ||
        (iid == __uuidof(IExecAction) && type_ == TASK_ACTION_EXEC)) {
      return static_cast<IExecAction*>(this);
    }
    return nullptr;
  }

 private:
  FakeComLog* const log_;
  const TASK_ACTION_TYPE type_;
  const std::wstring path_;
};

class FakeActionCollection : public FakeItemCollection<IActionCollection, IAction> {
 public:
  using FakeItemCollection::FakeItemCollection;

  HRESULT STDMETHODCALLTYPE Create(TASK_ACTION_TYPE type, IAction** action) override {
    return CreateLogged("Actions.Create", Number(type),
                        new FakeExecAction(log_, type, std::wstring()), action);
  }
  void Add(TASK_ACTION_TYPE type, const std::wstring& path) {
    Keep(new FakeExecAction(log_, type, path));
  }
  VELTA_FAKE_COM_STUB(get_XmlText, BSTR *)
  VELTA_FAKE_COM_STUB(put_XmlText, BSTR)
  VELTA_FAKE_COM_STUB(get_Context, BSTR *)
  VELTA_FAKE_COM_STUB(put_Context, BSTR)
};

class FakeRegistrationInfo : public FakeComObject<IRegistrationInfo> {
 public:
  explicit FakeRegistrationInfo(FakeComLog* log) : log_(log) {}

  HRESULT STDMETHODCALLTYPE put_Author(BSTR author) override {
    return log_->Call("Registration.put_Author", Text(author));
  }
  HRESULT STDMETHODCALLTYPE put_Description(BSTR description) override {
    return log_->Call("Registration.put_Description", Text(description));
  }
  VELTA_FAKE_COM_STUB(get_Description, BSTR *)
  VELTA_FAKE_COM_STUB(get_Author, BSTR *)
  VELTA_FAKE_COM_STUB(get_Version, BSTR *)
  VELTA_FAKE_COM_STUB(put_Version, BSTR)
  VELTA_FAKE_COM_STUB(get_Date, BSTR *)
  VELTA_FAKE_COM_STUB(put_Date, BSTR)
  VELTA_FAKE_COM_STUB(get_Documentation, BSTR *)
  VELTA_FAKE_COM_STUB(put_Documentation, BSTR)
  VELTA_FAKE_COM_STUB(get_XmlText, BSTR *)
  VELTA_FAKE_COM_STUB(put_XmlText, BSTR)
  VELTA_FAKE_COM_STUB(get_URI, BSTR *)
  VELTA_FAKE_COM_STUB(put_URI, BSTR)
  VELTA_FAKE_COM_STUB(get_SecurityDescriptor, VARIANT *)
  VELTA_FAKE_COM_STUB(put_SecurityDescriptor, VARIANT)
  VELTA_FAKE_COM_STUB(get_Source, BSTR *)
  VELTA_FAKE_COM_STUB(put_Source, BSTR)

 private:
  FakeComLog* const log_;
};

class FakeTaskSettings : public FakeComObject<ITaskSettings> {
 public:
  explicit FakeTaskSettings(FakeComLog* log) : log_(log) {}

  HRESULT STDMETHODCALLTYPE put_ExecutionTimeLimit(BSTR limit) override {
    return log_->Call("Settings.put_ExecutionTimeLimit", Text(limit));
  }
  HRESULT STDMETHODCALLTYPE put_MultipleInstances(TASK_INSTANCES_POLICY policy) override {
    return log_->Call("Settings.put_MultipleInstances", Number(policy));
  }
  HRESULT STDMETHODCALLTYPE put_RunOnlyIfNetworkAvailable(VARIANT_BOOL value) override {
    return log_->Call("Settings.put_RunOnlyIfNetworkAvailable", Number(value));
  }
  HRESULT STDMETHODCALLTYPE put_StopIfGoingOnBatteries(VARIANT_BOOL value) override {
    return log_->Call("Settings.put_StopIfGoingOnBatteries", Number(value));
  }
  HRESULT STDMETHODCALLTYPE put_DisallowStartIfOnBatteries(VARIANT_BOOL value) override {
    return log_->Call("Settings.put_DisallowStartIfOnBatteries", Number(value));
  }
  HRESULT STDMETHODCALLTYPE put_StartWhenAvailable(VARIANT_BOOL value) override {
    return log_->Call("Settings.put_StartWhenAvailable", Number(value));
  }
  HRESULT STDMETHODCALLTYPE put_DeleteExpiredTaskAfter(BSTR delay) override {
    return log_->Call("Settings.put_DeleteExpiredTaskAfter", Text(delay));
  }
  VELTA_FAKE_COM_STUB(get_AllowDemandStart, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_AllowDemandStart, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_RestartInterval, BSTR *)
  VELTA_FAKE_COM_STUB(put_RestartInterval, BSTR)
  VELTA_FAKE_COM_STUB(get_RestartCount, INT *)
  VELTA_FAKE_COM_STUB(put_RestartCount, INT)
  VELTA_FAKE_COM_STUB(get_MultipleInstances, TASK_INSTANCES_POLICY *)
  VELTA_FAKE_COM_STUB(get_StopIfGoingOnBatteries, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(get_DisallowStartIfOnBatteries, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(get_AllowHardTerminate, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_AllowHardTerminate, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_StartWhenAvailable, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(get_XmlText, BSTR *)
  VELTA_FAKE_COM_STUB(put_XmlText, BSTR)
  VELTA_FAKE_COM_STUB(get_RunOnlyIfNetworkAvailable, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(get_ExecutionTimeLimit, BSTR *)
  VELTA_FAKE_COM_STUB(get_Enabled, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_Enabled, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_DeleteExpiredTaskAfter, BSTR *)
  VELTA_FAKE_COM_STUB(get_Priority, INT *)
  VELTA_FAKE_COM_STUB(put_Priority, INT)
  VELTA_FAKE_COM_STUB(get_Compatibility, TASK_COMPATIBILITY *)
  VELTA_FAKE_COM_STUB(put_Compatibility, TASK_COMPATIBILITY)
  VELTA_FAKE_COM_STUB(get_Hidden, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_Hidden, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_IdleSettings, IIdleSettings **)
  VELTA_FAKE_COM_STUB(put_IdleSettings, IIdleSettings *)
  VELTA_FAKE_COM_STUB(get_RunOnlyIfIdle, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_RunOnlyIfIdle, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_WakeToRun, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_WakeToRun, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_NetworkSettings, INetworkSettings **)
  VELTA_FAKE_COM_STUB(put_NetworkSettings, INetworkSettings *)

 private:
  FakeComLog* const log_;
};

class FakePrincipal : public FakeComObject<IPrincipal> {
 public:
  explicit FakePrincipal(FakeComLog* log) : log_(log) {}

  HRESULT STDMETHODCALLTYPE put_RunLevel(TASK_RUNLEVEL_TYPE level) override {
    return log_->Call("Principal.put_RunLevel", Number(level));
  }
  VELTA_FAKE_COM_STUB(get_Id, BSTR *)
  VELTA_FAKE_COM_STUB(put_Id, BSTR)
  VELTA_FAKE_COM_STUB(get_DisplayName, BSTR *)
  VELTA_FAKE_COM_STUB(put_DisplayName, BSTR)
  VELTA_FAKE_COM_STUB(get_UserId, BSTR *)
  VELTA_FAKE_COM_STUB(put_UserId, BSTR)
  VELTA_FAKE_COM_STUB(get_LogonType, TASK_LOGON_TYPE *)
  VELTA_FAKE_COM_STUB(put_LogonType, TASK_LOGON_TYPE)
  VELTA_FAKE_COM_STUB(get_GroupId, BSTR *)
  VELTA_FAKE_COM_STUB(put_GroupId, BSTR)
  VELTA_FAKE_COM_STUB(get_RunLevel, TASK_RUNLEVEL_TYPE *)

 private:
  FakeComLog* const log_;
};

class FakeTaskDefinition : public FakeComObject<ITaskDefinition> {
 public:
  explicit FakeTaskDefinition(FakeComLog* log)
      : log_(log),
        registration_(new FakeRegistrationInfo(log)),
        settings_(new FakeTaskSettings(log)),
        triggers_(new FakeTriggerCollection(log)),
        actions_(new FakeActionCollection(log)),
        principal_(new FakePrincipal(log)) {}

  HRESULT STDMETHODCALLTYPE get_RegistrationInfo(IRegistrationInfo** out) override {
    return LoggedHandOut(log_, "Definition.get_RegistrationInfo", std::wstring(), registration_, out);
  }
  HRESULT STDMETHODCALLTYPE get_Settings(ITaskSettings** out) override {
    return LoggedHandOut(log_, "Definition.get_Settings", std::wstring(), settings_, out);
  }
  HRESULT STDMETHODCALLTYPE get_Triggers(ITriggerCollection** out) override {
    return LoggedHandOut(log_, "Definition.get_Triggers", std::wstring(), triggers_, out);
  }
  HRESULT STDMETHODCALLTYPE get_Actions(IActionCollection** out) override {
    return LoggedHandOut(log_, "Definition.get_Actions", std::wstring(), actions_, out);
  }
  HRESULT STDMETHODCALLTYPE get_Principal(IPrincipal** out) override {
    return LoggedHandOut(log_, "Definition.get_Principal", std::wstring(), principal_, out);
  }
  VELTA_FAKE_COM_STUB(put_RegistrationInfo, IRegistrationInfo *)
  VELTA_FAKE_COM_STUB(put_Triggers, ITriggerCollection *)
  VELTA_FAKE_COM_STUB(put_Settings, ITaskSettings *)
  VELTA_FAKE_COM_STUB(get_Data, BSTR *)
  VELTA_FAKE_COM_STUB(put_Data, BSTR)
  VELTA_FAKE_COM_STUB(put_Principal, IPrincipal *)
  VELTA_FAKE_COM_STUB(put_Actions, IActionCollection *)
  VELTA_FAKE_COM_STUB(get_XmlText, BSTR *)
  VELTA_FAKE_COM_STUB(put_XmlText, BSTR)

  FakeTriggerCollection* triggers() { return triggers_.Get(); }
  FakeActionCollection* actions() { return actions_.Get(); }

 private:
  FakeComLog* const log_;
  ComPtr<FakeRegistrationInfo> registration_;
  ComPtr<FakeTaskSettings> settings_;
  ComPtr<FakeTriggerCollection> triggers_;
  ComPtr<FakeActionCollection> actions_;
  ComPtr<FakePrincipal> principal_;
};

class FakeRegisteredTask : public FakeComObject<IRegisteredTask> {
 public:
  FakeRegisteredTask(FakeComLog* log, const FakeTaskEntry& entry)
      : log_(log), entry_(entry), definition_(new FakeTaskDefinition(log)) {
    for (const std::wstring& path : entry.action_paths)
      definition_->actions()->Add(entry.action_type, path);
    for (const auto& [type, days] : entry.triggers)
      definition_->triggers()->Add(type, days);
  }

  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
    *name = ::SysAllocString(entry_.name.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Enabled(VARIANT_BOOL* enabled) override {
    *enabled = entry_.enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) override {
    return log_->Call("Task.put_Enabled", Number(enabled));
  }
  HRESULT STDMETHODCALLTYPE get_Definition(ITaskDefinition** definition) override {
    return definition_.CopyTo(definition);
  }
  HRESULT STDMETHODCALLTYPE SetSecurityDescriptor(BSTR sddl, LONG flags) override {
    return log_->Call("Task.SetSecurityDescriptor", Text(sddl) + L" " + Number(flags));
  }
  HRESULT STDMETHODCALLTYPE Run(VARIANT parameters, IRunningTask** running) override {
    *running = nullptr;
    std::wstring text = VariantText(parameters);
    if (parameters.vt == (VT_ARRAY | VT_BSTR)) {
      text = L"[";
      BSTR* items = nullptr;
      ::SafeArrayAccessData(parameters.parray, reinterpret_cast<void**>(&items));
      for (ULONG i = 0; i < parameters.parray->rgsabound[0].cElements; ++i)
        text += (i ? L"," : L"") + Text(items[i]);
      ::SafeArrayUnaccessData(parameters.parray);
      text += L"]";
    }
    return log_->Call("Task.Run", text);
  }
  HRESULT STDMETHODCALLTYPE get_State(TASK_STATE* state) override {
    *state = entry_.state;
    return log_->Call("Task.get_State");
  }
  HRESULT STDMETHODCALLTYPE get_LastRunTime(DATE* time) override {
    *time = entry_.last_run_time;
    return log_->Call("Task.get_LastRunTime");
  }
  VELTA_FAKE_COM_STUB(get_Path, BSTR *)
  VELTA_FAKE_COM_STUB(RunEx, VARIANT, LONG, LONG, BSTR, IRunningTask **)
  VELTA_FAKE_COM_STUB(GetInstances, LONG, IRunningTaskCollection **)
  VELTA_FAKE_COM_STUB(get_LastTaskResult, LONG *)
  VELTA_FAKE_COM_STUB(get_NumberOfMissedRuns, LONG *)
  VELTA_FAKE_COM_STUB(get_NextRunTime, DATE *)
  VELTA_FAKE_COM_STUB(get_Xml, BSTR *)
  VELTA_FAKE_COM_STUB(GetSecurityDescriptor, LONG, BSTR *)
  VELTA_FAKE_COM_STUB(Stop, LONG)
  VELTA_FAKE_COM_STUB(GetRunTimes, const LPSYSTEMTIME, const LPSYSTEMTIME, DWORD *, LPSYSTEMTIME *)

 private:
  FakeComLog* const log_;
  const FakeTaskEntry entry_;
  ComPtr<FakeTaskDefinition> definition_;
};

class FakeRegisteredTaskCollection : public FakeComObject<IRegisteredTaskCollection> {
 public:
  FakeRegisteredTaskCollection(FakeComLog* log, const std::vector<FakeTaskEntry>& entries) {
    for (const FakeTaskEntry& entry : entries)
      tasks_.push_back(new FakeRegisteredTask(log, entry));
  }

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    *count = static_cast<LONG>(tasks_.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, IRegisteredTask** task) override {
    if (index.vt != VT_I4 || index.lVal < 1 || index.lVal > static_cast<LONG>(tasks_.size()))
      return E_INVALIDARG;
    return tasks_[index.lVal - 1].CopyTo(task);
  }
  VELTA_FAKE_COM_STUB(get__NewEnum, IUnknown **)

 private:
  std::vector<ComPtr<IRegisteredTask>> tasks_;
};

class FakeTaskFolder : public FakeComObject<ITaskFolder> {
 public:
  explicit FakeTaskFolder(FakeTaskWorld* world) : world_(world) {}

  HRESULT STDMETHODCALLTYPE DeleteTask(BSTR name, LONG flags) override {
    return world_->log.Call("Folder.DeleteTask", Text(name) + L" " + Number(flags));
  }
  HRESULT STDMETHODCALLTYPE RegisterTaskDefinition(BSTR path,
                                                   ITaskDefinition* /*definition*/,
                                                   LONG flags,
                                                   VARIANT user,
                                                   VARIANT password,
                                                   TASK_LOGON_TYPE logon_type,
                                                   VARIANT sddl,
                                                   IRegisteredTask** task) override {
    *task = nullptr;
    HRESULT result = world_->log.Call(
        "Folder.RegisterTaskDefinition",
        Text(path) + L" flags=" + Number(flags) + L" user=" + VariantText(user) +
            L" password=" + VariantText(password) + L" logon=" + Number(logon_type) +
            L" sddl=" + VariantText(sddl));
    if (FAILED(result))
      return world_->register_result;
    FakeTaskEntry entry;
    entry.name = Text(path);
    ComPtr<IRegisteredTask> registered = new FakeRegisteredTask(&world_->log, entry);
    return registered.CopyTo(task);
  }
  HRESULT STDMETHODCALLTYPE GetTasks(LONG flags, IRegisteredTaskCollection** tasks) override {
    return LoggedHandOut(&world_->log, "Folder.GetTasks", Number(flags),
                         ComPtr<IRegisteredTaskCollection>(
                             new FakeRegisteredTaskCollection(&world_->log, world_->tasks)),
                         tasks);
  }
  HRESULT STDMETHODCALLTYPE GetTask(BSTR name, IRegisteredTask** task) override {
    *task = nullptr;
    HRESULT result = world_->log.Call("Folder.GetTask", Text(name));
    if (FAILED(result))
      return result;
    for (const FakeTaskEntry& entry : world_->tasks) {
      if (entry.name == Text(name)) {
        ComPtr<IRegisteredTask> found = new FakeRegisteredTask(&world_->log, entry);
        return found.CopyTo(task);
      }
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  VELTA_FAKE_COM_STUB(get_Name, BSTR *)
  VELTA_FAKE_COM_STUB(get_Path, BSTR *)
  VELTA_FAKE_COM_STUB(GetFolder, BSTR, ITaskFolder **)
  VELTA_FAKE_COM_STUB(GetFolders, LONG, ITaskFolderCollection **)
  VELTA_FAKE_COM_STUB(CreateFolder, BSTR, VARIANT, ITaskFolder **)
  VELTA_FAKE_COM_STUB(DeleteFolder, BSTR, LONG)
  VELTA_FAKE_COM_STUB(RegisterTask, BSTR, BSTR, LONG, VARIANT, VARIANT, TASK_LOGON_TYPE, VARIANT, IRegisteredTask **)
  VELTA_FAKE_COM_STUB(GetSecurityDescriptor, LONG, BSTR *)
  VELTA_FAKE_COM_STUB(SetSecurityDescriptor, BSTR, LONG)

 private:
  FakeTaskWorld* const world_;
};

class FakeTaskService : public FakeComObject<ITaskService> {
 public:
  explicit FakeTaskService(FakeTaskWorld* world) : world_(world) {}

  HRESULT STDMETHODCALLTYPE Connect(VARIANT server, VARIANT user, VARIANT domain,
                                    VARIANT password) override {
    return world_->log.Call("Service.Connect", VariantText(server) + L" " + VariantText(user) +
                                                   L" " + VariantText(domain) + L" " +
                                                   VariantText(password));
  }
  HRESULT STDMETHODCALLTYPE GetFolder(BSTR path, ITaskFolder** folder) override {
    return LoggedHandOut(&world_->log, "Service.GetFolder", Text(path),
                         ComPtr<ITaskFolder>(new FakeTaskFolder(world_)), folder);
  }
  HRESULT STDMETHODCALLTYPE NewTask(DWORD flags, ITaskDefinition** definition) override {
    return LoggedHandOut(&world_->log, "Service.NewTask", Number(flags),
                         ComPtr<ITaskDefinition>(new FakeTaskDefinition(&world_->log)),
                         definition);
  }
  VELTA_FAKE_COM_STUB(GetRunningTasks, LONG, IRunningTaskCollection **)
  VELTA_FAKE_COM_STUB(get_Connected, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(get_TargetServer, BSTR *)
  VELTA_FAKE_COM_STUB(get_ConnectedUser, BSTR *)
  VELTA_FAKE_COM_STUB(get_ConnectedDomain, BSTR *)
  VELTA_FAKE_COM_STUB(get_HighestVersion, DWORD *)

 private:
  FakeTaskWorld* const world_;
};

}  // namespace

HRESULT FakeComLog::Call(const std::string& method, const std::wstring& value) {
  calls.push_back(value.empty() ? method : method + " " + base::WideToUTF8(value));
  return method == fail_on ? E_FAIL : S_OK;
}

FakeTaskEntry::FakeTaskEntry() = default;
FakeTaskEntry::FakeTaskEntry(const FakeTaskEntry&) = default;
FakeTaskEntry::~FakeTaskEntry() = default;

ComPtr<ITaskService> MakeFakeTaskService(FakeTaskWorld* world) {
  return new FakeTaskService(world);
}

}  // namespace velta::test
