// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_HOST_STRINGS_H_
#define DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_HOST_STRINGS_H_

#include <windows.h>

#include "base/process_wide.h"
#include "base/win/scoped_module.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "desktop/windows/l10n_handler/resource_l10n_handler.h"

namespace velta {

// The installer's strings and languages for a test, from the real
// installer.exe beside the test binary (a test binary has no string tables
// of its own), in place of the process's localisation handler until the
// destructor. Tests only.
class ScopedHostStrings {
 public:
  ScopedHostStrings();
  ScopedHostStrings(const ScopedHostStrings&) = delete;
  ScopedHostStrings& operator=(const ScopedHostStrings&) = delete;
  ~ScopedHostStrings();

  bool is_loaded() const { return module_.IsValid(); }

 private:
  base::win::ScopedModule module_;
  ResourceL10nHandler handler_;
  base::ProcessWide<L10nHandler>::ScopedOverride override_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_HOST_STRINGS_H_
