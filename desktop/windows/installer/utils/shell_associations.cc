// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/shell_associations.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <iterator>

#include "base/logging.h"
#include "base/win/get_function.h"
#include "base/win/mingw_sdk_gaps.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/utils/shell_default_apps.h"

namespace velta {

namespace {

using Microsoft::WRL::ComPtr;

// The internal interfaces of the association registration object that set a
// default on legacy builds; they differ between releases, and the first one
// that answers is used.
constexpr IID kLegacyAssociationRegistrationIids[] = {
    {0x5E35B9FB, 0xFB98, 0x4565, {0x8E, 0x0D, 0xB7, 0x46, 0x8D, 0xA3, 0x1B, 0x81}},
    {0x14EBCC88, 0x2831, 0x4FC8, {0xA5, 0xDF, 0x9F, 0x36, 0xA8, 0x1D, 0xB1, 0x2C}},
    {0x1C5C9D10, 0x1225, 0x4C97, {0x8C, 0x51, 0x98, 0xE1, 0xB6, 0xF0, 0xD4, 0xE0}},
    {0x229D59E2, 0xF94A, 0x402E, {0x9A, 0x9F, 0x3B, 0x84, 0xA1, 0xAC, 0xED, 0x77}},
    {0xC7225171, 0xB9A7, 0x4CF7, {0x86, 0x1F, 0x85, 0xAB, 0x7B, 0xA3, 0xC5, 0xB2}},
};

// What SHCreateAssociationRegistration is asked for on later builds, in order.
constexpr IID kAssociationRegistrationIids[] = {
    {0xFC0BE3A5, 0x6BE4, 0x423C, {0xB2, 0x87, 0x24, 0x89, 0x34, 0xE3, 0x79, 0xC7}},
    {0x14EBCC88, 0x2831, 0x4FC8, {0xA5, 0xDF, 0x9F, 0x36, 0xA8, 0x1D, 0xB1, 0x2C}},
    {0x2A848E25, 0xD688, 0x4AA3, {0x8E, 0x55, 0x0C, 0x16, 0xCB, 0x3A, 0x2D, 0xFB}},
};

constexpr IID kProtocolHandlerAssociationIid = {
    0xCA635855, 0xB44E, 0x4541, {0x95, 0x91, 0x9F, 0xAA, 0x53, 0x35, 0x4A, 0x53}};

constexpr uint32_t kFirstNonLegacyBuild = 16299;
constexpr uint32_t kFirstNonLegacyRevision = 248;

constexpr wchar_t kStartMenuInternet[] = L"StartmenuInternet";
constexpr wchar_t kStartMenuInternetKey[] = L"Software\\Clients\\StartMenuInternet";
constexpr wchar_t kSettingsApp[] =
    L"windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.immersivecontrolpanel";
constexpr wchar_t kDefaultAppsPage[] = L"page=SettingsPageAppsDefaults";

ASSOCIATIONTYPE AssociationTypeOf(const std::wstring& name) {
  return IsFileExtension(name) ? AT_FILEEXTENSION : AT_URLPROTOCOL;
}

// Asks `object` for the first of `iids` it answers, as a `T`.
template <typename T, size_t N>
ComPtr<T> QueryFirst(IUnknown* object, const IID (&iids)[N]) {
  for (const IID& iid : iids) {
    ComPtr<T> answer;
    if (SUCCEEDED(object->QueryInterface(iid, reinterpret_cast<void**>(answer.GetAddressOf()))))
      return answer;
  }
  return nullptr;
}

// Whether the handler's name contains `application_name`. The name is
// allocated by the handler and freed here.
bool HandlerNameContains(IAssocHandler* handler, const std::wstring& application_name) {
  wchar_t* name = nullptr;
  if (FAILED(handler->GetName(&name)) || !name)
    return false;
  const bool contains = std::wstring_view(name).find(application_name) != std::wstring_view::npos;
  ::CoTaskMemFree(name);
  return contains;
}

// Reads the default value (or `value_name`) of `root`\`path`. A missing key
// or value is ERROR_FILE_NOT_FOUND.
LONG ReadString(HKEY root, const std::wstring& path, const wchar_t* value_name,
                std::wstring* value) {
  base::win::RegKey key;
  const LONG result = key.Open(root, path.c_str(), KEY_QUERY_VALUE);
  if (result != ERROR_SUCCESS)
    return result;
  return key.ReadValue(value_name, value);
}

}  // namespace

bool IsProtocolName(std::wstring_view name) {
  return !name.empty() && name.front() != L'.';
}

bool IsFileExtension(std::wstring_view name) {
  return !name.empty() && name.front() == L'.';
}

bool IsLegacyAssociationBuild() {
  return IsLegacyAssociationBuild(base::win::OSInfo::GetInstance()->version_number());
}

bool IsLegacyAssociationBuild(const base::win::OSInfo::VersionNumber& version) {
  if (version.build != kFirstNonLegacyBuild)
    return version.build < kFirstNonLegacyBuild;
  return version.patch < kFirstNonLegacyRevision;
}

ComPtr<LegacyAssociationRegistration> GetLegacyAssociationRegistration() {
  ComPtr<IApplicationAssociationRegistration> registration;
  const HRESULT result =
      ::CoCreateInstance(CLSID_ApplicationAssociationRegistration, nullptr,
                         CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                         IID_PPV_ARGS(registration.GetAddressOf()));
  if (FAILED(result)) {
    VLOG(1) << "The association registration object cannot be created: 0x" << std::hex
            << result;
    return nullptr;
  }
  return QueryFirst<LegacyAssociationRegistration>(registration.Get(),
                                                   kLegacyAssociationRegistrationIids);
}

ComPtr<ProtocolHandlerAssociation> GetProtocolHandlerAssociation(
    const std::wstring& protocol,
    const std::wstring& application_name) {
  if (application_name.empty())
    return nullptr;
  // Windows 8 and later only.
  const auto enum_handlers = BASE_WIN_GET_FUNCTION(
      L"shell32.dll", SHAssocEnumHandlersForProtocolByApplication);
  if (!enum_handlers)
    return nullptr;
  ComPtr<IEnumAssocHandlers> handlers;
  if (FAILED(enum_handlers(protocol.c_str(), IID_PPV_ARGS(handlers.GetAddressOf()))) ||
      !handlers) {
    return nullptr;
  }
  for (;;) {
    ComPtr<IAssocHandler> handler;
    ULONG fetched = 0;
    // S_FALSE with nothing fetched ends the list.
    if (handlers->Next(1, handler.GetAddressOf(), &fetched) != S_OK || fetched != 1 || !handler)
      return nullptr;
    if (!HandlerNameContains(handler.Get(), application_name))
      continue;
    ComPtr<ProtocolHandlerAssociation> association;
    if (SUCCEEDED(handler->QueryInterface(kProtocolHandlerAssociationIid,
                                          reinterpret_cast<void**>(association.GetAddressOf())))) {
      return association;
    }
  }
}

ComPtr<AssociationRegistration> GetAssociationRegistration() {
  for (const IID& iid : kAssociationRegistrationIids) {
    ComPtr<AssociationRegistration> registration;
    if (SUCCEEDED(::SHCreateAssociationRegistration(
            iid, reinterpret_cast<void**>(registration.GetAddressOf()))) &&
        registration) {
      return registration;
    }
  }
  return nullptr;
}

bool IsAssociationRegistrationAvailable() {
  if (IsLegacyAssociationBuild())
    return GetLegacyAssociationRegistration() != nullptr;
  return GetProtocolHandlerAssociation(L"http", L"Internet Explorer") &&
         GetAssociationRegistration();
}

bool SetDefaultHandler(const std::wstring& app_id,
                       const std::wstring& application_name,
                       const std::wstring& prog_id,
                       const std::wstring& name) {
  if (name.empty())
    return false;
  HRESULT result = E_NOINTERFACE;
  if (IsLegacyAssociationBuild()) {
    if (auto registration = GetLegacyAssociationRegistration())
      result = registration->SetAppAsDefault(app_id.c_str(), name.c_str(), IsProtocolName(name));
  } else if (IsProtocolName(name)) {
    if (auto handler = GetProtocolHandlerAssociation(name, application_name))
      result = handler->MakeDefault(0);
  } else if (auto registration = GetAssociationRegistration()) {
    result = registration->SetDefault(prog_id.c_str(), name.c_str(), 0);
  }
  VLOG(1) << "Setting the default handler of " << name << ": 0x" << std::hex << result;
  return SUCCEEDED(result);
}

bool IsAppDefaultStartMenuInternet(const std::wstring& app_registry_name) {
  // The answer is left unset when the query fails.
  BOOL is_default = FALSE;
  const HRESULT result = ShellDefaultApps::GetInstance()->QueryAppIsDefault(
      kStartMenuInternet, AT_STARTMENUCLIENT, AL_EFFECTIVE, app_registry_name, &is_default);
  if (FAILED(result)) {
    VLOG(1) << "Cannot ask whether " << app_registry_name
            << " is the default Internet client: 0x" << std::hex << result;
    return false;
  }
  return is_default != FALSE;
}

bool SetAppAsDefaultFor(const std::wstring& app_registry_name, const std::wstring& name) {
  if (name.empty())
    return false;
  const HRESULT result = ShellDefaultApps::GetInstance()->SetAppAsDefault(
      app_registry_name, name, AssociationTypeOf(name));
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to make " << app_registry_name << " the default for " << name
               << ": 0x" << std::hex << result;
  }
  return SUCCEEDED(result);
}

