// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_CONFIGURE_FIREWALL_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_CONFIGURE_FIREWALL_H_

#include <memory>

#include "base/files/file_path.h"

namespace velta {

class FirewallManager;

// Adds the browser's firewall rules for the executable at `path`, or with
// `remove` deletes them. Failures are logged only. Main thread, COM
// initialised.
void ConfigureFirewall(const base::FilePath& path, bool remove);

// The same on `manager` (null: the firewall could not be reached).
void ConfigureFirewallWith(std::unique_ptr<FirewallManager> manager, bool remove);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_CONFIGURE_FIREWALL_H_
