// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/register_protocol_handlers_step.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "base/command_line.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/installation/installation.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

bool IsUrlSchemeName(const std::wstring& name) {
  if (name.empty() || !base::IsAsciiAlpha(name[0]))
    return false;
  return std::all_of(name.begin(), name.end(), [](wchar_t c) {
    return base::IsAsciiAlpha(c) || base::IsAsciiDigit(c) || c == L'+' || c == L'-' || c == L'.';
  });
}

RegisterProtocolHandlersStep::RegisterProtocolHandlersStep(InstallerContext* context)
    : InstallerStep(context, "register_protocol_handlers") {}

RegisterProtocolHandlersStep::~RegisterProtocolHandlersStep() = default;

StepResult& RegisterProtocolHandlersStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  const InstallationStatus* existing = GetFolderDetails()->GetExistingInstallation();
  if (!existing)
    return result;
  const std::wstring protocol = base::CommandLine::ForCurrentProcess()->GetSwitchValueNative(
      kRegisterProtocolHandlerSwitch);
  if (!IsUrlSchemeName(protocol)) {
    LOG(ERROR) << "Not a protocol name: " << base::WideToUTF8(protocol);
    return result;
  }
  const std::wstring client = base::UTF8ToWide(GetBrandName() + GetChannelName());
  const std::wstring key =
      L"SOFTWARE\\Clients\\StartMenuInternet\\" + client + L"\\Capabilities\\URLAssociations";
  // Only a key the installation recorded is written to (and so removed with
  // it again): nothing is made for a folder that never registered it.
  const std::string recorded_path = base::WideToUTF8(key);
  const bool recorded =
      std::any_of(existing->hklm_keys.begin(), existing->hklm_keys.end(),
                  [&](const RegistryKeyEntry& entry) {
                    return base::EqualsCaseInsensitiveASCII(entry.path, recorded_path);
                  });
  if (!recorded) {
    VLOG(1) << "The installation recorded no URL associations key";
    return result;
  }
  base::win::RegKey associations;
  if (associations.Create(HKEY_LOCAL_MACHINE, key.c_str(), KEY_WRITE) != ERROR_SUCCESS ||
      associations.WriteValue(protocol.c_str(), client.c_str()) != ERROR_SUCCESS) {
    LOG(ERROR) << "Cannot write the URL association of " << base::WideToUTF8(protocol);
    return result;
  }
  Installation::GetCurrent()->SetAsDefaultFor(protocol, false);
  return result;
}

}  // namespace velta
