// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/firewall_rules.h"

#include <oleauto.h>

#include <utility>

#include "base/bind.h"
#include "base/win/scoped_bstr.h"
#include "base/win/scoped_variant.h"

namespace velta {

using Microsoft::WRL::ComPtr;
using base::win::ScopedBstr;

namespace {

ComPtr<INetFwRule> MakeSystemRule() {
  ComPtr<INetFwRule> rule;
  if (FAILED(::CoCreateInstance(CLSID_NetFwRule, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&rule)))) {
    return nullptr;
  }
  return rule;
}

}  // namespace

AdvancedFirewallManager::AdvancedFirewallManager()
    : make_rule_(base::BindRepeating(&MakeSystemRule)) {}

AdvancedFirewallManager::AdvancedFirewallManager(ComPtr<INetFwPolicy2> policy,
                                                 RuleFactory make_rule)
    : policy_(std::move(policy)), make_rule_(std::move(make_rule)) {}

AdvancedFirewallManager::~AdvancedFirewallManager() = default;

bool AdvancedFirewallManager::Init(const std::wstring& app_name, const base::FilePath& app_path) {
  if (!policy_ && FAILED(::CoCreateInstance(CLSID_NetFwPolicy2, nullptr, CLSCTX_INPROC_SERVER,
                                            IID_PPV_ARGS(&policy_)))) {
    return false;
  }
  if (FAILED(policy_->get_Rules(&rules_)))
    return false;
  app_name_ = app_name;
  app_path_ = app_path;
  return true;
}

bool AdvancedFirewallManager::IsFirewallEnabled() {
  LONG profiles = 0;
  if (FAILED(policy_->get_CurrentProfileTypes(&profiles)))
    return true;
  for (NET_FW_PROFILE_TYPE2 profile :
       {NET_FW_PROFILE2_DOMAIN, NET_FW_PROFILE2_PRIVATE, NET_FW_PROFILE2_PUBLIC}) {
    if (!(profiles & profile))
      continue;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    if (FAILED(policy_->get_FirewallEnabled(profile, &enabled)) || enabled != VARIANT_FALSE)
      return true;
  }
  return false;
}

bool AdvancedFirewallManager::HasAnyRule() {
  return !GetAppRules().empty();
}

bool AdvancedFirewallManager::AddUDPRule(const std::wstring& rule_name,
                                         const std::wstring& description,
                                         uint16_t port) {
  ComPtr<INetFwRule> rule = make_rule_.Run();
  return rule && SUCCEEDED(rule->put_Name(ScopedBstr(rule_name).Get())) &&
         SUCCEEDED(rule->put_Description(ScopedBstr(description).Get())) &&
         SUCCEEDED(rule->put_ApplicationName(ScopedBstr(app_path_.value()).Get())) &&
         SUCCEEDED(rule->put_Protocol(NET_FW_IP_PROTOCOL_UDP)) &&
         SUCCEEDED(rule->put_Direction(NET_FW_RULE_DIR_IN)) &&
         SUCCEEDED(rule->put_Action(NET_FW_ACTION_ALLOW)) &&
         SUCCEEDED(rule->put_LocalPorts(ScopedBstr(std::to_wstring(port)).Get())) &&
         SUCCEEDED(rule->put_Profiles(NET_FW_PROFILE2_ALL)) &&
         SUCCEEDED(rule->put_Enabled(VARIANT_TRUE)) && SUCCEEDED(rules_->Add(rule.Get()));
}

void AdvancedFirewallManager::DeleteAllRules() {
  for (const ComPtr<INetFwRule>& rule : GetAppRules()) {
    ScopedBstr name;
    if (SUCCEEDED(rule->get_Name(name.Receive())) && name.Get())
      rules_->Remove(name.Get());
  }
}

std::vector<ComPtr<INetFwRule>> AdvancedFirewallManager::GetAppRules() {
  std::vector<ComPtr<INetFwRule>> found;
  ComPtr<IUnknown> enumerator_unknown;
  ComPtr<IEnumVARIANT> enumerator;
  if (FAILED(rules_->get__NewEnum(&enumerator_unknown)) || !enumerator_unknown ||
      FAILED(enumerator_unknown.As(&enumerator))) {
    return found;
  }
  for (;;) {
    base::win::ScopedVariant item;
    ULONG fetched = 0;
    if (enumerator->Next(1, item.Receive(), &fetched) != S_OK || fetched != 1)
      break;
    if (item.type() != VT_DISPATCH || !V_DISPATCH(item.AsInput()))
      continue;
    ComPtr<INetFwRule> rule;
    ScopedBstr path;
    if (FAILED(V_DISPATCH(item.AsInput())->QueryInterface(IID_PPV_ARGS(&rule))) ||
        FAILED(rule->get_ApplicationName(path.Receive())) || !path.Get()) {
      continue;
    }
    if (base::FilePath::CompareEqualIgnoreCase(path.Get(), app_path_.value()))
      found.push_back(rule);
  }
  return found;
}

}  // namespace velta
