// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/elevation/runnable_folder.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/elevation/owner_only_folder_security.h"

namespace velta {
namespace {

// Runs `program` with the single argument "--version" and waits for it. The
// exit code is not looked at: the question is whether programs start here.
bool CanRun(const base::FilePath& program) {
  base::CommandLine command_line(program);
  command_line.AppendSwitch("version");
  base::LaunchOptions options;
  options.start_hidden = true;
  base::Process process = base::LaunchProcess(command_line, options);
  if (!process.IsValid())
    return false;
  int exit_code = 0;
  process.WaitForExit(&exit_code);
  return true;
}

// Whether a copy of `executable` runs from a folder made for this probe
// alone under `parent`, with a name no one else has taken (creating it fails
// on an existing name): the copy loads its libraries from its own folder, so
// a folder that existed before (another user's, or the shared temporary
// folder of an installer running as SYSTEM) could give it a library planted
// there, with the installer's rights, and two installers probing one folder
// would take each other's copy. The folder is made with an access list of
// its own, for this user, SYSTEM and Administrators only: inheriting the
// parent's, another user of a shared temporary folder could drop a library
// into it between its making and the copy's start. The copy and the folder
// go again afterwards.
bool CanRunFromOwnFolder(const base::FilePath& parent,
                         const std::wstring& prefix,
                         const base::FilePath& executable) {
  OwnerOnlyFolderSecurity security;
  base::FilePath probe_folder;
  if (!security.IsValid() ||
      !base::CreateTemporaryDirInDir(parent, prefix + L" probe ", security.attributes(),
                                     &probe_folder)) {
    return false;
  }
  const base::FilePath copy = probe_folder.Append(executable.BaseName());
  const bool ran = base::CopyFile(executable, copy) && CanRun(copy);
  base::DeleteFile(copy);
  ::RemoveDirectoryW(probe_folder.value().c_str());
  return ran;
}

}  // namespace

bool PrepareRunnableFolder(const std::wstring& prefix,
                           const base::FilePath& executable,
                           base::FilePath* folder) {
  const base::FilePath prepared = folder->Append(prefix);
  if (!base::DirectoryExists(prepared) && !base::CreateDirectory(prepared))
    return false;
  if (executable.empty() || CanRunFromOwnFolder(*folder, prefix, executable)) {
    *folder = prepared;
    return true;
  }
  // Only succeeds when the folder is empty: never removes someone's files.
  ::RemoveDirectoryW(prepared.value().c_str());
  return false;
}

bool PrepareRunnableFolderAt(const std::wstring& prefix,
                             const base::FilePath& executable,
                             base::FilePath* folder,
                             int path_key) {
  base::FilePath base_folder;
  if (!base::PathService::Get(path_key, &base_folder))
    return false;
  if (!PrepareRunnableFolder(prefix, executable, &base_folder))
    return false;
  *folder = base_folder;
  return true;
}

bool GetDownloadFolder(const std::wstring& prefix,
                       const base::FilePath& executable,
                       base::FilePath* folder) {
  if (PrepareRunnableFolderAt(prefix, executable, folder, base::DIR_TEMP))
    return true;
  // Downloads has no CSIDL of its own; the documents folder stands in where
  // shell32 lacks SHGetKnownFolderPath.
  base::FilePath downloads;
  if (GetKnownFolderPath(FOLDERID_Downloads, CSIDL_PERSONAL, &downloads, /*create=*/true) &&
      PrepareRunnableFolder(prefix, executable, &downloads)) {
    *folder = downloads;
    return true;
  }
  return PrepareRunnableFolderAt(prefix, executable, folder, base::DIR_HOME) ||
         PrepareRunnableFolderAt(prefix, executable, folder, base::DIR_EXE);
}

}  // namespace velta
