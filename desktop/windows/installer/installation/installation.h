// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "base/files/file_path.h"
#include "base/values.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

// The installer's view of one installed (or about to be installed) browser:
// its folder, its installer preferences (installer_prefs.json), its status
// record, its profile folder and its standing as the default browser, which
// it can also change (registry templates in a transaction, or the shell's
// association interfaces).
//
// One process-wide current installation describes the folder the running
// executable belongs to (GetCurrent); the installer makes further ones for
// the folder it installs into (InstallationImpl). All calls are made on the
// main thread. The preferences are read once when the object is made, the
// status once on first use; neither is refreshed.
class Installation {
 public:
  // Makes the current installation and holds it until DestroyCurrent or
  // its own end. Process-wide (see base::ProcessWide): the real one makes an
  // installation of the running executable's folder (its own folder, or the
  // parent when only the parent holds launcher.exe); tests put theirs in
  // place with base::ProcessWide<Installation::Factory>::ScopedOverride, and
  // what it made dies with it. Main thread.
  class Factory {
   public:
    Factory();
    Factory(const Factory&) = delete;
    Factory& operator=(const Factory&) = delete;
    virtual ~Factory();

    virtual std::unique_ptr<Installation> Create() = 0;

   private:
    friend class Installation;

    std::unique_ptr<Installation> current_;
  };

  virtual ~Installation() = default;

  // The process-wide current installation, made on first use by the factory
  // in place. Made and used on the main thread, first early in start-up.
  static Installation* GetCurrent();
  // Destroys the installation the factory in place holds, so that the next
  // GetCurrent makes a new one; the process's exit handler calls it.
  static void DestroyCurrent();
  // An installation of `folder` (for code below this folder that needs one
  // of another folder than the current one, e.g. to remove its profile).
  static std::unique_ptr<Installation> CreateForFolder(const base::FilePath& folder);

  // Preferences of installer_prefs.json, found by a path of keys joined
  // with "." through nested dictionaries. False when a step is missing or the
  // value has another type.
  virtual bool GetBooleanPref(std::string_view path, bool* value) const = 0;
  virtual bool GetWideStringPref(std::string_view path, std::wstring* value) const = 0;
  virtual bool GetStringPref(std::string_view path, std::string* value) const = 0;
  // A string pref parsed as a decimal number: true whenever the string
  // exists, also when it does not parse (then `*value` holds what the parse
  // left there).
  virtual bool GetInt64Pref(std::string_view path, int64_t* value) const = 0;
  // `*list` points into the preferences and lives as long as this object.
  virtual bool GetListPref(std::string_view path, const base::Value::ListStorage** list) const = 0;

  virtual const base::FilePath& GetInstallFolder() const = 0;
  // The record of the folder's installation_status.json, read on first use;
  // an empty record of source kInvalid when that file is missing or unusable
  // (no other status file and no recovery is consulted).
  virtual const InstallationStatus& GetInstallationStatus() = 0;
  virtual bool IsCopyOnly() = 0;

  // Whether the browser handles "http" and "https" (and, before Windows 8,
  // is the Start menu's internet client).
  virtual bool IsDefaultBrowser() = 0;
  // The open command of the handler of an extension (`name` starts with
  // ".") or a protocol: the user's choice unless `machine_level`, else the
  // class registered for it.
  virtual bool GetOpenCommand(std::wstring_view name,
                              bool machine_level,
                              std::wstring* command) const = 0;
  // Whether the user's open command for `name` runs this installation's
  // launcher.exe.
  virtual bool IsDefaultHandlerFor(std::wstring_view name) const = 0;
  virtual bool IsDefaultStartMenuInternet() = 0;
  // The "single_profile" preference (false when absent).
  virtual bool IsSingleProfile() const = 0;

  // The open command of the browser that was the default before this one,
  // kept under the company's registry key (HKCU first, then HKLM).
  virtual bool GetPreviousDefaultBrowser(std::wstring* command) const = 0;
  virtual bool SetPreviousDefaultBrowser(const std::wstring& command, bool all_users) = 0;
  // Keeps the current "http" handler's command unless it is this browser.
  virtual void RememberPreviousDefaultBrowser(bool all_users) = 0;

  // Makes the browser the default for the web protocols and file types
  // (never a single-profile installation); answers IsDefaultBrowser().
  virtual bool MakeDefaultBrowser(bool all_users) = 0;
  // Registers the browser's ProgID class; all of it or, after a failure,
  // nothing.
  virtual bool RegisterProgId(bool all_users) = 0;
  // Deletes a "Software\Classes\ProgID" key that an old installer wrote
  // with the word ProgID itself, when it is the browser's.
  virtual void RemoveLiteralProgIdKey(bool all_users) = 0;
  virtual bool SetAsDefaultFor(std::wstring_view name, bool all_users) = 0;
  virtual bool SetAsDefaultStartMenuInternet(bool all_users) = 0;

  // "VeltaSoftware.VeltaWebBrowser." followed by the status's app id.
  virtual std::wstring GetAppUserModelId() = 0;
  // "Autoupdate " followed by the status's app id.
  virtual std::wstring GetAutoupdateTaskName() = 0;

  // The browser profile folder of this build's stream (or of `stream`): the
  // "profile_path" preference with "<USERNAME>" filled in, else the user's
  // application-data folder for the stream; a single-profile installation
  // keeps its profile in its own folder.
  virtual bool GetProfileFolder(base::FilePath* folder) const = 0;
  virtual bool GetProfileFolderForStream(base::FilePath* folder, Stream stream) const = 0;
  // The folder that removing the current user's profile deletes: the
  // profile folder, or the user's own folder above it when "profile_path"
  // ends in "<USERNAME>". False unless it is a browser profile of the current
  // user (it holds "Local State"), and never a drive or share root, a system
  // or user folder or one of their parents, the install folder or one above
  // it, or a path with "..": a "profile_path" taken from an editable file
  // must not make an uninstall delete other data.
  virtual bool GetProfileFolderWithoutUser(base::FilePath* folder) const = 0;
  // `path` moved from the roaming to the local application-data folder
  // when the installation names no "profile_path"; else `path` unchanged.
  virtual void MapProfilePath(const base::FilePath& path, base::FilePath* out) const = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_H_
