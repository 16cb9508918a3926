// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/setup_registry_step.h"

#include <windows.h>

#include <optional>
#include <string>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/registry_record.h"
#include "desktop/windows/installer/transactions/registry_templates.h"

namespace velta {

namespace {

constexpr char kUninstallFailure[] = "Failed writing uninstallation information";
constexpr wchar_t kRunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t kUninstallKeyTemplate[] = L"{Uninstall}";

// The first name under `root` that does not exist in the 32-bit view, or
// nothing when every candidate exists or cannot be opened.
std::optional<std::wstring> FindFreeUninstallKeyName(HKEY root) {
  const std::wstring base = GetUninstallRegistryPath() + L"\\" +
                            base::UTF8ToWide(GetBrandName() + " " + GetProductVersion());
  for (int index = 0; index < SetupRegistryStep::kMaxUninstallKeyCandidates; ++index) {
    const std::wstring name = index == 0 ? base : base + std::to_wstring(index);
    HKEY key = nullptr;
    const LSTATUS status = ::RegOpenKeyExW(root, name.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key);
    if (status == ERROR_SUCCESS) {
      ::RegCloseKey(key);
      continue;
    }
    if (status == ERROR_FILE_NOT_FOUND)
      return name;
    VLOG(1) << "Uninstall key candidate cannot be opened (" << status << "); trying the next";
  }
  return std::nullopt;
}

}  // namespace

SetupRegistryStep::SetupRegistryStep(InstallerContext* context, std::wstring* scheduler_text)
    : InstallerStep(context, "setup_registry"), scheduler_text_(scheduler_text) {}

SetupRegistryStep::~SetupRegistryStep() = default;

StepResult& SetupRegistryStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  Settings* settings = GetSettings();
  if (settings->IsCopyOnly())
    return result;
  LOG(INFO) << "Setting up the registry";
  const HKEY root = settings->IsAllUsers() ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  std::optional<std::wstring> uninstall_key = FindFreeUninstallKeyName(root);
  if (!uninstall_key) {
    LOG(ERROR) << "No free uninstall key name among "
               << SetupRegistryStep::kMaxUninstallKeyCandidates << " candidates";
    result = StepResult(StepResult::kFailure, 1, std::wstring(), kUninstallFailure);
    return result;
  }
  *scheduler_text_ = *uninstall_key;
  VLOG(1) << "Uninstall key: " << base::WideToUTF8(*uninstall_key);

  InstallerContext* context = GetContext();
  const bool launch_on_start = InterprocessState::GetInstance()->LaunchOnOsStart();
  context->StartRegistryRecording();
  for (const RegistryTemplate& record : GetRegistryTemplates()) {
    const std::wstring key(record.key);
    if (key == kRunOnceKey && !launch_on_start)
      continue;
    const bool written = ApplyRegistryTemplate(record, root, context->GetPlaceholderResolver(),
                                               context->GetTransaction(),
                                               context->GetOperationFactory());
    VLOG(1) << (written ? "Written" : "Failed writing ")
            << (record.value_name ? " value " + base::WideToUTF8(record.value_name) + " to key "
                                  : std::string(" default value to key "))
            << base::WideToUTF8(key);
    if (!written && key == kUninstallKeyTemplate) {
      LOG(ERROR) << kUninstallFailure;
      context->StopRegistryRecording();
      result = StepResult(StepResult::kFailure, 1, std::wstring(), kUninstallFailure);
      return result;
    }
  }
  context->StopRegistryRecording();
  return result;
}

}  // namespace velta
