// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_ASSOCIATIONS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_ASSOCIATIONS_H_

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <string>
#include <string_view>

#include "base/win/windows_version.h"

// How the browser makes itself the handler of a file extension (".html") or
// a protocol ("http"), and how it reads who handles one now.
//
// Up to Windows 10 build 16299.247 the shell's association registration
// object answers internal interfaces that set a default directly. Later
// builds refuse those; there a protocol's handler is found among the
// protocol's registered handlers and made default, and an extension goes
// through the association registration that SHCreateAssociationRegistration
// hands out. None of these interfaces is documented: only the slots that are
// called are declared below, slots numbered from 1 with IUnknown's three
// first.
//
// Every function that touches COM needs COM initialised on the calling
// thread; the registry reads do not.

namespace velta {

// The set-default interface of the association registration object on
// legacy builds. Slot 6: SetAppAsDefault(app id, name, 1 for a protocol or
// 0 for a file extension).
class LegacyAssociationRegistration : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Slot4() = 0;
  virtual HRESULT STDMETHODCALLTYPE Slot5() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetAppAsDefault(LPCWSTR app_id,
                                                    LPCWSTR name,
                                                    int is_protocol) = 0;
};

// What a protocol handler answers to be made the protocol's default.
// Slot 4: MakeDefault(0).
class ProtocolHandlerAssociation : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE MakeDefault(int flags) = 0;
};

// The association registration of later builds, for file extensions.
// Slot 5: SetDefault(ProgID, extension, 0).
class AssociationRegistration : public IUnknown {
 public:
  virtual HRESULT STDMETHODCALLTYPE Slot4() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefault(LPCWSTR prog_id, LPCWSTR extension, int flags) = 0;
};

// A name is a file extension when it starts with "." and a protocol when it
// starts with anything else; the empty name is neither.
bool IsProtocolName(std::wstring_view name);
bool IsFileExtension(std::wstring_view name);

// Whether the running Windows (or `version`) still offers the legacy
// set-default interfaces: a build below 16299, or 16299 with an update
// revision below 248.
bool IsLegacyAssociationBuild();
bool IsLegacyAssociationBuild(const base::win::OSInfo::VersionNumber& version);

// The legacy set-default interface, or null when no internal interface
// answers (later builds, older shells, Wine).
Microsoft::WRL::ComPtr<LegacyAssociationRegistration> GetLegacyAssociationRegistration();

// The first registered handler of `protocol` whose name contains
// `application_name` (case-sensitive) and that can be made default, or null.
// An empty `application_name` matches no handler.
Microsoft::WRL::ComPtr<ProtocolHandlerAssociation> GetProtocolHandlerAssociation(
    const std::wstring& protocol,
    const std::wstring& application_name);

// The later builds' association registration, or null.
Microsoft::WRL::ComPtr<AssociationRegistration> GetAssociationRegistration();

// Whether SetDefaultHandler has an interface to work with on this build.
bool IsAssociationRegistrationAvailable();

// Makes the application the default handler of `name` without asking the
// user: `app_id` is its registered application name (legacy builds),
// `application_name` the name its protocol handlers carry and `prog_id` its
// ProgID (later builds). False when no interface is found, when the call
// fails and when `name` is empty.
bool SetDefaultHandler(const std::wstring& app_id,
                       const std::wstring& application_name,
                       const std::wstring& prog_id,
                       const std::wstring& name);

// Through the documented shell calls (ShellDefaultApps):

// Whether the registered application `app_registry_name` is the effective
// start-menu Internet client. False also when the shell cannot tell.
bool IsAppDefaultStartMenuInternet(const std::wstring& app_registry_name);

// SetAppAsDefault for `name` as a file extension or a URL protocol, and for
// the start-menu Internet client (Windows Vista and 7). False on failure and
// for an empty name.
bool SetAppAsDefaultFor(const std::wstring& app_registry_name, const std::wstring& name);
bool SetAppAsDefaultStartMenuInternet(const std::wstring& app_registry_name);

// Shows the Open-With dialog that lets the user choose the handler of `name`
// (Windows 8) and, when the user chose, tells the shell that associations
// changed. Blocks until the dialog closes. False when it failed or was
// cancelled.
bool ShowOpenWithDialogFor(const std::wstring& name);

// Opens the Settings app at its default-apps page and then at the entry for
// `name` (Windows 10): the web browser for "http", e-mail for "mailto", the
// protocol list otherwise. True only when both activations succeeded.
bool OpenDefaultAppsSettings(const std::wstring& name);

// Where the association registry reads look. Default-constructed: the real
// keys. Tests point each root at a copy of the same layout below a key of
// their own.
struct AssociationKeys {
  // Holds "Software\Microsoft\Windows\..." (the user's choices) and
  // "Software\Clients\StartMenuInternet" of the user.
  HKEY user_root = HKEY_CURRENT_USER;
  std::wstring user_prefix;
  // The merged view of the classes: ".ext" and "<ProgID>\shell\open\command".
  HKEY classes_root = HKEY_CLASSES_ROOT;
  std::wstring classes_prefix;
  // Holds "SOFTWARE\Classes\..." and "Software\Clients\StartMenuInternet"
  // of the machine.
  HKEY machine_root = HKEY_LOCAL_MACHINE;
  std::wstring machine_prefix;
};

// The open command of the handler of the file extension or protocol `name`:
// for the user (the user's choice first, then the merged classes) or, with
// `machine_level`, from the machine's classes alone. False when there is no
// handler or command, when a key cannot be read, and for a name that is empty
// or holds a backslash.
bool ReadOpenCommand(const std::wstring& name, bool machine_level, std::wstring* command);
bool ReadOpenCommand(const AssociationKeys& keys,
                     const std::wstring& name,
                     bool machine_level,
                     std::wstring* command);

// The default value of "Software\Clients\StartMenuInternet": the user's, else
// the machine's when the user has none. False when neither has one.
bool ReadStartMenuInternetClient(std::wstring* client);
bool ReadStartMenuInternetClient(const AssociationKeys& keys, std::wstring* client);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_SHELL_ASSOCIATIONS_H_
