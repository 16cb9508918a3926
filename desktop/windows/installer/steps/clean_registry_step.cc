// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/clean_registry_step.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/logging.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/install_folder_path.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation/installation.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

namespace {

// Keys many programs keep their entries under.
constexpr const wchar_t* kSharedKeys[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts",
    L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations",
    L"Software\\Clients\\StartMenuInternet",
    L"Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
};

std::vector<std::wstring> Components(const std::wstring& key) {
  return base::SplitString(key, L"\\", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
}

}  // namespace

bool IsSharedRegistryKey(const std::wstring& key) {
  const std::vector<std::wstring> parts = Components(key);
  if (parts.size() < 3)
    return true;
  for (const wchar_t* shared : kSharedKeys) {
    const std::vector<std::wstring> shared_parts = Components(shared);
    if (parts.size() > shared_parts.size())
      continue;
    bool is_ancestor_or_same = true;
    for (size_t i = 0; i < parts.size() && is_ancestor_or_same; ++i)
      is_ancestor_or_same = base::EqualsCaseInsensitiveASCII(parts[i], shared_parts[i]);
    if (is_ancestor_or_same)
      return true;
  }
  return false;
}

std::wstring RemoveLastKeyComponents(const std::wstring& key, uint32_t levels) {
  std::vector<std::wstring> parts = Components(key);
  if (levels >= parts.size())
    return std::wstring();
  parts.resize(parts.size() - levels);
  std::wstring joined;
  for (const std::wstring& part : parts)
    joined += (joined.empty() ? L"" : L"\\") + part;
  return joined;
}

CleanRegistryStep::CleanRegistryStep(InstallerContext* context,
                                     ExecutableArchitecture launcher_architecture)
    : InstallerStep(context, "clean_registry"), launcher_architecture_(launcher_architecture) {}

CleanRegistryStep::~CleanRegistryStep() = default;

StepResult& CleanRegistryStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  LOG(INFO) << "Cleaning up registry";
  const InstallationStatus* existing = GetExistingInstallation();
  if (!existing)
    return result;
  OperationFactory* factory = GetContext()->GetOperationFactory();
  Transaction* transaction = GetContext()->GetTransaction();
  const std::wstring uninstall_path = GetUninstallRegistryPath();
  const std::wstring install_folder = GetSettings()->GetInstallFolder().value();
  const struct {
    HKEY root;
    const std::vector<RegistryKeyEntry>* keys;
  } roots[] = {{HKEY_CURRENT_USER, &existing->hkcu_keys},
               {HKEY_LOCAL_MACHINE, &existing->hklm_keys}};
  for (const auto& [root, keys] : roots) {
    for (const RegistryKeyEntry& record : *keys) {
      const std::wstring key = base::UTF8ToWide(record.path);
      LOG(INFO) << "Cleanup for key " << record.path << " with depth " << record.clean;
      const bool is_uninstall =
          base::StartsWith(key, uninstall_path, base::CompareCase::INSENSITIVE_ASCII);
      if (launcher_architecture_ == ExecutableArchitecture::kOther && is_uninstall) {
        base::win::RegKey native(root, key.c_str(), KEY_READ);
        std::wstring location;
        if (native.Valid() && native.ReadValue(L"InstallLocation", &location) == ERROR_SUCCESS &&
            IsSameInstallFolder(base::FilePath(location), base::FilePath(install_folder)) &&
            !IsSharedRegistryKey(key)) {
          std::unique_ptr<Operation> removal =
              factory->CreateDeleteRegKey(root, key, RegistryView::kDefault);
          transaction->Execute(removal, nullptr);
        }
      }
      const RegistryView view = is_uninstall ? RegistryView::k32Bit : RegistryView::kDefault;
      if (record.clean >= RegistryKeyEntry::kCleanKey) {
        const std::wstring target =
            RemoveLastKeyComponents(key, static_cast<uint32_t>(record.clean - 1));
        if (IsSharedRegistryKey(target)) {
          LOG(ERROR) << "Not deleting the shared key " << base::WideToUTF8(target)
                     << " that a record of depth " << record.clean << " names";
          continue;
        }
        std::unique_ptr<Operation> removal = factory->CreateDeleteRegKey(root, target, view);
        transaction->Execute(removal, nullptr);
        continue;
      }
      for (const RegistryValueEntry& value : record.values) {
        std::unique_ptr<Operation> removal = factory->CreateChangeRegValue(
            root, key, base::UTF8ToWide(value.name), std::nullopt, view);
        transaction->Execute(removal, nullptr);
      }
    }
  }
  Installation* current = Installation::GetCurrent();
  current->RemoveLiteralProgIdKey(false);
  if (!existing->hklm_keys.empty())
    current->RemoveLiteralProgIdKey(true);
  return result;
}

}  // namespace velta
