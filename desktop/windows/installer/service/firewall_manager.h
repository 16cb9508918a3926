// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_MANAGER_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_MANAGER_H_

#include <stdint.h>

#include <memory>
#include <string>

#include "base/files/file_path.h"

namespace velta {

class AdvancedFirewallManager;

// The name the browser's firewall rules are made under. Process-wide, made
// on first use and kept to exit; tests hand the manager another.
class FirewallAppNameProvider {
 public:
  virtual ~FirewallAppNameProvider() = default;

  // The full product name ("Velta marlin Internet Browser").
  virtual std::wstring GetAppName();

  static FirewallAppNameProvider* GetInstance();
};

// The browser's inbound mDNS rule (UDP, local port 5353, allowed), named
// after the application: "<app name> (mDNS-In)". Used by the install steps on
// the main thread (COM initialised); made per use.
class FirewallManager {
 public:
  static constexpr uint16_t kMdnsPort = 5353;

  // A manager for the browser at `browser_path`, or null when the firewall
  // service cannot be reached.
  static std::unique_ptr<FirewallManager> Create(FirewallAppNameProvider* name_provider,
                                                 const base::FilePath& browser_path);
  // The same over `advanced` (the system's firewall, or a test's fake).
  static std::unique_ptr<FirewallManager> CreateWithManager(
      FirewallAppNameProvider* name_provider,
      const base::FilePath& browser_path,
      std::unique_ptr<AdvancedFirewallManager> advanced);

  FirewallManager(const FirewallManager&) = delete;
  FirewallManager& operator=(const FirewallManager&) = delete;
  virtual ~FirewallManager();

  // True when the firewall is off, else whether the browser has any rule.
  virtual bool CanUseLocalPorts();
  virtual bool AddFirewallRules();
  // Deletes every rule of the browser.
  virtual void RemoveFirewallRules();

 protected:
  FirewallManager(std::unique_ptr<AdvancedFirewallManager> advanced, std::wstring app_name);

 private:
  std::unique_ptr<AdvancedFirewallManager> advanced_;
  const std::wstring app_name_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_MANAGER_H_
