// Copyright 2026 Velta Software. All rights reserved.

// The folder-permission helper's role as a program of its own, for the
// installer's tests: the installer starts it as its "elevated" helper (the
// test's WinApi launches it as a plain child), and it runs the role with no
// pause after the undo event. When the role has ended it writes "ended" into
// "<program>.record" beside itself.

#include <windows.h>

#include <string>

#include "base/at_exit.h"
#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/path_service.h"
#include "base/time/time.h"
#include "desktop/windows/installer/elevation/folder_permission_helper.h"

int wmain() {
  base::AtExitManager at_exit;
  base::CommandLine::Init(0, nullptr);
  velta::RunFolderPermissionHelperWithDelay(*base::CommandLine::ForCurrentProcess(),
                                            base::TimeDelta());
  base::FilePath program;
  if (!base::PathService::Get(base::FILE_EXE, &program))
    return 1;
  const std::string line = "ended\n";
  const int size = static_cast<int>(line.size());
  return base::WriteFile(base::FilePath(program.value() + L".record"), line.data(), size) == size
             ? 0
             : 1;
}