bool SetAppAsDefaultStartMenuInternet(const std::wstring& app_registry_name) {
  const HRESULT result = ShellDefaultApps::GetInstance()->SetAppAsDefault(
      app_registry_name, kStartMenuInternet, AT_STARTMENUCLIENT);
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to make " << app_registry_name << " the default Internet client: 0x"
               << std::hex << result;
  }
  return SUCCEEDED(result);
}

bool ShowOpenWithDialogFor(const std::wstring& name) {
  if (name.empty())
    return false;
  OPEN_AS_INFO_FLAGS flags = OAIF_REGISTER_EXT | OAIF_FORCE_REGISTRATION;
  // Marking a file extension as a URL protocol would register it as one.
  if (IsProtocolName(name))
    flags |= OAIF_URL_PROTOCOL;
  ShellDefaultApps* shell = ShellDefaultApps::GetInstance();
  const HRESULT result = shell->ShowOpenWithDialog(name, flags);
  if (FAILED(result)) {
    VLOG(1) << "The Open-With dialog for " << name << " ended with 0x" << std::hex << result;
    return false;
  }
  shell->NotifyAssociationsChanged();
  return true;
}

bool OpenDefaultAppsSettings(const std::wstring& name) {
  const wchar_t* target = L"SettingsPageAppsDefaultsProtocolView";
  if (name == L"http")
    target = L"SystemSettings_DefaultApps_Browser";
  else if (name == L"mailto")
    target = L"SystemSettings_DefaultApps_Email";
  ShellDefaultApps* shell = ShellDefaultApps::GetInstance();
  HRESULT result = shell->ActivateApplication(kSettingsApp, kDefaultAppsPage);
  if (SUCCEEDED(result)) {
    result = shell->ActivateApplication(kSettingsApp,
                                        std::wstring(kDefaultAppsPage) + L"&target=" + target);
  }
  if (FAILED(result)) {
    LOG(ERROR) << "Failed to open the default-apps settings for " << name << ": 0x" << std::hex
               << result;
  }
  return SUCCEEDED(result);
}

