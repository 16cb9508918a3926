// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_CLEAN_REGISTRY_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_CLEAN_REGISTRY_STEP_H_

#include <stdint.h>

#include <string>

#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// Deletes what the earlier installation's status recorded in the registry,
// HKCU first, then HKLM, through the run's transaction: a record of depth d
// of at least 1 deletes its key's ancestor d - 1 levels up (with everything
// below), depth 0 its recorded values; uninstall keys are taken in the
// 32-bit view, and for a 64-bit launcher also an uninstall key of the
// 64-bit view that points at this install folder. A key that is shared by
// other programs, or one of its parents, is never deleted, whatever depth a
// damaged record asks for. Never fails.
class CleanRegistryStep : public InstallerStep {
 public:
  // `launcher_architecture`: GetExecutableArchitecture of the installed
  // launcher.exe.
  CleanRegistryStep(InstallerContext* context, ExecutableArchitecture launcher_architecture);
  ~CleanRegistryStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;

 private:
  const ExecutableArchitecture launcher_architecture_;
};

// Whether deleting `key` (below a root) would take away more than one
// product's entries: fewer than three components ("Software\Classes"), or a
// shared key such as the uninstall list or one of its parents.
bool IsSharedRegistryKey(const std::wstring& key);

// `key` without its last `levels` components; empty when it has no more.
std::wstring RemoveLastKeyComponents(const std::wstring& key, uint32_t levels);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_CLEAN_REGISTRY_STEP_H_
