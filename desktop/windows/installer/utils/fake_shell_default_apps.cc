// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/fake_shell_default_apps.h"

#include <utility>

namespace velta {

FakeShellDefaultApps::FakeShellDefaultApps() = default;

FakeShellDefaultApps::~FakeShellDefaultApps() = default;

HRESULT FakeShellDefaultApps::QueryAppIsDefault(const std::wstring& query,
                                                ASSOCIATIONTYPE type,
                                                ASSOCIATIONLEVEL level,
                                                const std::wstring& app_registry_name,
                                                BOOL* is_default) {
  *is_default = is_default_;
  return Record(L"QueryAppIsDefault " + query + L" " + std::to_wstring(type) + L" " +
                std::to_wstring(level) + L" " + app_registry_name);
}

HRESULT FakeShellDefaultApps::SetAppAsDefault(const std::wstring& app_registry_name,
                                              const std::wstring& query,
                                              ASSOCIATIONTYPE type) {
  return Record(L"SetAppAsDefault " + app_registry_name + L" " + query + L" " +
                std::to_wstring(type));
}

HRESULT FakeShellDefaultApps::ShowOpenWithDialog(const std::wstring& name,
                                                 OPEN_AS_INFO_FLAGS flags) {
  return Record(L"ShowOpenWithDialog " + name + L" " + std::to_wstring(flags));
}

HRESULT FakeShellDefaultApps::ActivateApplication(const std::wstring& app_user_model_id,
                                                  const std::wstring& arguments) {
  return Record(L"ActivateApplication " + app_user_model_id + L" " + arguments);
}

void FakeShellDefaultApps::NotifyAssociationsChanged() {
  calls_.push_back(L"NotifyAssociationsChanged");
}

HRESULT FakeShellDefaultApps::Record(std::wstring call) {
  calls_.push_back(std::move(call));
  if (results_.empty())
    return S_OK;
  const HRESULT result = results_.front();
  results_.pop_front();
  return result;
}

}  // namespace velta
