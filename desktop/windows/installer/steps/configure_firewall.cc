// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/configure_firewall.h"

#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/service/firewall_manager.h"

namespace velta {

void ConfigureFirewall(const base::FilePath& path, bool remove) {
  ConfigureFirewallWith(FirewallManager::Create(FirewallAppNameProvider::GetInstance(), path),
                        remove);
}

void ConfigureFirewallWith(std::unique_ptr<FirewallManager> manager, bool remove) {
  if (!manager) {
    LOG(ERROR) << "Failed creating a FirewallManager.";
    return;
  }
  if (remove) {
    manager->RemoveFirewallRules();
    return;
  }
  if (!manager->AddFirewallRules())
    LOG(ERROR) << "Failed creating a firewall rules.";
}

}  // namespace velta
