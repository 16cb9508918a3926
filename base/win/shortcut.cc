// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <propkey.h>
#include <propsys.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <ios>
#include <vector>

#include "base/logging.h"
#include "base/win/scoped_propvariant.h"

namespace base::win {
namespace {

using Microsoft::WRL::ComPtr;

// Room for any text a link stores: arguments may be far longer than
// MAX_PATH, and a buffer that is too short truncates without an error.
constexpr int kMaxLinkText = 32768;

void LogFailure(const char* what, const FilePath& shortcut_path, HRESULT hr) {
  LOG(ERROR) << what << " " << shortcut_path << ": 0x" << std::hex
             << static_cast<uint32_t>(hr);
}

// A new, empty shell link for `shortcut_path`; with `load`, the link read
// from that file. False (logged) when COM cannot make it or the file cannot
// be read.
bool InitializeShortcutInterfaces(const FilePath& shortcut_path,
                                  bool load,
                                  ComPtr<IShellLinkW>* shell_link,
                                  ComPtr<IPersistFile>* persist_file) {
  HRESULT hr = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(shell_link->GetAddressOf()));
  if (SUCCEEDED(hr))
    hr = shell_link->As(persist_file);
  if (FAILED(hr)) {
    LogFailure("Cannot make a shell link for", shortcut_path, hr);
    return false;
  }
  if (load) {
    hr = (*persist_file)->Load(shortcut_path.value().c_str(), STGM_READ);
    if (FAILED(hr)) {
      LogFailure("Cannot read the shortcut", shortcut_path, hr);
      return false;
    }
  }
  return true;
}

// Reads one text of a link through `getter` (GetArguments and the like,
// which take a buffer and its size in characters). False (logged) on failure.
template <typename Getter>
bool ReadLinkText(Getter getter, const FilePath& shortcut_path, std::wstring* text) {
  std::vector<wchar_t> buffer(kMaxLinkText, L'\0');
  const HRESULT hr = getter(buffer.data(), kMaxLinkText);
  if (FAILED(hr)) {
    LogFailure("Cannot read a property of the shortcut", shortcut_path, hr);
    return false;
  }
  buffer.back() = L'\0';
  text->assign(buffer.data());
  return true;
}

bool SetAppId(IShellLinkW* shell_link, const std::wstring& app_id) {
  ComPtr<IPropertyStore> property_store;
  HRESULT hr = shell_link->QueryInterface(IID_PPV_ARGS(property_store.GetAddressOf()));
  if (SUCCEEDED(hr)) {
    // The store copies the value: the PROPVARIANT may point at our string.
    PROPVARIANT value;
    PropVariantInit(&value);
    value.vt = VT_LPWSTR;
    value.pwszVal = const_cast<wchar_t*>(app_id.c_str());
    hr = property_store->SetValue(PKEY_AppUserModel_ID, value);
  }
  if (SUCCEEDED(hr))
    hr = property_store->Commit();
  if (FAILED(hr)) {
    LOG(ERROR) << "Cannot set the shortcut's app id: 0x" << std::hex << static_cast<uint32_t>(hr);
    return false;
  }
  return true;
}

bool ReadAppId(IShellLinkW* shell_link, std::wstring* app_id) {
  ComPtr<IPropertyStore> property_store;
  ScopedPropVariant value;
  HRESULT hr = shell_link->QueryInterface(IID_PPV_ARGS(property_store.GetAddressOf()));
  if (SUCCEEDED(hr))
    hr = property_store->GetValue(PKEY_AppUserModel_ID, value.Receive());
  if (FAILED(hr)) {
    LOG(ERROR) << "Cannot read the shortcut's app id: 0x" << std::hex << static_cast<uint32_t>(hr);
    return false;
  }
  switch (value.get().vt) {
    case VT_EMPTY:
      app_id->clear();
      return true;
    case VT_LPWSTR:
      app_id->assign(value.get().pwszVal ? value.get().pwszVal : L"");
      return true;
    default:
      // The file says what type it holds: not ours to trust.
      LOG(ERROR) << "The shortcut's app id has variant type " << value.get().vt;
      return false;
  }
}

}  // namespace

