// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/shell_default_apps_impl.h"

#include <wrl/client.h>

#include "base/process_wide.h"
#include "base/win/mingw_sdk_gaps.h"

namespace velta {

namespace {

using Microsoft::WRL::ComPtr;

HRESULT CreateAssociationRegistration(ComPtr<IApplicationAssociationRegistration>* registration) {
  return ::CoCreateInstance(CLSID_ApplicationAssociationRegistration, nullptr,
                            CLSCTX_INPROC_SERVER, IID_PPV_ARGS(registration->GetAddressOf()));
}

}  // namespace

// static
ShellDefaultApps* ShellDefaultApps::GetInstance() {
  return base::ProcessWide<ShellDefaultApps>::GetOrCreate<ShellDefaultAppsImpl>();
}

HRESULT ShellDefaultAppsImpl::QueryAppIsDefault(const std::wstring& query,
                                                ASSOCIATIONTYPE type,
                                                ASSOCIATIONLEVEL level,
                                                const std::wstring& app_registry_name,
                                                BOOL* is_default) {
  ComPtr<IApplicationAssociationRegistration> registration;
  HRESULT result = CreateAssociationRegistration(&registration);
  if (FAILED(result))
    return result;
  return registration->QueryAppIsDefault(query.c_str(), type, level, app_registry_name.c_str(),
                                         is_default);
}

HRESULT ShellDefaultAppsImpl::SetAppAsDefault(const std::wstring& app_registry_name,
                                              const std::wstring& query,
                                              ASSOCIATIONTYPE type) {
  ComPtr<IApplicationAssociationRegistration> registration;
  HRESULT result = CreateAssociationRegistration(&registration);
  if (FAILED(result))
    return result;
  return registration->SetAppAsDefault(app_registry_name.c_str(), query.c_str(), type);
}

HRESULT ShellDefaultAppsImpl::ShowOpenWithDialog(const std::wstring& name,
                                                 OPEN_AS_INFO_FLAGS flags) {
  OPENASINFO info = {};
  info.pcszFile = name.c_str();
  info.oaifInFlags = flags;
  return ::SHOpenWithDialog(nullptr, &info);
}

HRESULT ShellDefaultAppsImpl::ActivateApplication(const std::wstring& app_user_model_id,
                                                  const std::wstring& arguments) {
  ComPtr<IApplicationActivationManager> manager;
  HRESULT result = ::CoCreateInstance(CLSID_ApplicationActivationManager, nullptr,
                                      CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(manager.GetAddressOf()));
  if (FAILED(result))
    return result;
  // Only lets the activated application take the foreground; a refusal does
  // not stop the activation.
  ::CoAllowSetForegroundWindow(manager.Get(), nullptr);
  DWORD process_id = 0;
  return manager->ActivateApplication(app_user_model_id.c_str(), arguments.c_str(), AO_NONE,
                                      &process_id);
}

void ShellDefaultAppsImpl::NotifyAssociationsChanged() {
  ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace velta
