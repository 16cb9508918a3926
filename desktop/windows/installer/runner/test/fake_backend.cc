// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/runner/test/fake_backend.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/message_loop/message_loop.h"
#include "base/pickle.h"
#include "base/strings/string_number_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/ipc/ipc_sender.h"

namespace velta::test {
namespace {

// Long enough for any test; only a broken test waits this long.
constexpr DWORD kWaitMs = 60000;

std::unique_ptr<base::Pickle> ImportantEvent(const std::string& name) {
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_IMPORTANT_EVENT);
  message->WriteString(name);
  return message;
}

// Whether `initial-pid` is a number and `initial-proc-handle` a handle of
// this process that waits like a running process. (Its SYNCHRONIZE access
// allows no more: GetProcessId fails on it.)
bool HasInitialProcess(const base::CommandLine& command_line) {
  std::vector<uint8_t> bytes;
  unsigned pid = 0;
  if (!base::HexStringToBytes(command_line.GetSwitchValueASCII(kInitialProcHandleSwitch),
                              &bytes) ||
      bytes.size() != 8 ||
      !base::StringToUint(command_line.GetSwitchValueASCII(kInitialPidSwitch), &pid)) {
    return false;
  }
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i)
    value = (value << 8) | bytes[i];
  HANDLE handle = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(value));
  DWORD flags = 0;
  return pid != 0 && ::GetHandleInformation(handle, &flags) &&
         ::WaitForSingleObject(handle, 0) == WAIT_TIMEOUT;
}

base::win::ScopedHandle OpenEvent(const wchar_t* base_name, const base::FilePath& folder) {
  return base::win::ScopedHandle(::OpenEventW(
      SYNCHRONIZE, FALSE, MakeNamedObjectName(folder.value(), base_name, true).c_str()));
}

int ExitCode(const base::CommandLine& command_line) {
  int code = 0;
  if (!base::StringToInt(command_line.GetSwitchValueASCII(kFakeBackendExitCodeSwitch), &code))
    return 0;
  return code;
}

int RunFakeBackend() {
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (command_line.HasSwitch(kFakeBackendSilentSwitch))
    return ExitCode(command_line);

  base::MessageLoop message_loop;
  const base::FilePath folder = command_line.GetSwitchValuePath(kFakeBackendInstallFolderSwitch);
  base::win::ScopedHandle interrupted = OpenEvent(kInstallationInterruptedEventBaseName, folder);
  IpcSender sender;
  if (folder.empty() || !interrupted.IsValid() ||
      !sender.Connect(GetInstallerMailslotName(folder))) {
    return 90;
  }
  sender.Send(ImportantEvent(HasInitialProcess(command_line) ? "initial_process_ok"
                                                             : "initial_process_bad"));
  if (command_line.HasSwitch(kWaitForPackageSwitch)) {
    sender.Send(ImportantEvent("waiting_for_package"));
    base::win::ScopedHandle ready = OpenEvent(kPackageReadyEventBaseName, folder);
    if (!ready.IsValid())
      return 91;
    HANDLE events[] = {ready.Get(), interrupted.Get()};
    const DWORD signaled = ::WaitForMultipleObjects(2, events, FALSE, kWaitMs);
    if (signaled == WAIT_OBJECT_0 + 1) {
      sender.Send(ImportantEvent("interrupted"));
      return ExitCode(command_line);
    }
    if (signaled != WAIT_OBJECT_0)
      return 92;
    sender.Send(ImportantEvent("package_ready"));
  }

  std::unique_ptr<base::Pickle> phase = MakeInstallerMessage(IPC_MESSAGE_ENTERING_PHASE);
  phase->WriteInt(3);
  sender.Send(std::move(phase));
  std::unique_ptr<base::Pickle> total = MakeInstallerMessage(IPC_MESSAGE_TOTAL_STEPS);
  total->WriteInt(2);
  sender.Send(std::move(total));
  std::unique_ptr<base::Pickle> starting = MakeInstallerMessage(IPC_MESSAGE_STEP_STARTING);
  starting->WriteString("copy");
  sender.Send(std::move(starting));
  std::unique_ptr<base::Pickle> finished = MakeInstallerMessage(IPC_MESSAGE_STEP_FINISHED);
  finished->WriteString("copy");
  finished->WriteInt(0);
  finished->WriteInt(1);
  sender.Send(std::move(finished));
  int burst = 0;
  if (base::StringToInt(command_line.GetSwitchValueASCII(kFakeBackendBurstSwitch), &burst)) {
    for (int i = 0; i < burst; ++i) {
      std::unique_ptr<base::Pickle> step = MakeInstallerMessage(IPC_MESSAGE_STEP_FINISHED);
      step->WriteString("burst");
      step->WriteInt(0);
      step->WriteInt(i + 2);
      sender.Send(std::move(step));
    }
  }
  int error_code = 0;
  if (base::StringToInt(command_line.GetSwitchValueASCII(kFakeBackendErrorSwitch), &error_code)) {
    std::unique_ptr<base::Pickle> error = MakeInstallerMessage(IPC_MESSAGE_ERROR);
    error->WriteInt(error_code);
    error->WriteString16(L"The disk is full");
    error->WriteString("copy failed");
    sender.Send(std::move(error));
  } else {
    sender.Send(MakeInstallerMessage(IPC_MESSAGE_SUCCESS));
  }

  if (command_line.HasSwitch(kFakeBackendWaitForInterruptSwitch) &&
      ::WaitForSingleObject(interrupted.Get(), kWaitMs) != WAIT_OBJECT_0) {
    return 93;
  }
  sender.Close();  // Everything sent is written before the process ends.
  return ExitCode(command_line);
}

}  // namespace

VELTA_TEST_CHILD_MAIN(FakeInstallerBackend) {
  return RunFakeBackend();
}

base::CommandLine MakeFakeBackendSwitches(const std::vector<std::string>& switches) {
  base::CommandLine stand_in(base::CommandLine::NO_PROGRAM);
  stand_in.AppendSwitchASCII(kTestChildSwitch, kFakeBackendRole);
  AppendSwitches(switches, &stand_in);
  return stand_in;
}

}  // namespace velta::test
