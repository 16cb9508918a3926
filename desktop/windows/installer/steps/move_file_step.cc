// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/move_file_step.h"

#include <memory>

#include "base/logging.h"
#include "desktop/windows/installer/common/relative_paths.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/transactions/created_folders.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

namespace {
constexpr char kMoveFileStepName[] = "move_file";
}  // namespace

MoveFileStep::MoveFileStep(InstallerContext* context, const base::FilePath& relative_path)
    : InstallerStep(context, kMoveFileStepName), relative_path_(relative_path) {}

MoveFileStep::~MoveFileStep() = default;

StepResult& MoveFileStep::Execute(StepResult& result, int32_t /*attempt*/) {
  VLOG(1) << "Moving root file " << relative_path_.AsUTF8Unsafe();
  base::FilePath target_folder;
  GetInstallTargetFolder(&target_folder);
  base::FilePath install_folder;
  GetContext()->GetInstallPath(&install_folder);
  OperationFactory* factory = GetContext()->GetOperationFactory();
  const base::FilePath from = target_folder.Append(relative_path_);
  // The package handler made the version folder afresh for this run (a
  // name already taken gets a suffix) and unpacked the package into it, in
  // the process that started this one: the folders below it are the
  // installation's own, and the move's commit removes those it emptied.
  // Left behind, an empty one would keep the version folder from going.
  if (!relative_path_.IsAbsolute() && !relative_path_.ReferencesParent()) {
    for (base::FilePath folder = from.DirName(); target_folder.IsParent(folder);
         folder = folder.DirName()) {
      factory->created_folders()->Add(folder);
    }
  }
  const base::FilePath to = install_folder.Append(relative_path_);
  // Through a link the move would take a file from another place, or park
  // and replace one there.
  std::string error;
  bool moved = false;
  if (!ReachesThroughLink(install_folder, from, to, &error)) {
    std::unique_ptr<Operation> move = factory->CreateMoveFile(from, to);
    moved = GetContext()->GetTransaction()->Execute(move, &error);
  }
  if (!moved) {
    LOG(ERROR) << "Failed moving " << relative_path_.AsUTF8Unsafe() << ": " << error;
    result = StepResult(StepResult::kRetryThenFail, 10, install_folder.value(),
                        "Failed moving " + relative_path_.AsUTF8Unsafe() + " to " +
                            install_folder.AsUTF8Unsafe() + " because of error: " + error);
    return result;
  }
  GetNewInstallationStatus()->root_files.push_back(relative_path_);
  result = StepResult(StepResult::kSuccess);
  return result;
}

bool IsMoveFileStep(const std::string& name) {
  return name == kMoveFileStepName;
}

}  // namespace velta