bool ReadOpenCommand(const std::wstring& name, bool machine_level, std::wstring* command) {
  return ReadOpenCommand(AssociationKeys(), name, machine_level, command);
}

bool ReadOpenCommand(const AssociationKeys& keys,
                     const std::wstring& name,
                     bool machine_level,
                     std::wstring* command) {
  // A backslash would lead the reads into other keys.
  if (name.empty() || name.find(L'\\') != std::wstring::npos)
    return false;
  const bool is_extension = IsFileExtension(name);
  std::wstring prog_id;
  if (!machine_level) {
    const std::wstring user_choice =
        keys.user_prefix + L"Software\\Microsoft\\Windows\\" +
        (is_extension ? L"CurrentVersion\\Explorer\\FileExts\\"
                      : L"Shell\\Associations\\UrlAssociations\\") +
        name + L"\\UserChoice";
    const LONG result = ReadString(keys.user_root, user_choice, L"ProgId", &prog_id);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
      VLOG(1) << "Cannot read the user's choice for " << name << ": " << result;
      return false;
    }
  }
  HKEY classes_root = keys.classes_root;
  std::wstring classes_prefix = keys.classes_prefix;
  if (machine_level) {
    classes_root = keys.machine_root;
    classes_prefix = keys.machine_prefix + L"SOFTWARE\\Classes\\";
  }
  if (prog_id.empty()) {
    if (!is_extension)
      prog_id = name;
    else if (ReadString(classes_root, classes_prefix + name, L"", &prog_id) != ERROR_SUCCESS)
      return false;
  }
  // An empty or misplaced ProgID would read some other key's command.
  if (prog_id.empty() || prog_id.find(L'\\') != std::wstring::npos)
    return false;
  return ReadString(classes_root, classes_prefix + prog_id + L"\\shell\\open\\command", L"",
                    command) == ERROR_SUCCESS;
}

bool ReadStartMenuInternetClient(std::wstring* client) {
  return ReadStartMenuInternetClient(AssociationKeys(), client);
}

bool ReadStartMenuInternetClient(const AssociationKeys& keys, std::wstring* client) {
  const LONG result =
      ReadString(keys.user_root, keys.user_prefix + kStartMenuInternetKey, L"", client);
  if (result != ERROR_FILE_NOT_FOUND)
    return result == ERROR_SUCCESS;
  return ReadString(keys.machine_root, keys.machine_prefix + kStartMenuInternetKey, L"",
                    client) == ERROR_SUCCESS;
}

}  // namespace velta
