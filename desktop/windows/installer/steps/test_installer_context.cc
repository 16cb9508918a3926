// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/test_installer_context.h"

#include "base/files/file_util.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "desktop/windows/installer/avro_stats/stats_settings.h"
#include "desktop/windows/installer/status/registry_record.h"

namespace velta::test {

TestSettings::TestSettings() = default;
TestSettings::~TestSettings() = default;

void TestSettings::set_option(SettingsOption bit, bool value) {
  const uint32_t mask = 1u << static_cast<uint32_t>(bit);
  options = value ? (options | mask) : (options & ~mask);
}

base::FilePath TestSettings::GetDefaultInstallFolder(uint32_t) const {
  return install_folder;
}

std::vector<base::FilePath> TestSettings::GetDefaultInstallFolders() const {
  return {install_folder};
}

InstallFolderProblem TestSettings::GetInstallFolderProblem() const {
  return InstallFolderProblem::kNone;
}

StatsSettings TestSettings::GetStatsRecord() const {
  return StatsSettings();
}

bool TestSettings::SetMode(InstallMode mode) {
  set_option(SettingsOption::COPY_ONLY, mode == InstallMode::kStandalone);
  set_option(SettingsOption::ALL_USERS_FLAG, mode == InstallMode::kAllUsers);
  return true;
}

InstallMode TestSettings::GetInstallMode() const {
  if (IsCopyOnly())
    return InstallMode::kStandalone;
  return IsAllUsers() ? InstallMode::kAllUsers : InstallMode::kCurrentUser;
}

SettingsCheck TestSettings::GetSettingsCheck() const {
  SettingsCheck check;
  check.operation_decided = operation != InstallOperation::kNotDecided;
  return check;
}

TestFolderDetails::TestFolderDetails() = default;
TestFolderDetails::~TestFolderDetails() = default;

InstallFolderProblem TestFolderDetails::GetInstallationFolderProblem() const {
  return InstallFolderProblem::kNone;
}

TestInstallerContext::TestInstallerContext() {
  if (!scratch_.CreateUniqueTempDir())
    return;
  install_folder_ = scratch_.GetPath().Append(L"install");
  target_folder_ = install_folder_.Append(kSubfolder);
  package_dir_ = scratch_.GetPath().Append(L"package");
  is_valid_ = base::CreateDirectory(target_folder_) && base::CreateDirectory(package_dir_);
  settings.install_folder = install_folder_;
  settings.folder_details = &folder_details;
  folder_details.path = install_folder_;
  new_status.path = install_folder_;
  new_status.subfolder = base::FilePath(kSubfolder);
}

// The transaction commits (or was rolled back) before the folders go.
TestInstallerContext::~TestInstallerContext() = default;

bool TestInstallerContext::IsMinimalInstall() {
  return settings.operation == InstallOperation::kRepairDownloadableResources ||
         base::PathExists(target_folder_.Append(L"minimal_install"));
}

std::wstring TestInstallerContext::GetPlaceholderValue(const std::wstring& name) {
  if (name == L"Uninstall")
    return scheduler_text;
  if (name == L"InstallFolder")
    return install_folder_.value();
  auto found = placeholders.find(name);
  return found == placeholders.end() ? L"test-" + name : found->second;
}

std::vector<RegistryKeyEntry>* TestInstallerContext::GetRegistryRecord(HKEY root) {
  if (!recording)
    return nullptr;
  return root == HKEY_LOCAL_MACHINE ? &new_status.hklm_keys : &new_status.hkcu_keys;
}

void EnsureTaskScheduler() {
  if (base::TaskScheduler::GetInstance())
    return;
  base::TaskScheduler::Create("installer");
  const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
  base::TaskScheduler::GetInstance()->Start(base::TaskScheduler::InitParams(one, one, one, one));
}

StepResult RunStep(InstallerStep& step, int32_t attempt) {
  StepResult result(StepResult::kSuccess);
  step.Execute(result, attempt);
  return result;
}

base::win::ScopedHandle HoldWithoutSharing(const base::FilePath& path) {
  return base::win::ScopedHandle(::CreateFileW(path.value().c_str(), GENERIC_READ, 0, nullptr,
                                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteFileWithFolders(const base::FilePath& path, const std::string& text) {
  return base::CreateDirectory(path.DirName()) && base::WriteFile(path, text);
}

}  // namespace velta::test
