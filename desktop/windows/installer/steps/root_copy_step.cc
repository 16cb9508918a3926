// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/root_copy_step.h"

#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

RootCopyStep::RootCopyStep(InstallerContext* context, const base::FilePath& relative_path)
    : CopyFileStep(context, relative_path) {}

void RootCopyStep::OnCopied() {
  GetNewInstallationStatus()->root_files.push_back(relative_path());
}

void RootCopyStep::GetTargetFolder(base::FilePath* folder) {
  GetContext()->GetInstallPath(folder);
}

}  // namespace velta
