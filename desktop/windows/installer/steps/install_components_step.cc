// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/install_components_step.h"

#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_split.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/installer_switches.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/settings.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/utils/authenticode.h"

namespace velta {

namespace {

constexpr char kInstallerSuffix[] = "_installer.exe";

}  // namespace

bool IsSafeComponentName(const std::string& name) {
  return IsSingleEntryName(base::UTF8ToWide(name));
}

base::FilePath GetComponentInstallerPath(const base::FilePath& folder, const std::string& name) {
  const base::FilePath path =
      folder.Append(base::FilePath::FromUTF8Unsafe(name + kInstallerSuffix));
  if (name != "suite" || base::PathExists(path))
    return path;
  const base::FilePath assistant = folder.AppendASCII(std::string("assistant") + kInstallerSuffix);
  LOG(INFO) << "Rewriting component installer name from " << path.AsUTF8Unsafe();
  LOG(INFO) << "to: " << assistant.AsUTF8Unsafe();
  return assistant;
}

InstallComponentsStep::InstallComponentsStep(InstallerContext* context)
    : InstallerStep(context, "install_components") {}

InstallComponentsStep::~InstallComponentsStep() = default;

StepResult& InstallComponentsStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  LOG(INFO) << "Installing Components";
  Settings* settings = GetSettings();
  InstallationStatus* new_status = GetNewInstallationStatus();
  const bool is_upgrade = settings->GetOperation() == InstallOperation::kOverExistingInstallation;
  const InstallationStatus* existing = GetExistingInstallation();
  if (is_upgrade && existing && existing != new_status)
    new_status->components = existing->components;

  base::FilePath module_path;
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  if (!base::PathService::Get(base::FILE_MODULE, &module_path) ||
      !command_line.HasSwitch(kComponentsSwitch)) {
    return result;
  }
  const std::string components =
      base::WideToUTF8(command_line.GetSwitchValueNative(kComponentsSwitch));
  LOG(INFO) << "Components present : " << components;
  const base::FilePath install_folder = GetFolderDetails()->GetPath();
  base::FilePath package_dir;
  GetPackageDir(&package_dir);
  for (const std::string& entry :
       base::SplitString(components, "|", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    LOG(INFO) << "Processing component " << entry;
    std::vector<std::string> parts =
        base::SplitString(entry, ":", base::TRIM_WHITESPACE, base::SPLIT_WANT_NONEMPTY);
    const std::string name = parts.empty() ? std::string() : parts[0];
    const std::string subfolder = parts.size() > 1 ? parts[1] : std::string();
    const bool subfolder_inside =
        subfolder.empty() || IsRelativePathInside(base::FilePath::FromUTF8Unsafe(subfolder));
    if (!IsSafeComponentName(name) || !subfolder_inside) {
      LOG(ERROR) << "Refusing component entry " << entry;
      continue;
    }
    const base::FilePath component_folder =
        install_folder.Append(base::FilePath::FromUTF8Unsafe(name));
    base::FilePath installer_folder = package_dir.DirName();
    if (!subfolder.empty())
      installer_folder = installer_folder.Append(base::FilePath::FromUTF8Unsafe(subfolder));
    const base::FilePath installer = GetComponentInstallerPath(installer_folder, name);
    if (!base::PathExists(installer)) {
      LOG(ERROR) << "Component installer does not exist " << installer.AsUTF8Unsafe();
      continue;
    }
    bool module_signed = false;
    const bool read = IsFileSigned(module_path, &module_signed);
    if (!read || module_signed) {
      std::string error;
      if (!VerifyFileSignature(installer.value(), &error)) {
        LOG(ERROR) << "Signature error for component installer " << module_path.AsUTF8Unsafe()
                   << " signed = " << module_signed << " " << installer.AsUTF8Unsafe()
                   << " signed = " << false << ": " << error;
        continue;
      }
    }
    base::CommandLine component_command(installer);
    component_command.AppendSwitchNative(kInstallFolderSwitch, component_folder.value());
    component_command.AppendSwitchASCII(kCopyOnlySwitch, settings->IsCopyOnly() ? "1" : "0");
    component_command.AppendSwitchASCII(kAllUsersSwitch, settings->IsAllUsers() ? "1" : "0");
    LOG(INFO) << "Running component installer";
    base::Process process = base::LaunchProcess(component_command, base::LaunchOptions());
    int exit_code = -1;
    if (!process.IsValid() || !process.WaitForExit(&exit_code)) {
      LOG(ERROR) << "Component installer could not be run: " << installer.AsUTF8Unsafe();
      continue;
    }
    LOG(INFO) << "Component installer returned " << exit_code;
    if (exit_code != 0)
      continue;
    bool listed = false;
    for (const InstallationComponent& component : new_status->components)
      listed |= component.name == name;
    if (is_upgrade && listed)
      continue;
    new_status->components.emplace_back(name, component_folder);
  }
  return result;
}

}  // namespace velta
