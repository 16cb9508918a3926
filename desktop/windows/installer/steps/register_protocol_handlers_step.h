// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTER_PROTOCOL_HANDLERS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTER_PROTOCOL_HANDLERS_STEP_H_

#include <string>

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

// The protocol-handler job: adds the protocol of the switch
// `register-velta-as-protocol-handler` to the browser's URL associations
// under HKLM, when the installation in the folder recorded that key, and
// makes the browser its default handler. A value that is no URL scheme, a
// folder without an installation or a key it never recorded changes
// nothing. Never fails.
class RegisterProtocolHandlersStep : public InstallerStep {
 public:
  explicit RegisterProtocolHandlersStep(InstallerContext* context);
  ~RegisterProtocolHandlersStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;
};

// Whether `name` is a URL scheme: a letter, then letters, digits, "+", "-"
// or ".". The name becomes a registry value and is handed to the shell.
bool IsUrlSchemeName(const std::wstring& name);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_REGISTER_PROTOCOL_HANDLERS_STEP_H_
