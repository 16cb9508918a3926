// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_PROTOCOL_HANDLER_SETUP_H_
#define DESKTOP_WINDOWS_INSTALLER_PROTOCOL_HANDLER_SETUP_H_

#include <memory>

namespace velta {

class Settings;
struct InstallationStatus;

// Registers a freshly installed browser as file and protocol handler: as
// the default browser when the user chose so (for all users too, for an
// all-users installation), else its file handlers for the current user.
// Used by the install steps and the post-elevation tasks, on the main
// thread with COM initialised.
class ProtocolHandlerSetup {
 public:
  virtual ~ProtocolHandlerSetup() = default;

  // Nothing for a copy-only installation. `status` is the record of the
  // installation being made; it is copied.
  virtual void Setup(Settings* settings, const InstallationStatus* status) = 0;
};

// The real one (ProtocolHandlerSetupImpl).
std::unique_ptr<ProtocolHandlerSetup> CreateProtocolHandlerSetup();

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_PROTOCOL_HANDLER_SETUP_H_
