// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_FAKE_SHELL_DEFAULT_APPS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_FAKE_SHELL_DEFAULT_APPS_H_

#include <deque>
#include <string>
#include <vector>

#include "desktop/windows/installer/utils/shell_default_apps.h"

namespace velta {

// ShellDefaultApps for tests, for the calls Wine does not implement: records
// every call as one line of text ("SetAppAsDefault Velta .html 0") and
// answers each with the next queued result, S_OK once the queue is empty.
// Changes nothing on the system. One thread.
class FakeShellDefaultApps : public ShellDefaultApps {
 public:
  FakeShellDefaultApps();
  FakeShellDefaultApps(const FakeShellDefaultApps&) = delete;
  FakeShellDefaultApps& operator=(const FakeShellDefaultApps&) = delete;
  ~FakeShellDefaultApps() override;

  // Queues the result of the next call that returns one.
  void QueueResult(HRESULT result) { results_.push_back(result); }
  // What QueryAppIsDefault writes to its answer, whatever it returns.
  void set_is_default(BOOL value) { is_default_ = value; }

  // Every call, in order: the method's name and its arguments, space
  // separated, numbers in decimal.
  const std::vector<std::wstring>& calls() const { return calls_; }

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

 private:
  HRESULT Record(std::wstring call);

  std::deque<HRESULT> results_;
  BOOL is_default_ = FALSE;
  std::vector<std::wstring> calls_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_FAKE_SHELL_DEFAULT_APPS_H_
