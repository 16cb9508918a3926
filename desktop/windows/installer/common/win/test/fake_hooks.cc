// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/fake_hooks.h"

#include "base/command_line.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/multiprocess_test.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils_hook.h"
#include "desktop/windows/installer/common/win/test/fake_win_api_hook.h"

namespace velta::test {
namespace {

// Makes one fake from its switch's value and puts it in place.
using InstallFakeFunction = bool (*)(const std::string& settings, std::string* error);

struct FakeHook {
  const char* switch_name;
  InstallFakeFunction install;
};

// One row per fake.
constexpr FakeHook kFakeHooks[] = {
    {kFakeWinApiSwitch, &InstallFakeWinApi},
    {kFakeSecurityUtilsSwitch, &InstallFakeSecurityUtils},
};

// Child roles of every test executable that links this library install the
// fakes their switches ask for before they run.
const ChildSetupHookRegistrar kChildSetupHook(&InstallFakesFromCommandLine);

}  // namespace

bool InstallFakesFromCommandLine(const base::CommandLine& command_line, std::string* error) {
  for (const FakeHook& hook : kFakeHooks) {
    if (!command_line.HasSwitch(hook.switch_name))
      continue;
    std::string settings = base::WideToUTF8(command_line.GetSwitchValueNative(hook.switch_name));
    if (!hook.install(settings, error)) {
      *error = std::string("--") + hook.switch_name + ": " + *error;
      return false;
    }
  }
  return true;
}

}  // namespace velta::test
