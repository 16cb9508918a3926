// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_FILE_AND_PROTOCOL_HANDLERS_STEP_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_FILE_AND_PROTOCOL_HANDLERS_STEP_H_

#include <memory>

#include "desktop/windows/installer/steps/installer_step.h"

namespace velta {

class ProtocolHandlerSetup;

// Registers the installed browser's file and protocol handlers through the
// owned ProtocolHandlerSetup. An elevated copy (`parent-pid`) on Windows 10
// and later without the shell's association interfaces leaves it to the
// user's own post-elevation tasks. Never fails.
class SetupFileAndProtocolHandlersStep : public InstallerStep {
 public:
  SetupFileAndProtocolHandlersStep(InstallerContext* context,
                                   std::unique_ptr<ProtocolHandlerSetup> setup);
  ~SetupFileAndProtocolHandlersStep() override;

  StepResult& Execute(StepResult& result, int32_t attempt) override;

 private:
  const std::unique_ptr<ProtocolHandlerSetup> setup_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_SETUP_FILE_AND_PROTOCOL_HANDLERS_STEP_H_
