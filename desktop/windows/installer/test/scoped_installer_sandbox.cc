// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/test/scoped_installer_sandbox.h"

#include <utility>

#include "base/base_paths.h"

namespace velta {

ScopedInstallerSandbox::ScopedInstallerSandbox() {
  win_api_.RedirectRegistryRoot(HKEY_CURRENT_USER, HKEY_CURRENT_USER, hkcu_.path());
  win_api_.RedirectRegistryRoot(HKEY_LOCAL_MACHINE, HKEY_LOCAL_MACHINE, hklm_.path());
  win_api_.SetDriveMask(0);
}

ScopedInstallerSandbox::~ScopedInstallerSandbox() = default;

void ScopedInstallerSandbox::OverrideKnownFolders(const base::FilePath& folder) {
  const std::pair<int, const wchar_t*> known_folders[] = {
      {base::DIR_LOCAL_APP_DATA, L"LocalAppData"},
      {base::DIR_USER_DESKTOP, L"Desktop"},
      {base::DIR_PROGRAM_FILESX86, L"ProgramFilesX86"},
      {base::DIR_PROGRAM_FILES6432, L"ProgramFiles"},
      {base::DIR_TASKBAR_PINS, L"Pins"},
      {base::DIR_START_MENU, L"Programs"},
  };
  for (const auto& [key, name] : known_folders) {
    path_overrides_.push_back(
        std::make_unique<base::ScopedPathOverride>(key, folder.Append(name)));
  }
}

}  // namespace velta
