// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/setup_file_and_protocol_handlers_step.h"

#include <utility>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/protocol_handler_setup.h"
#include "desktop/windows/installer/utils/shell_associations.h"

namespace velta {

SetupFileAndProtocolHandlersStep::SetupFileAndProtocolHandlersStep(
    InstallerContext* context,
    std::unique_ptr<ProtocolHandlerSetup> setup)
    : InstallerStep(context, "setup_file_and_protocol_handlers"), setup_(std::move(setup)) {}

SetupFileAndProtocolHandlersStep::~SetupFileAndProtocolHandlersStep() = default;

StepResult& SetupFileAndProtocolHandlersStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  LOG(INFO) << "Setting up protocol handlers.";
  if (base::win::GetVersion() >= base::win::VERSION_WIN10 &&
      !IsAssociationRegistrationAvailable() &&
      base::CommandLine::ForCurrentProcess()->HasSwitch(kParentPidSwitch)) {
    return result;
  }
  setup_->Setup(GetSettings(), GetNewInstallationStatus());
  return result;
}

}  // namespace velta
