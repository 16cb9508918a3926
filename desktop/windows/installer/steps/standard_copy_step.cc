// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/standard_copy_step.h"

#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

StandardCopyStep::StandardCopyStep(InstallerContext* context, const base::FilePath& relative_path)
    : CopyFileStep(context, relative_path) {}

void StandardCopyStep::OnCopied() {
  GetNewInstallationStatus()->files.push_back(relative_path());
}

void StandardCopyStep::GetTargetFolder(base::FilePath* folder) {
  GetInstallTargetFolder(folder);
}

}  // namespace velta
