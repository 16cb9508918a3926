// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/firewall_manager.h"

#include <windows.h>
#include <netfw.h>

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/service/fake_firewall_policy.h"
#include "desktop/windows/installer/service/firewall_rules.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

constexpr wchar_t kBrowser[] = L"C:\\Velta\\Application\\velta.exe";

class NamedProvider : public FirewallAppNameProvider {
 public:
  explicit NamedProvider(std::wstring name) : name_(std::move(name)) {}
  std::wstring GetAppName() override { return name_; }

 private:
  const std::wstring name_;
};

class FirewallManagerTest : public ::testing::Test {
 protected:
  std::unique_ptr<FirewallManager> Create(FirewallAppNameProvider* provider = nullptr) {
    auto advanced = std::make_unique<AdvancedFirewallManager>(
        test::MakeFakeFirewallPolicy(&world_),
        base::BindRepeating(&test::MakeFakeFirewallRule, &world_));
    std::unique_ptr<FirewallManager> manager = FirewallManager::CreateWithManager(
        provider ? provider : FirewallAppNameProvider::GetInstance(), base::FilePath(kBrowser),
        std::move(advanced));
    world_.log.calls.clear();
    return manager;
  }

  base::win::ScopedCOMInitializer com_;
  test::FakeFirewallWorld world_;
};

TEST_F(FirewallManagerTest, AddsTheInboundMdnsRuleForTheBrowser) {
  std::unique_ptr<FirewallManager> manager = Create();
  ASSERT_TRUE(manager);
  ASSERT_TRUE(manager->AddFirewallRules());
  EXPECT_THAT(world_.log.calls,
              ElementsAre("Rule.put_Name Velta marlin Internet Browser (mDNS-In)",
                          "Rule.put_Description Inbound rule to allow mDNS traffic.",
                          "Rule.put_ApplicationName C:\\Velta\\Application\\velta.exe",
                          "Rule.put_Protocol 17", "Rule.put_Direction 1", "Rule.put_Action 1",
                          "Rule.put_LocalPorts 5353", "Rule.put_Profiles 2147483647",
                          "Rule.put_Enabled -1",
                          "Rules.Add Velta marlin Internet Browser (mDNS-In)"));
  EXPECT_TRUE(manager->CanUseLocalPorts());
}

TEST_F(FirewallManagerTest, RuleNameFollowsTheProductName) {
  NamedProvider provider(L"Velta Kestrel Internet Browser");
  std::unique_ptr<FirewallManager> manager = Create(&provider);
  ASSERT_TRUE(manager && manager->AddFirewallRules());
  ASSERT_EQ(1u, world_.rules.size());
  EXPECT_EQ(L"Velta Kestrel Internet Browser (mDNS-In)", world_.rules[0].name);
}

TEST_F(FirewallManagerTest, AnyFailingCallMakesTheAddFail) {
  const char* const methods[] = {
      "Rule.put_Name",      "Rule.put_Description", "Rule.put_ApplicationName",
      "Rule.put_Protocol",  "Rule.put_Direction",   "Rule.put_Action",
      "Rule.put_LocalPorts", "Rule.put_Profiles",   "Rule.put_Enabled",
      "Rules.Add"};
  for (const char* method : methods) {
    world_.rules.clear();
    world_.log.fail_on = method;
    std::unique_ptr<FirewallManager> manager = Create();
    ASSERT_TRUE(manager);
    EXPECT_FALSE(manager->AddFirewallRules()) << method;
    EXPECT_TRUE(world_.rules.empty()) << method;
  }
}

TEST_F(FirewallManagerTest, UnreachableFirewallGivesNoManager) {
  world_.log.fail_on = "Policy.get_Rules";
  EXPECT_FALSE(Create());
}

struct PortsCase {
  const char* name;
  LONG current_profiles;
  LONG enabled_profiles;
  std::vector<std::wstring> rule_paths;
  const char* failing;
  bool can_use;
};

class CanUseLocalPortsTest : public FirewallManagerTest,
                             public ::testing::WithParamInterface<PortsCase> {};

TEST_P(CanUseLocalPortsTest, AsksTheCurrentProfilesAndTheBrowsersRules) {
  const PortsCase& c = GetParam();
  world_.current_profiles = c.current_profiles;
  world_.enabled_profiles = c.enabled_profiles;
  for (const std::wstring& path : c.rule_paths)
    world_.rules.push_back({L"rule", path});
  std::unique_ptr<FirewallManager> manager = Create();
  ASSERT_TRUE(manager);
  world_.log.fail_on = c.failing;
  EXPECT_EQ(c.can_use, manager->CanUseLocalPorts());
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    CanUseLocalPortsTest,
    ::testing::Values(
        PortsCase{"FirewallOff", NET_FW_PROFILE2_PRIVATE, NET_FW_PROFILE2_DOMAIN, {}, "", true},
        PortsCase{"OnWithoutRule", NET_FW_PROFILE2_PRIVATE, NET_FW_PROFILE2_ALL, {}, "", false},
        PortsCase{"OnInOneOfTwoProfiles",
                  NET_FW_PROFILE2_PRIVATE | NET_FW_PROFILE2_PUBLIC,
                  NET_FW_PROFILE2_PUBLIC,
                  {},
                  "",
                  false},
        PortsCase{"OnWithAnotherProgramsRule",
                  NET_FW_PROFILE2_PUBLIC,
                  NET_FW_PROFILE2_ALL,
                  {L"C:\\Other\\other.exe"},
                  "",
                  false},
        PortsCase{"OnWithTheBrowsersRule",
                  NET_FW_PROFILE2_PUBLIC,
                  NET_FW_PROFILE2_ALL,
                  {L"c:\\velta\\application\\VELTA.EXE"},
                  "",
                  true},
        PortsCase{"UnreadableProfilesCountAsOn",
                  NET_FW_PROFILE2_PRIVATE,
                  NET_FW_PROFILE2_DOMAIN,
                  {},
                  "Policy.get_CurrentProfileTypes",
                  false},
        PortsCase{"UnreadableRulesCountAsNone",
                  NET_FW_PROFILE2_PUBLIC,
                  NET_FW_PROFILE2_ALL,
                  {kBrowser},
                  "Rules.get__NewEnum",
                  false}),
    [](const ::testing::TestParamInfo<PortsCase>& info) { return info.param.name; });

TEST_F(FirewallManagerTest, RemoveDeletesOnlyTheBrowsersRules) {
  world_.rules = {{L"Velta (mDNS-In)", kBrowser},
                  {L"Other", L"C:\\Other\\other.exe"},
                  {L"Velta old", L"C:\\VELTA\\Application\\velta.exe"}};
  std::unique_ptr<FirewallManager> manager = Create();
  ASSERT_TRUE(manager);
  manager->RemoveFirewallRules();
  ASSERT_EQ(1u, world_.rules.size());
  EXPECT_EQ(L"Other", world_.rules[0].name);
  EXPECT_FALSE(manager->CanUseLocalPorts());
}

// Wine's firewall is a stub, but the whole road runs on it: the policy is
// reachable and a rule is accepted.
TEST(FirewallManagerWineTest, SystemFirewallUnderWine) {
  base::win::ScopedCOMInitializer com;
  std::unique_ptr<FirewallManager> manager =
      FirewallManager::Create(FirewallAppNameProvider::GetInstance(), base::FilePath(kBrowser));
  if (!manager)
    GTEST_SKIP() << "The firewall service cannot be reached";
  EXPECT_TRUE(manager->AddFirewallRules());
  manager->RemoveFirewallRules();
}

}  // namespace
}  // namespace velta