ShortcutProperties::ShortcutProperties() = default;
ShortcutProperties::ShortcutProperties(const ShortcutProperties& other) = default;
ShortcutProperties& ShortcutProperties::operator=(const ShortcutProperties& other) = default;
ShortcutProperties::~ShortcutProperties() = default;

void ShortcutProperties::set_target(const FilePath& target_in) {
  target = target_in;
  options |= PROPERTIES_TARGET;
}

void ShortcutProperties::set_working_dir(const FilePath& working_dir_in) {
  working_dir = working_dir_in;
  options |= PROPERTIES_WORKING_DIR;
}

void ShortcutProperties::set_arguments(const std::wstring& arguments_in) {
  arguments = arguments_in;
  options |= PROPERTIES_ARGUMENTS;
}

void ShortcutProperties::set_description(const std::wstring& description_in) {
  description = description_in;
  options |= PROPERTIES_DESCRIPTION;
}

void ShortcutProperties::set_icon(const FilePath& icon_in, int icon_index_in) {
  icon = icon_in;
  icon_index = icon_index_in;
  options |= PROPERTIES_ICON;
}

void ShortcutProperties::set_app_id(const std::wstring& app_id_in) {
  app_id = app_id_in;
  options |= PROPERTIES_APP_ID;
}

bool CreateOrUpdateShortcutLink(const FilePath& shortcut_path,
                                const ShortcutProperties& properties,
                                ShortcutOperation operation) {
  const uint32_t options = properties.options;
  if (operation != SHORTCUT_UPDATE_EXISTING && !(options & ShortcutProperties::PROPERTIES_TARGET)) {
    DCHECK(false) << "A new shortcut needs a target";
    return false;
  }
  const bool shortcut_existed = ::GetFileAttributesW(shortcut_path.value().c_str()) !=
                                INVALID_FILE_ATTRIBUTES;

  // The link being written, and for a replacement the old one it keeps the
  // arguments of.
  ComPtr<IShellLinkW> shell_link;
  ComPtr<IPersistFile> persist_file;
  ComPtr<IShellLinkW> old_shell_link;
  ComPtr<IPersistFile> old_persist_file;
  switch (operation) {
    case SHORTCUT_CREATE_ALWAYS:
      if (!InitializeShortcutInterfaces(shortcut_path, false, &shell_link, &persist_file))
        return false;
      break;
    case SHORTCUT_UPDATE_EXISTING:
      if (!InitializeShortcutInterfaces(shortcut_path, true, &shell_link, &persist_file))
        return false;
      break;
    case SHORTCUT_REPLACE_EXISTING:
      if (!InitializeShortcutInterfaces(shortcut_path, true, &old_shell_link, &old_persist_file) ||
          !InitializeShortcutInterfaces(shortcut_path, false, &shell_link, &persist_file)) {
        return false;
      }
      break;
  }

  HRESULT hr = S_OK;
  if (options & ShortcutProperties::PROPERTIES_TARGET)
    hr = shell_link->SetPath(properties.target.value().c_str());
  if (SUCCEEDED(hr) && (options & ShortcutProperties::PROPERTIES_WORKING_DIR))
    hr = shell_link->SetWorkingDirectory(properties.working_dir.value().c_str());
  if (SUCCEEDED(hr) && (options & ShortcutProperties::PROPERTIES_ARGUMENTS)) {
    hr = shell_link->SetArguments(properties.arguments.c_str());
  } else if (SUCCEEDED(hr) && old_shell_link) {
    std::wstring old_arguments;
    if (!ReadLinkText([&](wchar_t* buffer, int size) {
          return old_shell_link->GetArguments(buffer, size);
        }, shortcut_path, &old_arguments)) {
      return false;
    }
    hr = shell_link->SetArguments(old_arguments.c_str());
  }
  if (SUCCEEDED(hr) && (options & ShortcutProperties::PROPERTIES_DESCRIPTION))
    hr = shell_link->SetDescription(properties.description.c_str());
  if (SUCCEEDED(hr) && (options & ShortcutProperties::PROPERTIES_ICON))
    hr = shell_link->SetIconLocation(properties.icon.value().c_str(), properties.icon_index);
  if (FAILED(hr)) {
    LogFailure("Cannot set the properties of the shortcut", shortcut_path, hr);
    return false;
  }
  if ((options & ShortcutProperties::PROPERTIES_APP_ID) &&
      !SetAppId(shell_link.Get(), properties.app_id)) {
    return false;
  }

  // The old link must let go of the file before it is overwritten.
  old_persist_file.Reset();
  old_shell_link.Reset();
  hr = persist_file->Save(shortcut_path.value().c_str(), TRUE);
  persist_file.Reset();
  shell_link.Reset();
  if (FAILED(hr)) {
    LogFailure("Cannot save the shortcut", shortcut_path, hr);
    return false;
  }
  ::SHChangeNotify(shortcut_existed ? SHCNE_UPDATEITEM : SHCNE_CREATE,
                   SHCNF_PATH | SHCNF_FLUSHNOWAIT, shortcut_path.value().c_str(), nullptr);
  return true;
}

