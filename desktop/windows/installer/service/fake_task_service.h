// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_TASK_SERVICE_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_TASK_SERVICE_H_

#include <windows.h>
#include <wrl/client.h>

#include <string>
#include <utility>
#include <vector>

#include "base/win/mingw_sdk_gaps.h"
#include "desktop/windows/installer/service/fake_com_object.h"

namespace velta::test {

// A task already registered in the fake root folder.
struct FakeTaskEntry {
  FakeTaskEntry();
  FakeTaskEntry(const FakeTaskEntry&);
  ~FakeTaskEntry();

  std::wstring name;
  bool enabled = true;
  TASK_ACTION_TYPE action_type = TASK_ACTION_EXEC;
  std::vector<std::wstring> action_paths;
  // Type and days interval of each trigger, in order.
  std::vector<std::pair<TASK_TRIGGER_TYPE2, short>> triggers;
  TASK_STATE state = TASK_STATE_READY;
  DATE last_run_time = 0;
};

// What a fake Task Scheduler 2.0 service holds and what was done to it.
struct FakeTaskWorld {
  FakeComLog log;
  std::vector<FakeTaskEntry> tasks;
  // What RegisterTaskDefinition answers when it is the failing call.
  HRESULT register_result = E_FAIL;
};

// A fake ITaskService over `world`, which must outlive it. Every object it
// hands out records its calls into world->log as "Object.Method value";
// "Folder.DeleteTask", for example, records the name and the flags.
Microsoft::WRL::ComPtr<ITaskService> MakeFakeTaskService(FakeTaskWorld* world);

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_TASK_SERVICE_H_
