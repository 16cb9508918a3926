// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FILES_FILE_UTIL_H_
#define BASE_FILES_FILE_UTIL_H_

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include <string>
#include <string_view>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/time/time.h"

// <windows.h> turns these names into macros (DeleteFile -> DeleteFileW). The
// same definitions here give every file that includes this header the same
// spelling of base::DeleteFile and friends, whether or not it also includes
// <windows.h>, before or after this header.
#ifndef CopyFile
#define CopyFile CopyFileW
#endif
#ifndef CreateDirectory
#define CreateDirectory CreateDirectoryW
#endif
#ifndef DeleteFile
#define DeleteFile DeleteFileW
#endif
#ifndef GetCurrentDirectory
#define GetCurrentDirectory GetCurrentDirectoryW
#endif
#ifndef ReplaceFile
#define ReplaceFile ReplaceFileW
#endif
#ifndef SetCurrentDirectory
#define SetCurrentDirectory SetCurrentDirectoryW
#endif

struct _SECURITY_ATTRIBUTES;

namespace base {

// File system helpers on wide Win32 calls. All of them block on disk I/O:
// call them off the UI thread. A failing call returns false (or -1, or an
// empty path) and leaves the Windows error of the failing system call in
// GetLastError() unless it says otherwise. Functions that refuse paths
// containing a ".." component say so.

// ---- Queries

bool PathExists(const FilePath& path);
bool DirectoryExists(const FilePath& path);
// True when a file can be added to the folder `path` (or `path`, a file, can
// be written): the folder opens with FILE_ADD_FILE access.
bool PathIsWritable(const FilePath& path);
// True when `dir_path` holds no entries; also true when it does not exist.
bool IsDirectoryEmpty(const FilePath& dir_path);
bool GetFileSize(const FilePath& file_path, int64_t* file_size);
bool GetFileInfo(const FilePath& file_path, File::Info* info);
// Total size of the files below `root_path`, recursively; 0 when missing.
int64_t ComputeDirectorySize(const FilePath& root_path);
// The full path of `input` against the current directory, with "." and ".."
// resolved; the path need not exist. Empty on failure.
FilePath MakeAbsoluteFilePath(const FilePath& input);

// ---- Whole-file reading and writing

// Reads the whole file into `contents` (may be null to test readability).
// False for a missing file, a folder, a path with ".." (`contents` is then
// empty) or a read error (`contents` holds what was read).
bool ReadFileToString(const FilePath& path, std::string* contents);
// As above, but fails when the file is larger than `max_size`; `contents`
// then holds its first `max_size` bytes.
bool ReadFileToStringWithMaxSize(const FilePath& path, std::string* contents, size_t max_size);
// Reads up to `max_size` bytes; returns the count read or -1.
int ReadFile(const FilePath& path, char* data, int max_size);

// Creates or truncates the file and writes `size` bytes. Returns `size`, or
// -1 when the file cannot be opened or not all bytes were written (what was
// written stays). Use ImportantFileWriter where a torn file would hurt.
int WriteFile(const FilePath& path, const char* data, int size);
bool WriteFile(const FilePath& path, std::string_view data);
// Appends to an existing file; fails when it does not exist.
bool AppendToFile(const FilePath& path, const char* data, int size);
bool AppendToFile(const FilePath& path, std::string_view data);

// Opens a C stream with _wfsopen: `mode` as for fopen ("rb", "w", ...), the
// handle not inherited by child processes, and other openers not locked out.
// Null on failure. Close with CloseFile.
FILE* OpenFile(const FilePath& path, const char* mode);
// fclose; true for a null stream.
bool CloseFile(FILE* file);

// ---- Copying, moving, deleting

// Copies a file over any existing `to_path`; the copy is never read-only.
// Refuses folders and paths with "..".
bool CopyFile(const FilePath& from_path, const FilePath& to_path);
// Copies a folder. Not recursive: its files only, into `to_path`, created if
// needed. Recursive: when `to_path` exists, the folder is copied INTO it
// (to_path\<name of from_path>); otherwise `to_path` becomes the copy.
// Existing files are overwritten. Refuses to copy a folder into itself. Not
// transactional: a failure leaves what was copied.
bool CopyDirectory(const FilePath& from_path, const FilePath& to_path, bool recursive);

// Renames a file or folder, replacing an existing file at `to_path` and
// copying across volumes (MoveFileExW with MOVEFILE_REPLACE_EXISTING |
// MOVEFILE_COPY_ALLOWED); a folder that cannot be renamed is copied and
// deleted. Refuses paths with "..". On failure GetLastError() holds the
// rename's error.
bool Move(const FilePath& from_path, const FilePath& to_path);
// Renames the file `from_path` over `to_path`, on one volume; `error` (may be
// null) says why it failed.
bool ReplaceFile(const FilePath& from_path, const FilePath& to_path, File::Error* error);

// Deletes a file or an empty folder; true when `path` does not exist. A
// read-only file is deleted too. A "*" or "?" in the base name deletes the
// matching files of that folder.
bool DeleteFile(const FilePath& path);
// Deletes a file, or a folder with everything below it, read-only files
// included. Links (junctions, symbolic links) inside are removed, never
// followed. True when `path` is gone or never existed. On failure it goes on
// with the rest and returns false with the first error in GetLastError()
// (ERROR_SHARING_VIOLATION for a file open elsewhere).
bool DeletePathRecursively(const FilePath& path);
// Asks Windows to delete `path` at the next restart (needs administrator
// rights); true when the request was recorded.
bool DeleteFileAfterReboot(const FilePath& path);

// ---- Folders and temporary files

// Makes `full_path` and any missing parents. True when it exists as a folder
// afterwards (also when it did before). A file in the way fails with
// FILE_ERROR_NOT_A_DIRECTORY.
bool CreateDirectoryAndGetError(const FilePath& full_path, File::Error* error);
bool CreateDirectory(const FilePath& full_path);

// The user's temporary folder (PathService's DIR_TEMP, so test overrides
// apply), without a trailing separator.
bool GetTempDir(FilePath* path);
// Creates a new empty file with a unique name in `dir` and returns its path.
bool CreateTemporaryFileInDir(const FilePath& dir, FilePath* temp_file);
bool CreateTemporaryFile(FilePath* path);
// Creates a new folder named `prefix` plus a random part under `base_dir`.
bool CreateTemporaryDirInDir(const FilePath& base_dir,
                             const FilePath::StringType& prefix,
                             FilePath* new_dir);
// The same, the folder made with `security_attributes` (a
// SECURITY_ATTRIBUTES; null: the access list it inherits from `base_dir`).
bool CreateTemporaryDirInDir(const FilePath& base_dir,
                             const FilePath::StringType& prefix,
                             _SECURITY_ATTRIBUTES* security_attributes,
                             FilePath* new_dir);
// The same under the temporary folder.
bool CreateNewTempDirectory(const FilePath::StringType& prefix, FilePath* new_temp_path);

// Sets the times of a file or folder; a null Time leaves that time alone.
bool TouchFile(const FilePath& path, const Time& last_accessed, const Time& last_modified);

// The process's current directory. Process-wide state: set it only at
// start-up, before other threads use relative paths.
bool GetCurrentDirectory(FilePath* path);
bool SetCurrentDirectory(const FilePath& path);

}  // namespace base

#endif  // BASE_FILES_FILE_UTIL_H_
