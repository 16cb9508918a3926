// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PROTOCOL_HANDLER_SETUP_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_PROTOCOL_HANDLER_SETUP_IMPL_H_

#include "desktop/windows/installer/protocol_handler_setup.h"

namespace velta {

// Works through an Installation of the settings' folder: on Windows 10 and
// later without the shell's association interfaces, a silent run (or a
// folder whose browser already handles http) changes nothing, since the
// choice would need the user. Afterwards every window and the shell hear
// that the associations changed. Holds no state.
class ProtocolHandlerSetupImpl : public ProtocolHandlerSetup {
 public:
  ProtocolHandlerSetupImpl();
  ~ProtocolHandlerSetupImpl() override;

  void Setup(Settings* settings, const InstallationStatus* status) override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PROTOCOL_HANDLER_SETUP_IMPL_H_
