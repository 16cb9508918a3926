// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/shortcuts.h"

#include <memory>
#include <optional>
#include <string>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_info.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/steps/shortcut_step.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "desktop/windows/installer/utils/taskband_utils.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

constexpr wchar_t kAppIdPrefix[] = L"VeltaSoftware.VeltaWebBrowser.";
constexpr int kStartMenuLocation = 1;

// The web shortcut pinned beside the browser: its word (also its icon's
// and shortcut's name) and its address, by the install language.
struct WebShortcut {
  const wchar_t* word;
  const wchar_t* address;
};

WebShortcut GetWebShortcut(const std::wstring& language) {
  if (language == L"ru")
    return {L"vk", L"https://vk.com/"};
  return {L"facebook", L"https://www.facebook.com/"};
}

bool DeleteThenCopy(InstallerContext* context,
                    const base::FilePath& master,
                    const base::FilePath& destination) {
  OperationFactory* factory = context->GetOperationFactory();
  Transaction* transaction = context->GetTransaction();
  std::unique_ptr<Operation> removal =
      factory->CreateDeleteFile(destination, ProgramInUse::kDelete, EmptyParents::kKeep);
  transaction->Execute(removal, nullptr);
  std::unique_ptr<Operation> copy = factory->CreateCopyFile(master, destination);
  std::string error;
  if (!transaction->Execute(copy, &error)) {
    LOG(ERROR) << "Cannot put the shortcut at " << destination << ": " << error;
    return false;
  }
  return true;
}

// The extra web shortcut of a pinned installation.
bool CreateWebShortcut(ShortcutStep* step, const base::FilePath& target) {
  base::FilePath target_folder;
  step->GetInstallTargetFolder(&target_folder);
  const base::FilePath resources = target_folder.Append(kResourcesFolderName);
  const std::optional<std::string> medium =
      GetTrackingData()->GetString(ServerTrackingBlob::kMediumKey);
  if ((!medium || *medium != "pb") &&
      !base::PathExists(resources.Append(kTrackingUserAgentFileName))) {
    return true;
  }
  const WebShortcut site = GetWebShortcut(step->GetSettings()->GetLanguage());
  base::FilePath package_dir;
  step->GetPackageDir(&package_dir);
  const base::FilePath shortcut = package_dir.Append(std::wstring(site.word) + L".lnk");
  base::win::ShortcutProperties properties;
  properties.set_target(target);
  properties.set_working_dir(target.DirName());
  properties.set_arguments(site.address);
  properties.set_icon(resources.Append(std::wstring(site.word) + L"_icon.ico"), 0);
  properties.set_app_id(kAppIdPrefix + GetSuffixedAppId(*step->GetNewInstallationStatus()));
  LOG(INFO) << "Creating " << site.word << " shortcut at " << shortcut;
  if (!base::win::CreateOrUpdateShortcutLink(shortcut, properties,
                                             base::win::SHORTCUT_CREATE_ALWAYS)) {
    LOG(ERROR) << "Failed to create " << site.word << " shortcut at " << shortcut;
    return false;
  }
  LOG(INFO) << "Pinning " << site.word << " shortcut";
  if (!step->taskband_utils()->Pin(target_folder, shortcut, TaskbandUtils::PinMode::kPin))
    LOG(ERROR) << "Failed pinning " << site.word << ": " << shortcut;
  return true;
}

}  // namespace

std::wstring GetShortcutName() {
  return ProductInfo::GetInstance()->GetShortcutFileName(
      GetL10nString(IDS_SHORTCUT_DISPLAY_NAME));
}

bool CreateShortcuts(ShortcutStep* step,
                     ShortcutLocation locations[3],
                     bool pin,
                     const base::FilePath& target) {
  InstallerContext* context = step->GetContext();
  base::win::ShortcutProperties properties;
  properties.set_target(target);
  properties.set_working_dir(target.DirName());
  properties.set_app_id(kAppIdPrefix + step->GetNewInstallationStatus()->app_id);
  const std::wstring name = GetShortcutName();
  LOG(INFO) << "Using shortcut name " << name;
  LOG(INFO) << "Creating master shortcut";
  base::FilePath package_dir;
  step->GetPackageDir(&package_dir);
  const base::FilePath master = package_dir.Append(name);
  LOG(INFO) << "Creating master shortcut at " << master;
  if (!base::win::CreateOrUpdateShortcutLink(master, properties,
                                             base::win::SHORTCUT_CREATE_ALWAYS)) {
    LOG(ERROR) << "Failed to create shortcut at " << master;
    return false;
  }
  base::FilePath target_folder;
  step->GetInstallTargetFolder(&target_folder);
  TaskbandUtils* taskband = step->taskband_utils();
  if (pin) {
    LOG(INFO) << "Pinning master shortcut";
    if (!taskband->Pin(target_folder, master, TaskbandUtils::PinMode::kPin))
      LOG(ERROR) << "Failed pinning " << master;
  }
  bool start_menu_copied = false;
  for (int i = 0; i < 3; ++i) {
    if (locations[i].action != ShortcutLocation::kCreate)
      continue;
    const base::FilePath destination = locations[i].folder.Append(name);
    if (DeleteThenCopy(context, master, destination)) {
      *locations[i].recorded_path = destination;
      if (i == kStartMenuLocation)
        start_menu_copied = true;
    }
  }
  if ((locations[kStartMenuLocation].action != ShortcutLocation::kCreate || start_menu_copied) &&
      WinApi::GetInstance()->GetWindowsVersion() >= base::win::VERSION_WIN10 &&
      !IsAutoupdateRun() && !taskband->PinToStart(target_folder, master)) {
    LOG(ERROR) << "Failed pinning (S) " << master;
  }
  if (pin && !CreateWebShortcut(step, target))
    return false;
  return true;
}

void UnpinAndDeleteShortcuts(ShortcutStep* step, const std::vector<base::FilePath>& paths) {
  InstallerContext* context = step->GetContext();
  for (const base::FilePath& path : paths) {
    LOG(INFO) << "Unpinning shortcut " << path;
    const bool unpinned = step->taskband_utils()->Unpin(path);
    LOG(INFO) << "Unpinning " << (unpinned ? "successful" : "failed");
    std::unique_ptr<Operation> removal = context->GetOperationFactory()->CreateDeleteFile(
        path, ProgramInUse::kDelete, EmptyParents::kKeep);
    context->GetTransaction()->Execute(removal, nullptr);
  }
}

}  // namespace velta
