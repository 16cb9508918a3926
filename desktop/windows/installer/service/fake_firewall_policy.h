// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_FIREWALL_POLICY_H_
#define DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_FIREWALL_POLICY_H_

#include <windows.h>
#include <netfw.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/service/fake_com_object.h"

namespace velta::test {

// What a fake firewall holds and what was done to it. Wine's INetFwPolicy2
// stores nothing, so the rule work is tested on this.
struct FakeFirewallWorld {
  struct Rule {
    std::wstring name;
    std::wstring application;
  };

  FakeComLog log;
  // NET_FW_PROFILE2_* bits: the current profiles, and those whose firewall
  // is on.
  LONG current_profiles = NET_FW_PROFILE2_PRIVATE;
  LONG enabled_profiles = NET_FW_PROFILE2_ALL;
  // The stored rules, in order.
  std::vector<Rule> rules;
};

// A fake policy over `world` (which must outlive it) whose rule collection
// stores added rules in world->rules; and a new fake rule for it. Calls are
// recorded as "Policy.Method", "Rules.Method" and "Rule.put_X value".
Microsoft::WRL::ComPtr<INetFwPolicy2> MakeFakeFirewallPolicy(FakeFirewallWorld* world);
Microsoft::WRL::ComPtr<INetFwRule> MakeFakeFirewallRule(FakeFirewallWorld* world);

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_SERVICE_FAKE_FIREWALL_POLICY_H_
