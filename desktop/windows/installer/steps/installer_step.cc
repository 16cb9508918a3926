// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/installer_step.h"

#include <utility>

#include "desktop/windows/installer/flow/installer_context.h"

namespace velta {

StepResult::StepResult(uint32_t code) : code(code), subcode(1) {}

StepResult::StepResult(uint32_t code, uint32_t subcode, std::wstring wide_text, std::string text)
    : code(code), subcode(subcode), wide_text(std::move(wide_text)), text(std::move(text)) {}

InstallerStep::InstallerStep(InstallerContext* context, std::string name)
    : context_(context), name_(std::move(name)) {}

InstallerStep::~InstallerStep() = default;

Settings* InstallerStep::GetSettings() const {
  return context_->GetSettings();
}

void InstallerStep::GetInstallTargetFolder(base::FilePath* folder) const {
  context_->GetInstallTargetFolder(folder);
}

void InstallerStep::GetPackageDir(base::FilePath* folder) const {
  context_->GetPackageDir(folder);
}

InstallationStatus* InstallerStep::GetNewInstallationStatus() const {
  return context_->GetNewInstallationStatus();
}

InstallationStatus* InstallerStep::GetExistingInstallation() const {
  return context_->GetExistingInstallation();
}

InstallationFolderDetails* InstallerStep::GetFolderDetails() const {
  return context_->GetFolderDetails();
}

}  // namespace velta
