// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/protocol_handler_setup_impl.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>

#include "base/logging.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/installation/installation_impl.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/utils/shell_associations.h"

namespace velta {

std::unique_ptr<ProtocolHandlerSetup> CreateProtocolHandlerSetup() {
  return std::make_unique<ProtocolHandlerSetupImpl>();
}

ProtocolHandlerSetupImpl::ProtocolHandlerSetupImpl() = default;
ProtocolHandlerSetupImpl::~ProtocolHandlerSetupImpl() = default;

void ProtocolHandlerSetupImpl::Setup(Settings* settings, const InstallationStatus* status) {
  if (settings->IsCopyOnly())
    return;
  if (base::win::GetVersion() >= base::win::VERSION_WIN10 &&
      !IsAssociationRegistrationAvailable()) {
    if (IsSilentRun() || settings->GetFolderDetails()->IsHttpHandler()) {
      VLOG(1) << "No association interfaces; the handlers are left as they are";
      return;
    }
  }
  InstallationImpl installation(
      settings->GetFolderDetails()->GetPath(),
      status ? std::make_unique<InstallationStatus>(*status) : nullptr);
  if (settings->IsDefaultBrowser()) {
    if (settings->IsAllUsers()) {
      LOG(INFO) << "Storing old default browser settings for all users";
      installation.RememberPreviousDefaultBrowser(true);
      installation.MakeDefaultBrowser(true);
    }
    LOG(INFO) << "Storing old default browser settings for current users";
    installation.RememberPreviousDefaultBrowser(false);
    installation.MakeDefaultBrowser(false);
  } else {
    LOG(INFO) << "Setting up file handlers for the current user.";
    installation.RegisterProgId(false);
  }
  ::SendNotifyMessageW(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                       reinterpret_cast<LPARAM>(L"Software\\Clients\\StartMenuInternet"));
  ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

}  // namespace velta
