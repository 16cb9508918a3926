// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_ELEVATION_RUNNABLE_FOLDER_H_
#define DESKTOP_WINDOWS_INSTALLER_ELEVATION_RUNNABLE_FOLDER_H_

#include <string>

namespace base {
class FilePath;
}

namespace velta {

// Makes `*folder` joined with `prefix` (creating it when missing) and, when
// `executable` is not empty, proves that programs can run there: copies the
// executable into a new folder of a unique name beside the prepared one,
// made for this probe alone, runs the copy with "--version", waits for it
// and deletes the copy and that folder. On success `*folder` is the prepared
// folder. On failure a folder that was left empty is removed again and false
// is returned.
bool PrepareRunnableFolder(const std::wstring& prefix,
                           const base::FilePath& executable,
                           base::FilePath* folder);

// The same in the folder that the path service gives for `path_key`
// (base::DIR_TEMP, base::DIR_HOME, base::DIR_EXE); false when the key cannot
// be resolved.
bool PrepareRunnableFolderAt(const std::wstring& prefix,
                             const base::FilePath& executable,
                             base::FilePath* folder,
                             int path_key);

// The first folder where `executable` can run: the temporary folder, the
// user's Downloads folder, the home folder, the executable's own folder.
bool GetDownloadFolder(const std::wstring& prefix,
                       const base::FilePath& executable,
                       base::FilePath* folder);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_ELEVATION_RUNNABLE_FOLDER_H_
