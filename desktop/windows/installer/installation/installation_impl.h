// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_IMPL_H_

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include "base/files/file_path.h"
#include "base/values.h"
#include "desktop/windows/installer/installation/installation.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/registry_templates.h"

namespace velta {

// Whether `folder` may be deleted as a user's browser profile folder: an
// absolute path on a drive or share, below its root, without "." or ".."
// steps, that is neither one of the system's or the user's own folders
// (Windows, Program Files, ProgramData, the user's home, application data,
// desktop, Start menu, temporary folder) nor a folder above one of them, nor
// `install_folder` or a folder above it. Otherwise `*reason` (may be null)
// says why. Whether it is a profile at all ("Local State") is not looked at.
bool IsDeletableProfileFolder(const base::FilePath& folder,
                              const base::FilePath& install_folder,
                              std::string* reason);

class InstallationImpl : public Installation {
 public:
  // The installation of the running executable's folder, or of its parent
  // when only the parent holds launcher.exe (an installer.exe inside a
  // version folder).
  InstallationImpl();
  explicit InstallationImpl(const base::FilePath& install_folder);
  // An installation of `install_folder` whose status is `status` (a record
  // of source kInvalid when null), never read from the folder.
  InstallationImpl(const base::FilePath& install_folder, std::unique_ptr<InstallationStatus> status);
  InstallationImpl(const InstallationImpl&) = delete;
  InstallationImpl& operator=(const InstallationImpl&) = delete;
  ~InstallationImpl() override;

  bool GetBooleanPref(std::string_view path, bool* value) const override;
  bool GetWideStringPref(std::string_view path, std::wstring* value) const override;
  bool GetStringPref(std::string_view path, std::string* value) const override;
  bool GetInt64Pref(std::string_view path, int64_t* value) const override;
  bool GetListPref(std::string_view path, const base::Value::ListStorage** list) const override;
  const base::FilePath& GetInstallFolder() const override;
  const InstallationStatus& GetInstallationStatus() override;
  bool IsCopyOnly() override;
  bool IsDefaultBrowser() override;
  bool GetOpenCommand(std::wstring_view name,
                      bool machine_level,
                      std::wstring* command) const override;
  bool IsDefaultHandlerFor(std::wstring_view name) const override;
  bool IsDefaultStartMenuInternet() override;
  bool IsSingleProfile() const override;
  bool GetPreviousDefaultBrowser(std::wstring* command) const override;
  bool SetPreviousDefaultBrowser(const std::wstring& command, bool all_users) override;
  void RememberPreviousDefaultBrowser(bool all_users) override;
  bool MakeDefaultBrowser(bool all_users) override;
  bool RegisterProgId(bool all_users) override;
  void RemoveLiteralProgIdKey(bool all_users) override;
  bool SetAsDefaultFor(std::wstring_view name, bool all_users) override;
  bool SetAsDefaultStartMenuInternet(bool all_users) override;
  std::wstring GetAppUserModelId() override;
  std::wstring GetAutoupdateTaskName() override;
  bool GetProfileFolder(base::FilePath* folder) const override;
  bool GetProfileFolderForStream(base::FilePath* folder, Stream stream) const override;
  bool GetProfileFolderWithoutUser(base::FilePath* folder) const override;
  void MapProfilePath(const base::FilePath& path, base::FilePath* out) const override;

 private:
  // Reads installer_prefs.json and the names; the common part of every
  // constructor.
  void Initialize();
  // The pref at `path` when it has `type`, else null.
  const base::Value* FindPref(std::string_view path, base::Value::Type type) const;
  // Applies `records` (with `name` as the protocol or extension) under the
  // root for `all_users` in one transaction: all of them, or, after a
  // failure, none.
  bool ApplyTemplates(const std::vector<RegistryTemplate>& records,
                      const std::wstring& name,
                      bool all_users);

  base::Value prefs_;
  OperationFactory operation_factory_;
  base::FilePath install_folder_;
  std::wstring profile_path_;
  bool status_loaded_ = false;
  std::unique_ptr<InstallationStatus> status_;
  // "Velta marlin": the registered application name.
  std::wstring product_and_stream_;
  // "Velta marlin Internet Browser".
  std::wstring browser_name_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_INSTALLATION_IMPL_H_
