// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/fake_firewall_policy.h"

#include <oleauto.h>

#include <string>
#include <utility>
#include <vector>

namespace velta::test {

using Microsoft::WRL::ComPtr;

namespace {

class FakeFirewallRule : public FakeComObject<INetFwRule> {
 public:
  FakeFirewallRule(FakeComLog* log, FakeFirewallWorld::Rule rule)
      : log_(log), rule_(std::move(rule)) {}

  HRESULT STDMETHODCALLTYPE get_Name(BSTR* name) override {
    *name = ::SysAllocString(rule_.name.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_Name(BSTR name) override {
    rule_.name = Text(name);
    return log_->Call("Rule.put_Name", rule_.name);
  }
  HRESULT STDMETHODCALLTYPE put_Description(BSTR description) override {
    return log_->Call("Rule.put_Description", Text(description));
  }
  HRESULT STDMETHODCALLTYPE get_ApplicationName(BSTR* path) override {
    *path = ::SysAllocString(rule_.application.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_ApplicationName(BSTR path) override {
    rule_.application = Text(path);
    return log_->Call("Rule.put_ApplicationName", rule_.application);
  }
  HRESULT STDMETHODCALLTYPE put_Protocol(LONG protocol) override {
    return log_->Call("Rule.put_Protocol", std::to_wstring(protocol));
  }
  HRESULT STDMETHODCALLTYPE put_LocalPorts(BSTR ports) override {
    return log_->Call("Rule.put_LocalPorts", Text(ports));
  }
  HRESULT STDMETHODCALLTYPE put_Direction(NET_FW_RULE_DIRECTION direction) override {
    return log_->Call("Rule.put_Direction", std::to_wstring(direction));
  }
  HRESULT STDMETHODCALLTYPE put_Action(NET_FW_ACTION action) override {
    return log_->Call("Rule.put_Action", std::to_wstring(action));
  }
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL enabled) override {
    return log_->Call("Rule.put_Enabled", std::to_wstring(enabled));
  }
  HRESULT STDMETHODCALLTYPE put_Profiles(LONG profiles) override {
    return log_->Call("Rule.put_Profiles", std::to_wstring(profiles));
  }
  VELTA_FAKE_COM_STUB(get_Description, BSTR *)
  VELTA_FAKE_COM_STUB(get_ServiceName, BSTR *)
  VELTA_FAKE_COM_STUB(put_ServiceName, BSTR)
  VELTA_FAKE_COM_STUB(get_Protocol, LONG *)
  VELTA_FAKE_COM_STUB(get_LocalPorts, BSTR *)
  VELTA_FAKE_COM_STUB(get_RemotePorts, BSTR *)
  VELTA_FAKE_COM_STUB(put_RemotePorts, BSTR)
  VELTA_FAKE_COM_STUB(get_LocalAddresses, BSTR *)
  VELTA_FAKE_COM_STUB(put_LocalAddresses, BSTR)
  VELTA_FAKE_COM_STUB(get_RemoteAddresses, BSTR *)
  VELTA_FAKE_COM_STUB(put_RemoteAddresses, BSTR)
  VELTA_FAKE_COM_STUB(get_IcmpTypesAndCodes, BSTR *)
  VELTA_FAKE_COM_STUB(put_IcmpTypesAndCodes, BSTR)
  VELTA_FAKE_COM_STUB(get_Direction, NET_FW_RULE_DIRECTION *)
  VELTA_FAKE_COM_STUB(get_Interfaces, VARIANT *)
  VELTA_FAKE_COM_STUB(put_Interfaces, VARIANT)
  VELTA_FAKE_COM_STUB(get_InterfaceTypes, BSTR *)
  VELTA_FAKE_COM_STUB(put_InterfaceTypes, BSTR)
  VELTA_FAKE_COM_STUB(get_Enabled, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(get_Grouping, BSTR *)
  VELTA_FAKE_COM_STUB(put_Grouping, BSTR)
  VELTA_FAKE_COM_STUB(get_Profiles, LONG *)
  VELTA_FAKE_COM_STUB(get_EdgeTraversal, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_EdgeTraversal, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_Action, NET_FW_ACTION *)

  const FakeFirewallWorld::Rule& rule() const { return rule_; }

 private:
  FakeComLog* const log_;
  FakeFirewallWorld::Rule rule_;
};

// Hands out the rules it was made with, one VT_DISPATCH at a time.
class FakeRuleEnumerator : public FakeUnknown<IEnumVARIANT> {
 public:
  explicit FakeRuleEnumerator(std::vector<ComPtr<INetFwRule>> rules) : rules_(std::move(rules)) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* items, ULONG* fetched) override {
    ULONG done = 0;
    for (; done < count && next_ < rules_.size(); ++done, ++next_) {
      ::VariantInit(&items[done]);
      items[done].vt = VT_DISPATCH;
      rules_[next_].CopyTo(&items[done].pdispVal);
    }
    if (fetched)
      *fetched = done;
    return done == count ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override {
    next_ = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) override { return E_NOTIMPL; }

 private:
  std::vector<ComPtr<INetFwRule>> rules_;
  size_t next_ = 0;
};

class FakeFirewallRules : public FakeComObject<INetFwRules> {
 public:
  explicit FakeFirewallRules(FakeFirewallWorld* world) : world_(world) {}

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    *count = static_cast<LONG>(world_->rules.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Add(INetFwRule* rule) override {
    BSTR name = nullptr;
    BSTR path = nullptr;
    rule->get_Name(&name);
    rule->get_ApplicationName(&path);
    FakeFirewallWorld::Rule stored{Text(name), Text(path)};
    ::SysFreeString(name);
    ::SysFreeString(path);
    HRESULT result = world_->log.Call("Rules.Add", stored.name);
    if (SUCCEEDED(result))
      world_->rules.push_back(stored);
    return result;
  }
  HRESULT STDMETHODCALLTYPE Remove(BSTR name) override {
    HRESULT result = world_->log.Call("Rules.Remove", Text(name));
    for (auto it = world_->rules.begin(); SUCCEEDED(result) && it != world_->rules.end(); ++it) {
      if (it->name == Text(name)) {
        world_->rules.erase(it);
        break;
      }
    }
    return result;
  }
  HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** enumerator) override {
    *enumerator = nullptr;
    HRESULT result = world_->log.Call("Rules.get__NewEnum");
    if (FAILED(result))
      return result;
    std::vector<ComPtr<INetFwRule>> rules;
    for (const FakeFirewallWorld::Rule& rule : world_->rules)
      rules.push_back(new FakeFirewallRule(&world_->log, rule));
    ComPtr<IEnumVARIANT> made = new FakeRuleEnumerator(std::move(rules));
    return made.CopyTo(enumerator);
  }
  VELTA_FAKE_COM_STUB(Item, BSTR, INetFwRule **)

 private:
  FakeFirewallWorld* const world_;
};

class FakeFirewallPolicy : public FakeComObject<INetFwPolicy2> {
 public:
  explicit FakeFirewallPolicy(FakeFirewallWorld* world) : world_(world) {}

  HRESULT STDMETHODCALLTYPE get_CurrentProfileTypes(LONG* profiles) override {
    *profiles = world_->current_profiles;
    return world_->log.Call("Policy.get_CurrentProfileTypes");
  }
  HRESULT STDMETHODCALLTYPE get_FirewallEnabled(NET_FW_PROFILE_TYPE2 profile,
                                                VARIANT_BOOL* enabled) override {
    *enabled = (world_->enabled_profiles & profile) ? VARIANT_TRUE : VARIANT_FALSE;
    return world_->log.Call("Policy.get_FirewallEnabled", std::to_wstring(profile));
  }
  HRESULT STDMETHODCALLTYPE get_Rules(INetFwRules** rules) override {
    *rules = nullptr;
    return LoggedHandOut(&world_->log, "Policy.get_Rules", std::wstring(),
                         ComPtr<INetFwRules>(new FakeFirewallRules(world_)), rules);
  }
  VELTA_FAKE_COM_STUB(put_FirewallEnabled, NET_FW_PROFILE_TYPE2, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_ExcludedInterfaces, NET_FW_PROFILE_TYPE2, VARIANT *)
  VELTA_FAKE_COM_STUB(put_ExcludedInterfaces, NET_FW_PROFILE_TYPE2, VARIANT)
  VELTA_FAKE_COM_STUB(get_BlockAllInboundTraffic, NET_FW_PROFILE_TYPE2, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_BlockAllInboundTraffic, NET_FW_PROFILE_TYPE2, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_NotificationsDisabled, NET_FW_PROFILE_TYPE2, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_NotificationsDisabled, NET_FW_PROFILE_TYPE2, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_UnicastResponsesToMulticastBroadcastDisabled, NET_FW_PROFILE_TYPE2, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(put_UnicastResponsesToMulticastBroadcastDisabled, NET_FW_PROFILE_TYPE2, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(get_ServiceRestriction, INetFwServiceRestriction **)
  VELTA_FAKE_COM_STUB(EnableRuleGroup, LONG, BSTR, VARIANT_BOOL)
  VELTA_FAKE_COM_STUB(IsRuleGroupEnabled, LONG, BSTR, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(RestoreLocalFirewallDefaults)
  VELTA_FAKE_COM_STUB(get_DefaultInboundAction, NET_FW_PROFILE_TYPE2, NET_FW_ACTION *)
  VELTA_FAKE_COM_STUB(put_DefaultInboundAction, NET_FW_PROFILE_TYPE2, NET_FW_ACTION)
  VELTA_FAKE_COM_STUB(get_DefaultOutboundAction, NET_FW_PROFILE_TYPE2, NET_FW_ACTION *)
  VELTA_FAKE_COM_STUB(put_DefaultOutboundAction, NET_FW_PROFILE_TYPE2, NET_FW_ACTION)
  VELTA_FAKE_COM_STUB(get_IsRuleGroupCurrentlyEnabled, BSTR, VARIANT_BOOL *)
  VELTA_FAKE_COM_STUB(get_LocalPolicyModifyState, NET_FW_MODIFY_STATE *)

 private:
  FakeFirewallWorld* const world_;
};

}  // namespace

ComPtr<INetFwPolicy2> MakeFakeFirewallPolicy(FakeFirewallWorld* world) {
  return new FakeFirewallPolicy(world);
}

ComPtr<INetFwRule> MakeFakeFirewallRule(FakeFirewallWorld* world) {
  return new FakeFirewallRule(&world->log, FakeFirewallWorld::Rule());
}

}  // namespace velta::test
