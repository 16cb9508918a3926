// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/fake_security_utils_hook.h"

#include <utility>
#include <vector>

#include "base/process_wide.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/common/win/test/fake_win_api_hook.h"

namespace velta::test {
namespace {

bool Apply(const std::string& key, const std::string& value, FakeSecurityUtils* fake) {
  bool yes = false;
  if (key == "admin" && ParseYesNo(value, &yes)) {
    fake->set_is_user_in_admin_group(yes);
    return true;
  }
  if (key == "elevated" && ParseYesNo(value, &yes)) {
    fake->set_is_elevated(yes);
    return true;
  }
  if (key == "needs_elevation" && ParseYesNo(value, &yes)) {
    fake->set_needs_elevation(yes);
    return true;
  }
  if (key == "deny" && !value.empty()) {
    fake->DenyAccess(base::UTF8ToWide(value));
    return true;
  }
  if (key == "fail_grant" && !value.empty()) {
    fake->FailGrant(base::UTF8ToWide(value));
    return true;
  }
  return false;
}

}  // namespace

bool InstallFakeSecurityUtils(const std::string& settings, std::string* error) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (!SplitFakeSettings(settings, &pairs, error))
    return false;
  auto fake = std::make_unique<FakeSecurityUtils>();
  for (const auto& [key, value] : pairs) {
    if (!Apply(key, value, fake.get())) {
      *error = "cannot apply \"" + key + "=" + value + "\"";
      return false;
    }
  }
  // Both live until the process ends: the child role uses the fake to the end.
  new base::ProcessWide<SecurityUtils>::ScopedOverride(fake.release());
  return true;
}

}  // namespace velta::test
