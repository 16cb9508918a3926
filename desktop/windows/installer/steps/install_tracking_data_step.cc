// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/install_tracking_data_step.h"

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/flow/installer_context.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/tracking/server_tracking_blob.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/transaction.h"

namespace velta {

InstallTrackingDataStep::InstallTrackingDataStep(InstallerContext* context)
    : InstallerStep(context, "install_tracking_data") {}

InstallTrackingDataStep::~InstallTrackingDataStep() = default;

StepResult& InstallTrackingDataStep::Execute(StepResult& result, int32_t /*attempt*/) {
  result = StepResult(StepResult::kSuccess);
  const std::string data = GetTrackingData()->Serialize();
  if (data.empty())
    return result;
  base::FilePath install_folder;
  GetContext()->GetInstallFolder(&install_folder);
  const base::FilePath path = install_folder.Append(kServerTrackingDataFileName);
  // Put in place through the run's transaction, so that a job rolled back
  // leaves no file of its own behind (nor loses an older one).
  base::FilePath written;
  if (!base::CreateTemporaryFile(&written) || !base::WriteFile(written, data)) {
    LOG(ERROR) << "Failed writing the tracking data to a temporary file";
  } else {
    std::unique_ptr<Operation> copy =
        GetContext()->GetOperationFactory()->CreateCopyFile(written, path);
    std::string error;
    if (!GetContext()->GetTransaction()->Execute(copy, &error))
      LOG(ERROR) << "Failed writing the tracking data to " << path << ": " << error;
  }
  if (!written.empty())
    base::DeleteFile(written);
  return result;
}

}  // namespace velta
