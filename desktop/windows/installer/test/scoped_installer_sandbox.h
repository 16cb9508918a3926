// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_SANDBOX_H_
#define DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_SANDBOX_H_

#include <memory>
#include <vector>

#include "base/files/file_path.h"
#include "base/process_wide.h"
#include "base/test/registry_sandbox.h"
#include "base/test/scoped_path_override.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"

namespace velta {

// What the settings and the folder details reach outside the test, kept
// inside it: HKCU and HKLM lead to the test's own keys (through a FakeWinApi
// that is otherwise real), no drive offers room for a standalone copy unless
// the test adds one, the security utilities are fakes, and, once asked, the
// known folders the settings use lie in a folder of the test. Everything is
// put back by the destructor. Main thread; tests only.
class ScopedInstallerSandbox {
 public:
  ScopedInstallerSandbox();
  ScopedInstallerSandbox(const ScopedInstallerSandbox&) = delete;
  ScopedInstallerSandbox& operator=(const ScopedInstallerSandbox&) = delete;
  ~ScopedInstallerSandbox();

  bool is_valid() const { return hkcu_.is_valid() && hklm_.is_valid(); }

  // The local application data, desktop, program files (both), taskbar pins
  // and start menu folders become subfolders of `folder`.
  void OverrideKnownFolders(const base::FilePath& folder);

  FakeWinApi& win_api() { return win_api_; }
  FakeSecurityUtils& security() { return security_; }
  const test::RegistrySandbox& hkcu() const { return hkcu_; }
  const test::RegistrySandbox& hklm() const { return hklm_; }

 private:
  test::RegistrySandbox hkcu_{HKEY_CURRENT_USER};
  test::RegistrySandbox hklm_{HKEY_LOCAL_MACHINE};
  FakeWinApi win_api_;
  base::ProcessWide<WinApi>::ScopedOverride win_api_override_{&win_api_};
  FakeSecurityUtils security_;
  base::ProcessWide<SecurityUtils>::ScopedOverride security_override_{&security_};
  std::vector<std::unique_ptr<base::ScopedPathOverride>> path_overrides_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_SANDBOX_H_
