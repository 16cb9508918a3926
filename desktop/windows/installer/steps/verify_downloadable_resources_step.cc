// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/verify_downloadable_resources_step.h"

#include <string>

#include "base/base64.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/utils/downloadable_resources.h"

namespace velta {

VerifyDownloadableResourcesStep::VerifyDownloadableResourcesStep(InstallerContext* context)
    : InstallerStep(context, "verify_downloadable_resources") {}

VerifyDownloadableResourcesStep::~VerifyDownloadableResourcesStep() = default;

StepResult& VerifyDownloadableResourcesStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  if (!GetContext()->IsMinimalInstall())
    return result;
  base::FilePath package_dir;
  GetPackageDir(&package_dir);
  for (const DownloadableResourceManifestRow& row : DownloadableResourceManifest()) {
    std::string path;
    if (!base::Base64Decode(row.path, &path))
      continue;
    const base::FilePath file =
        package_dir.Append(base::FilePath::FromUTF8Unsafe(path).NormalizePathSeparators());
    if (!base::PathExists(file))
      continue;
    std::string error;
    if (!VerifyFileHash(file, row.sha1, &error)) {
      LOG(ERROR) << "Downloadable resource checksum validation error: " << error;
      result = StepResult(StepResult::kFailure, 1, std::wstring(),
                          "Downloadable resource checksum validation error: " + error);
      return result;
    }
  }
  return result;
}

}  // namespace velta
