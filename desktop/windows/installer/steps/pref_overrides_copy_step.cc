// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/pref_overrides_copy_step.h"

#include <string>

#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/flow/installer_context.h"

namespace velta {

PrefOverridesCopyStep::PrefOverridesCopyStep(InstallerContext* context)
    : CopyFileStep(context, base::FilePath(kPrefDefaultOverridesFileName)) {}

bool PrefOverridesCopyStep::IsRequired() {
  return false;
}

int PrefOverridesCopyStep::ShouldSkip(const base::FilePath& source) {
  std::string text;
  if (!base::ReadFileToString(source, &text)) {
    VLOG(1) << "No preference default overrides to copy";
    return 1;
  }
  if (!base::JSONReader::Read(text)) {
    LOG(ERROR) << "The preference default overrides are not valid JSON: " << source.AsUTF8Unsafe();
    return 1;
  }
  return 0;
}

void PrefOverridesCopyStep::GetTargetFolder(base::FilePath* folder) {
  GetContext()->GetInstallPath(folder);
}

}  // namespace velta