bool ResolveShortcutProperties(const FilePath& shortcut_path,
                               uint32_t options,
                               ShortcutProperties* properties) {
  DCHECK(properties);
  DCHECK_EQ(0u, options & ~ShortcutProperties::PROPERTIES_ALL);
  ComPtr<IShellLinkW> shell_link;
  ComPtr<IPersistFile> persist_file;
  if (!InitializeShortcutInterfaces(shortcut_path, true, &shell_link, &persist_file))
    return false;

  properties->options = 0;
  std::wstring text;
  if (options & ShortcutProperties::PROPERTIES_TARGET) {
    if (!ReadLinkText([&](wchar_t* buffer, int size) {
          return shell_link->GetPath(buffer, size, nullptr, SLGP_UNCPRIORITY);
        }, shortcut_path, &text)) {
      return false;
    }
    properties->set_target(FilePath(text));
  }
  if (options & ShortcutProperties::PROPERTIES_WORKING_DIR) {
    if (!ReadLinkText([&](wchar_t* buffer, int size) {
          return shell_link->GetWorkingDirectory(buffer, size);
        }, shortcut_path, &text)) {
      return false;
    }
    properties->set_working_dir(FilePath(text));
  }
  if (options & ShortcutProperties::PROPERTIES_ARGUMENTS) {
    if (!ReadLinkText([&](wchar_t* buffer, int size) {
          return shell_link->GetArguments(buffer, size);
        }, shortcut_path, &text)) {
      return false;
    }
    properties->set_arguments(text);
  }
  if (options & ShortcutProperties::PROPERTIES_DESCRIPTION) {
    if (!ReadLinkText([&](wchar_t* buffer, int size) {
          return shell_link->GetDescription(buffer, size);
        }, shortcut_path, &text)) {
      return false;
    }
    properties->set_description(text);
  }
  if (options & ShortcutProperties::PROPERTIES_ICON) {
    int icon_index = 0;
    if (!ReadLinkText([&](wchar_t* buffer, int size) {
          return shell_link->GetIconLocation(buffer, size, &icon_index);
        }, shortcut_path, &text)) {
      return false;
    }
    properties->set_icon(FilePath(text), icon_index);
  }
  if (options & ShortcutProperties::PROPERTIES_APP_ID) {
    if (!ReadAppId(shell_link.Get(), &text))
      return false;
    properties->set_app_id(text);
  }
  return true;
}

bool ResolveShortcut(const FilePath& shortcut_path, FilePath* target_path, std::wstring* args) {
  uint32_t options = 0;
  if (target_path)
    options |= ShortcutProperties::PROPERTIES_TARGET;
  if (args)
    options |= ShortcutProperties::PROPERTIES_ARGUMENTS;
  ShortcutProperties properties;
  if (!ResolveShortcutProperties(shortcut_path, options, &properties))
    return false;
  if (target_path)
    *target_path = properties.target;
  if (args)
    *args = properties.arguments;
  return true;
}

}  // namespace base::win
