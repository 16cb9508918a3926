// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULES_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULES_H_

#include <windows.h>
#include <netfw.h>
#include <stdint.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/win/mingw_sdk_gaps.h"

namespace velta {

// The rules of one application in Windows Firewall with Advanced Security
// (INetFwPolicy2 and INetFwRule over COM). An application's rules are the
// rules whose application path is its path (letter case ignored). Used on a
// thread with COM initialised; made per use.
class AdvancedFirewallManager {
 public:
  // Makes a new, empty rule object.
  using RuleFactory = base::RepeatingCallback<Microsoft::WRL::ComPtr<INetFwRule>()>;

  // Over the system's firewall policy and rule objects.
  AdvancedFirewallManager();
  // Over `policy` and the rules `make_rule` makes: the system's, or a test's
  // fakes.
  AdvancedFirewallManager(Microsoft::WRL::ComPtr<INetFwPolicy2> policy, RuleFactory make_rule);
  AdvancedFirewallManager(const AdvancedFirewallManager&) = delete;
  AdvancedFirewallManager& operator=(const AdvancedFirewallManager&) = delete;
  ~AdvancedFirewallManager();

  // False when the firewall service cannot be reached.
  bool Init(const std::wstring& app_name, const base::FilePath& app_path);
  // Whether the firewall is on in any of the current profiles; true when
  // that cannot be read (a rule then does no harm).
  bool IsFirewallEnabled();
  bool HasAnyRule();
  // Adds an enabled inbound rule allowing UDP to local `port` for the
  // application, in every profile.
  bool AddUDPRule(const std::wstring& rule_name, const std::wstring& description, uint16_t port);
  void DeleteAllRules();

 private:
  std::vector<Microsoft::WRL::ComPtr<INetFwRule>> GetAppRules();

  Microsoft::WRL::ComPtr<INetFwPolicy2> policy_;
  RuleFactory make_rule_;
  Microsoft::WRL::ComPtr<INetFwRules> rules_;
  std::wstring app_name_;
  base::FilePath app_path_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FIREWALL_RULES_H_
