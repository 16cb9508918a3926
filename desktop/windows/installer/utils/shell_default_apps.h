// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_DEFAULT_APPS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_DEFAULT_APPS_H_

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <string>

namespace velta {

// The shell's documented default-application calls: the association
// registration object, the Open-With dialog, the application activation
// manager and the association-change notification. A thin seam, one system
// call per method and no decisions, so that the logic in shell_associations
// can be tested where the shell lacks these calls (tests put a fake in place
// with base::ProcessWide<ShellDefaultApps>::ScopedOverride). Every method needs COM
// initialised on the calling thread.
class ShellDefaultApps {
 public:
  // The process-wide instance (the real one unless a test put a fake in
  // place). Made on first use, on the main thread.
  static ShellDefaultApps* GetInstance();

  virtual ~ShellDefaultApps() = default;

  // IApplicationAssociationRegistration::QueryAppIsDefault. `*is_default` is
  // meaningful only when the result succeeded.
  virtual HRESULT QueryAppIsDefault(const std::wstring& query,
                                    ASSOCIATIONTYPE type,
                                    ASSOCIATIONLEVEL level,
                                    const std::wstring& app_registry_name,
                                    BOOL* is_default) = 0;

  // IApplicationAssociationRegistration::SetAppAsDefault.
  virtual HRESULT SetAppAsDefault(const std::wstring& app_registry_name,
                                  const std::wstring& query,
                                  ASSOCIATIONTYPE type) = 0;

  // SHOpenWithDialog for `name` (a file extension or a protocol) with no
  // owner window; blocks until the user closes the dialog.
  virtual HRESULT ShowOpenWithDialog(const std::wstring& name, OPEN_AS_INFO_FLAGS flags) = 0;

  // IApplicationActivationManager::ActivateApplication, after
  // CoAllowSetForegroundWindow on the manager so that the started
  // application may take the foreground.
  virtual HRESULT ActivateApplication(const std::wstring& app_user_model_id,
                                      const std::wstring& arguments) = 0;

  // SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, null, null).
  virtual void NotifyAssociationsChanged() = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_DEFAULT_APPS_H_
