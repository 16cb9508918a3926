// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/verify_package_contents_step.h"

#include <stdio.h>

#include <utility>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

namespace {

// Appends to `failures` each path of `list` that cannot be opened in `folder`.
void CheckReadable(const base::FilePath& folder,
                   const std::vector<std::string>& list,
                   std::string* failures) {
  for (const std::string& relative : list) {
    FILE* file = base::OpenFile(folder.Append(base::FilePath::FromUTF8Unsafe(relative)), "r");
    if (file) {
      base::CloseFile(file);
      continue;
    }
    if (!failures->empty())
      failures->push_back(' ');
    failures->append(relative);
  }
}

}  // namespace

VerifyPackageContentsStep::VerifyPackageContentsStep(InstallerContext* context,
                                                     std::vector<std::string> files,
                                                     std::vector<std::string> root_files,
                                                     std::vector<std::string> extra_files)
    : InstallerStep(context, "verify_package_contents"),
      files_(std::move(files)),
      root_files_(std::move(root_files)),
      extra_files_(std::move(extra_files)) {}

VerifyPackageContentsStep::~VerifyPackageContentsStep() = default;

StepResult& VerifyPackageContentsStep::Execute(StepResult& result, int32_t /*attempt*/) {
  const bool has_package_dir = GetContext()->HasPackageDir();
  base::FilePath package_dir;
  GetPackageDir(&package_dir);
  base::FilePath list_folder = package_dir;
  if (has_package_dir)
    GetInstallTargetFolder(&list_folder);
  std::string failures;
  CheckReadable(list_folder, files_, &failures);
  CheckReadable(list_folder, root_files_, &failures);
  CheckReadable(package_dir, extra_files_, &failures);
  if (!failures.empty()) {
    const std::string text = "Package verification failed, files '" + failures +
                             "' cannot be opened.";
    LOG(ERROR) << text;
    result = StepResult(StepResult::kFailure, 1, std::wstring(), text);
    return result;
  }
  if (has_package_dir) {
    for (const std::string& relative : files_)
      GetNewInstallationStatus()->files.push_back(base::FilePath::FromUTF8Unsafe(relative));
  }
  result = StepResult(StepResult::kSuccess);
  return result;
}

}  // namespace velta
