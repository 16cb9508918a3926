// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_DEFAULT_APPS_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_DEFAULT_APPS_IMPL_H_

#include <string>

#include "desktop/windows/installer/utils/shell_default_apps.h"

namespace velta {

// The real shell calls. Holds no state: each call creates the COM object it
// needs and releases it before returning.
class ShellDefaultAppsImpl : public ShellDefaultApps {
 public:
  ShellDefaultAppsImpl() = default;
  ShellDefaultAppsImpl(const ShellDefaultAppsImpl&) = delete;
  ShellDefaultAppsImpl& operator=(const ShellDefaultAppsImpl&) = delete;
  ~ShellDefaultAppsImpl() override = default;

  HRESULT QueryAppIsDefault(const std::wstring& query,
                            ASSOCIATIONTYPE type,
                            ASSOCIATIONLEVEL level,
                            const std::wstring& app_registry_name,
                            BOOL* is_default) override;
  HRESULT SetAppAsDefault(const std::wstring& app_registry_name,
                          const std::wstring& query,
                          ASSOCIATIONTYPE type) override;
  HRESULT ShowOpenWithDialog(const std::wstring& name, OPEN_AS_INFO_FLAGS flags) override;
  HRESULT ActivateApplication(const std::wstring& app_user_model_id,
                              const std::wstring& arguments) override;
  void NotifyAssociationsChanged() override;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_DEFAULT_APPS_IMPL_H_
