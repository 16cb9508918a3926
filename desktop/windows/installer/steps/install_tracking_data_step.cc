// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/install_tracking_data_step.h"

#include <string>

#include "base/files/file_path.h"
#include "base/files/important_file_writer.h"
#include "base/logging.h"
#include "desktop/windows/installer/common/installer_constants.h"
#include "desktop/windows/installer/installer_context.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/server_tracking_blob.h"

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
  if (!base::ImportantFileWriter::WriteFileAtomically(path, data))
    LOG(ERROR) << "Failed writing the tracking data to " << path.AsUTF8Unsafe();
  return result;
}

}  // namespace velta
