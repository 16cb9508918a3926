// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/firewall_manager.h"

#include <utility>

#include "base/no_destructor.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/service/firewall_rules.h"

namespace velta {

namespace {

constexpr wchar_t kRuleSuffix[] = L" (mDNS-In)";
constexpr wchar_t kRuleDescription[] = L"Inbound rule to allow mDNS traffic.";

}  // namespace

std::wstring FirewallAppNameProvider::GetAppName() {
  return base::UTF8ToWide(GetFullProductName());
}

FirewallAppNameProvider* FirewallAppNameProvider::GetInstance() {
  static base::NoDestructor<FirewallAppNameProvider> instance;
  return instance.get();
}

std::unique_ptr<FirewallManager> FirewallManager::Create(FirewallAppNameProvider* name_provider,
                                                         const base::FilePath& browser_path) {
  return CreateWithManager(name_provider, browser_path,
                           std::make_unique<AdvancedFirewallManager>());
}

std::unique_ptr<FirewallManager> FirewallManager::CreateWithManager(
    FirewallAppNameProvider* name_provider,
    const base::FilePath& browser_path,
    std::unique_ptr<AdvancedFirewallManager> advanced) {
  std::wstring app_name = name_provider->GetAppName();
  if (!advanced->Init(app_name, browser_path))
    return nullptr;
  return std::unique_ptr<FirewallManager>(
      new FirewallManager(std::move(advanced), std::move(app_name)));
}

FirewallManager::FirewallManager(std::unique_ptr<AdvancedFirewallManager> advanced,
                                 std::wstring app_name)
    : advanced_(std::move(advanced)), app_name_(std::move(app_name)) {}

FirewallManager::~FirewallManager() = default;

bool FirewallManager::CanUseLocalPorts() {
  return !advanced_->IsFirewallEnabled() || advanced_->HasAnyRule();
}

bool FirewallManager::AddFirewallRules() {
  return advanced_->AddUDPRule(app_name_ + kRuleSuffix, kRuleDescription, kMdnsPort);
}

void FirewallManager::RemoveFirewallRules() {
  advanced_->DeleteAllRules();
}

}  // namespace velta
