// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/file_util.h"

#include <windows.h>
#include <bcrypt.h>
#include <share.h>

#include <limits.h>
#include <string.h>

#include <vector>

#include "base/base_paths.h"
#include "base/files/file_enumerator.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_handle.h"

namespace base {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Files are read in pieces of this size.
constexpr size_t kReadChunkSize = 1 << 16;

// Logging may make system calls that change the last error, which our
// callers read after a failure: hold it across a log statement.
class PreserveLastError {
 public:
  PreserveLastError() : error_(::GetLastError()) {}
  PreserveLastError(const PreserveLastError&) = delete;
  PreserveLastError& operator=(const PreserveLastError&) = delete;
  ~PreserveLastError() { ::SetLastError(error_); }

 private:
  const DWORD error_;
};

DWORD ReturnLastErrorOrSuccessOnNotFound() {
  const DWORD error = ::GetLastError();
  return (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? ERROR_SUCCESS : error;
}

// Deletes the entries of `path` matching `pattern`; with `recursive`, folders
// and what they hold too. Links to folders are removed as links, never
// entered. Returns the first error, going on past failures.
DWORD DeleteFolderEntries(const FilePath& path, const std::wstring& pattern, bool recursive) {
  FileEnumerator traversal(path, false, FileEnumerator::FILES | FileEnumerator::DIRECTORIES,
                           pattern);
  DWORD result = ERROR_SUCCESS;
  for (FilePath current = traversal.Next(); !current.empty(); current = traversal.Next()) {
    const FileEnumerator::FileInfo info = traversal.GetInfo();
    const DWORD attributes = info.attributes();
    if ((attributes & FILE_ATTRIBUTE_READONLY) && (recursive || !info.IsDirectory()))
      ::SetFileAttributesW(current.value().c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);

    DWORD this_result = ERROR_SUCCESS;
    if (info.IsDirectory()) {
      if (recursive) {
        if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
          this_result = DeleteFolderEntries(current, L"*", true);
        if (this_result == ERROR_SUCCESS && !::RemoveDirectoryW(current.value().c_str()))
          this_result = ReturnLastErrorOrSuccessOnNotFound();
      }
    } else if (!::DeleteFileW(current.value().c_str())) {
      this_result = ReturnLastErrorOrSuccessOnNotFound();
    }
    if (result == ERROR_SUCCESS)
      result = this_result;
  }
  return result;
}

DWORD DoDeleteFile(const FilePath& path, bool recursive) {
  if (path.empty())
    return ERROR_SUCCESS;

  const std::wstring base_name = path.BaseName().value();
  if (base_name.find_first_of(L"*?") != std::wstring::npos)
    return DeleteFolderEntries(path.DirName(), base_name, recursive);

  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return ReturnLastErrorOrSuccessOnNotFound();

  if ((attributes & FILE_ATTRIBUTE_READONLY) &&
      !::SetFileAttributesW(path.value().c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
    return ReturnLastErrorOrSuccessOnNotFound();
  }

  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return ::DeleteFileW(path.value().c_str()) ? ERROR_SUCCESS
                                               : ReturnLastErrorOrSuccessOnNotFound();
  }

  if (recursive && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    const DWORD error = DeleteFolderEntries(path, L"*", true);
    if (error != ERROR_SUCCESS)
      return error;
  }
  return ::RemoveDirectoryW(path.value().c_str()) ? ERROR_SUCCESS
                                                  : ReturnLastErrorOrSuccessOnNotFound();
}

bool DeleteFileOrSetLastError(const FilePath& path, bool recursive) {
  const DWORD error = DoDeleteFile(path, recursive);
  if (error == ERROR_SUCCESS)
    return true;
  ::SetLastError(error);
  return false;
}

bool DoCopyFile(const FilePath& from_path, const FilePath& to_path) {
  if (from_path.ReferencesParent() || to_path.ReferencesParent()) {
    ::SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  if (!::CopyFileW(from_path.value().c_str(), to_path.value().c_str(), FALSE))
    return false;
  // CopyFileW keeps a read-only source's attribute; the copy must stay
  // writable so that it can be replaced or deleted later.
  const DWORD attributes = ::GetFileAttributesW(to_path.value().c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return false;
  if (attributes & FILE_ATTRIBUTE_READONLY)
    ::SetFileAttributesW(to_path.value().c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  return true;
}

bool CopyAndDeleteDirectory(const FilePath& from_path, const FilePath& to_path) {
  return CopyDirectory(from_path, to_path, true) && DeletePathRecursively(from_path);
}

// A random number for unique names, from the system's generator.
uint32_t RandomUint32() {
  uint32_t value = 0;
  if (!BCRYPT_SUCCESS(::BCryptGenRandom(nullptr, reinterpret_cast<PUCHAR>(&value), sizeof(value),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
    // Still unique enough with the retries of the callers.
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    value = static_cast<uint32_t>(counter.QuadPart) ^ ::GetCurrentThreadId();
  }
  return value;
}

// Inserts `mode_char` into a C stream mode before any ",ccs=" part.
std::wstring AppendModeCharacter(const char* mode, wchar_t mode_char) {
  std::wstring wide_mode = UTF8ToWide(mode);
  const size_t comma = wide_mode.find(L',');
  wide_mode.insert(comma == std::wstring::npos ? wide_mode.size() : comma, 1, mode_char);
  return wide_mode;
}

}  // namespace

bool PathExists(const FilePath& path) {
  return ::GetFileAttributesW(path.value().c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const FilePath& path) {
  const DWORD attributes = ::GetFileAttributesW(path.value().c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool PathIsWritable(const FilePath& path) {
  win::ScopedHandle handle(::CreateFileW(path.value().c_str(), FILE_ADD_FILE, kShareAll, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return handle.is_valid();
}

bool IsDirectoryEmpty(const FilePath& dir_path) {
  FileEnumerator files(dir_path, false, FileEnumerator::FILES | FileEnumerator::DIRECTORIES);
  return files.Next().empty();
}

bool GetFileSize(const FilePath& file_path, int64_t* file_size) {
  File::Info info;
  if (!GetFileInfo(file_path, &info))
    return false;
  *file_size = info.size;
  return true;
}

bool GetFileInfo(const FilePath& file_path, File::Info* info) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(file_path.value().c_str(), GetFileExInfoStandard, &data))
    return false;
  ULARGE_INTEGER size;
  size.HighPart = data.nFileSizeHigh;
  size.LowPart = data.nFileSizeLow;
  info->size = static_cast<int64_t>(size.QuadPart);
  info->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->is_symbolic_link = false;
  info->last_modified = Time::FromFileTime(data.ftLastWriteTime);
  info->last_accessed = Time::FromFileTime(data.ftLastAccessTime);
  info->creation_time = Time::FromFileTime(data.ftCreationTime);
  return true;
}

int64_t ComputeDirectorySize(const FilePath& root_path) {
  int64_t total = 0;
  FileEnumerator files(root_path, true, FileEnumerator::FILES);
  for (FilePath current = files.Next(); !current.empty(); current = files.Next())
    total += files.GetInfo().GetSize();
  return total;
}

FilePath MakeAbsoluteFilePath(const FilePath& input) {
  if (input.empty())
    return FilePath();
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD length = ::GetFullPathNameW(input.value().c_str(),
                                            static_cast<DWORD>(buffer.size()), buffer.data(),
                                            nullptr);
    if (length == 0)
      return FilePath();
    if (length < buffer.size()) {
      buffer.resize(length);
      return FilePath(buffer);
    }
    // Too small: `length` counts the terminator.
    buffer.resize(length);
  }
  return FilePath();
}

bool ReadFileToString(const FilePath& path, std::string* contents) {
  return ReadFileToStringWithMaxSize(path, contents, static_cast<size_t>(-1));
}

bool ReadFileToStringWithMaxSize(const FilePath& path, std::string* contents, size_t max_size) {
  if (contents)
    contents->clear();
  if (path.ReferencesParent()) {
    ::SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_READ, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.is_valid())
    return false;
  // Read in pieces rather than trusting the size: the file may grow or
  // shrink meanwhile.
  std::string local_contents;
  size_t bytes_read_so_far = 0;
  bool read_status = true;
  while (true) {
    local_contents.resize(bytes_read_so_far + kReadChunkSize);
    DWORD bytes_read = 0;
    if (!::ReadFile(file.get(), &local_contents[bytes_read_so_far],
                    static_cast<DWORD>(kReadChunkSize), &bytes_read, nullptr)) {
      read_status = false;
      break;
    }
    if (bytes_read == 0)
      break;
    if (max_size - bytes_read_so_far < bytes_read) {
      bytes_read_so_far = max_size;
      read_status = false;
      ::SetLastError(ERROR_FILE_TOO_LARGE);
      break;
    }
    bytes_read_so_far += bytes_read;
  }
  local_contents.resize(bytes_read_so_far);
  if (contents)
    contents->swap(local_contents);
  return read_status;
}

int ReadFile(const FilePath& path, char* data, int max_size) {
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.is_valid() || max_size < 0)
    return -1;
  DWORD bytes_read = 0;
  if (!::ReadFile(file.get(), data, static_cast<DWORD>(max_size), &bytes_read, nullptr))
    return -1;
  return static_cast<int>(bytes_read);
}

int WriteFile(const FilePath& path, const char* data, int size) {
  if (size < 0) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, 0, nullptr));
  if (!file.is_valid()) {
    PreserveLastError keep;
    DPLOG(WARNING) << "Cannot create " << path;
    return -1;
  }
  DWORD written = 0;
  const BOOL result = ::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr);
  if (result && static_cast<int>(written) == size)
    return size;
  PreserveLastError keep;
  if (!result)
    DPLOG(WARNING) << "Writing " << path << " failed";
  else
    LOG(ERROR) << "Wrote only " << written << " of " << size << " bytes to " << path;
  return -1;
}

bool WriteFile(const FilePath& path, std::string_view data) {
  if (data.size() > static_cast<size_t>(INT_MAX)) {
    ::SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  const int size = static_cast<int>(data.size());
  return WriteFile(path, data.data(), size) == size;
}

bool AppendToFile(const FilePath& path, const char* data, int size) {
  if (size < 0) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  win::ScopedHandle file(::CreateFileW(path.value().c_str(), FILE_APPEND_DATA, 0, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
  if (!file.is_valid()) {
    PreserveLastError keep;
    DPLOG(WARNING) << "Cannot open " << path << " to append";
    return false;
  }
  DWORD written = 0;
  const BOOL result = ::WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr);
  return result && static_cast<int>(written) == size;
}

bool AppendToFile(const FilePath& path, std::string_view data) {
  if (data.size() > static_cast<size_t>(INT_MAX)) {
    ::SetLastError(ERROR_FILE_TOO_LARGE);
    return false;
  }
  return AppendToFile(path, data.data(), static_cast<int>(data.size()));
}

FILE* OpenFile(const FilePath& path, const char* mode) {
  // 'N': the descriptor is not inherited by processes we start.
  DCHECK(strchr(mode, 'N') == nullptr);
  const std::wstring wide_mode = AppendModeCharacter(mode, L'N');
  return _wfsopen(path.value().c_str(), wide_mode.c_str(), _SH_DENYNO);
}

bool CloseFile(FILE* file) {
  if (file == nullptr)
    return true;
  return fclose(file) == 0;
}

bool CopyFile(const FilePath& from_path, const FilePath& to_path) {
  return DoCopyFile(from_path, to_path);
}

bool CopyDirectory(const FilePath& from_path, const FilePath& to_path, bool recursive) {
  // Refuse to copy a folder into itself or below itself: the walk would
  // find its own copies.
  const FilePath real_to_path =
      MakeAbsoluteFilePath(PathExists(to_path) ? to_path : to_path.DirName());
  const FilePath real_from_path = MakeAbsoluteFilePath(from_path);
  if (real_to_path.empty() || real_from_path.empty())
    return false;
  if (FilePath::CompareEqualIgnoreCase(real_to_path.value(), real_from_path.value()) ||
      real_from_path.IsParent(real_to_path)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }

  if (!PathExists(from_path)) {
    PreserveLastError keep;
    DLOG(ERROR) << "CopyDirectory: no source folder " << from_path;
    return false;
  }

  int traverse_type = FileEnumerator::FILES;
  if (recursive)
    traverse_type |= FileEnumerator::DIRECTORIES;
  FileEnumerator traversal(from_path, recursive, traverse_type);

  FilePath current = from_path;
  bool from_is_dir = DirectoryExists(from_path);
  bool success = true;
  FilePath from_path_base = from_path;
  if (recursive && DirectoryExists(to_path)) {
    // An existing destination receives the source folder itself.
    from_path_base = from_path.DirName();
  }

  while (success && !current.empty()) {
    FilePath target_path(to_path);
    if (from_path_base != current && !from_path_base.AppendRelativePath(current, &target_path)) {
      success = false;
      break;
    }
    if (from_is_dir) {
      if (!DirectoryExists(target_path) && !::CreateDirectoryW(target_path.value().c_str(), nullptr)) {
        PreserveLastError keep;
        DPLOG(ERROR) << "CopyDirectory cannot create " << target_path;
        success = false;
      }
    } else if (!DoCopyFile(current, target_path)) {
      PreserveLastError keep;
      DPLOG(ERROR) << "CopyDirectory cannot copy to " << target_path;
      success = false;
    }
    current = traversal.Next();
    if (!current.empty())
      from_is_dir = traversal.GetInfo().IsDirectory();
  }
  return success;
}

bool Move(const FilePath& from_path, const FilePath& to_path) {
  if (from_path.ReferencesParent() || to_path.ReferencesParent()) {
    ::SetLastError(ERROR_BAD_PATHNAME);
    return false;
  }
  if (::MoveFileExW(from_path.value().c_str(), to_path.value().c_str(),
                    MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING)) {
    return true;
  }
  // Keep the rename's error for the caller's log line.
  const DWORD last_error = ::GetLastError();
  // MoveFileExW cannot move a folder across volumes: copy it and delete it.
  if (DirectoryExists(from_path) && CopyAndDeleteDirectory(from_path, to_path))
    return true;
  ::SetLastError(last_error);
  return false;
}

bool ReplaceFile(const FilePath& from_path, const FilePath& to_path, File::Error* error) {
  // A plain rename works when `to_path` does not exist.
  if (::MoveFileW(from_path.value().c_str(), to_path.value().c_str()))
    return true;
  const DWORD move_error = ::GetLastError();
  // ReplaceFileW works only when it does. ACL merge errors (network shares)
  // do not matter here.
  if (::ReplaceFileW(to_path.value().c_str(), from_path.value().c_str(), nullptr,
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return true;
  }
  const DWORD replace_error = ::GetLastError();
  // "Not found" from ReplaceFileW means `to_path` is missing: the rename's
  // error is the one that tells.
  const DWORD reported = File::OSErrorToFileError(replace_error) == File::FILE_ERROR_NOT_FOUND
                             ? move_error
                             : replace_error;
  if (error)
    *error = File::OSErrorToFileError(reported);
  ::SetLastError(reported);
  return false;
}

bool DeleteFile(const FilePath& path) {
  return DeleteFileOrSetLastError(path, false);
}

bool DeletePathRecursively(const FilePath& path) {
  return DeleteFileOrSetLastError(path, true);
}

bool DeleteFileAfterReboot(const FilePath& path) {
  return ::MoveFileExW(path.value().c_str(), nullptr,
                       MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool CreateDirectoryAndGetError(const FilePath& full_path, File::Error* error) {
  const DWORD attributes = ::GetFileAttributesW(full_path.value().c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
      return true;
    DLOG(WARNING) << "CreateDirectory: a file is in the way at " << full_path;
    if (error)
      *error = File::FILE_ERROR_NOT_A_DIRECTORY;
    ::SetLastError(ERROR_FILE_EXISTS);
    return false;
  }

  // Make the parents first, from the highest missing one down.
  const FilePath parent_path = full_path.DirName();
  if (parent_path.value() == full_path.value()) {
    // A root that does not exist (a missing drive).
    if (error)
      *error = File::FILE_ERROR_NOT_FOUND;
    ::SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  if (!CreateDirectoryAndGetError(parent_path, error))
    return false;

  if (::CreateDirectoryW(full_path.value().c_str(), nullptr))
    return true;
  const DWORD error_code = ::GetLastError();
  // Another process may have made it meanwhile; a file made meanwhile fails.
  if (error_code == ERROR_ALREADY_EXISTS && DirectoryExists(full_path))
    return true;
  if (error)
    *error = File::OSErrorToFileError(error_code);
  ::SetLastError(error_code);
  PreserveLastError keep;
  DPLOG(WARNING) << "Cannot create folder " << full_path;
  return false;
}

bool CreateDirectory(const FilePath& full_path) {
  return CreateDirectoryAndGetError(full_path, nullptr);
}

bool GetTempDir(FilePath* path) {
  return PathService::Get(DIR_TEMP, path);
}

bool CreateTemporaryFileInDir(const FilePath& dir, FilePath* temp_file) {
  wchar_t temp_name[MAX_PATH + 1];
  if (!::GetTempFileNameW(dir.value().c_str(), L"", 0, temp_name)) {
    PreserveLastError keep;
    DPLOG(WARNING) << "Cannot create a temporary file in " << dir;
    return false;
  }
  // The name may hold 8.3 short folder names; give back the long form.
  wchar_t long_temp_name[MAX_PATH + 1];
  const DWORD long_length = ::GetLongPathNameW(temp_name, long_temp_name, MAX_PATH);
  if (long_length == 0 || long_length > MAX_PATH)
    *temp_file = FilePath(temp_name);
  else
    *temp_file = FilePath(std::wstring_view(long_temp_name, long_length));
  return true;
}

bool CreateTemporaryFile(FilePath* path) {
  FilePath temp_dir;
  return GetTempDir(&temp_dir) && CreateTemporaryFileInDir(temp_dir, path);
}

bool CreateTemporaryDirInDir(const FilePath& base_dir,
                             const FilePath::StringType& prefix,
                             FilePath* new_dir) {
  return CreateTemporaryDirInDir(base_dir, prefix, nullptr, new_dir);
}

bool CreateTemporaryDirInDir(const FilePath& base_dir,
                             const FilePath::StringType& prefix,
                             _SECURITY_ATTRIBUTES* security_attributes,
                             FilePath* new_dir) {
  for (int count = 0; count < 50; ++count) {
    const std::wstring name = prefix + NumberToWString(::GetCurrentProcessId()) + L"_" +
                              NumberToWString(RandomUint32());
    const FilePath path = base_dir.Append(name);
    if (::CreateDirectoryW(path.value().c_str(), security_attributes)) {
      *new_dir = path;
      return true;
    }
    // Only a name clash is worth another try.
    if (::GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return false;
}

bool CreateNewTempDirectory(const FilePath::StringType& prefix, FilePath* new_temp_path) {
  FilePath system_temp_dir;
  return GetTempDir(&system_temp_dir) &&
         CreateTemporaryDirInDir(system_temp_dir, prefix, new_temp_path);
}

bool TouchFile(const FilePath& path, const Time& last_accessed, const Time& last_modified) {
  uint32_t flags = File::FLAG_OPEN | File::FLAG_WRITE_ATTRIBUTES;
  // Folders open only with backup semantics.
  if (DirectoryExists(path))
    flags |= File::FLAG_BACKUP_SEMANTICS;
  File file(path, flags);
  return file.IsValid() && file.SetTimes(last_accessed, last_modified);
}

bool GetCurrentDirectory(FilePath* path) {
  const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
  if (length == 0)
    return false;
  std::wstring buffer(length, L'\0');
  const DWORD written = ::GetCurrentDirectoryW(length, buffer.data());
  if (written == 0 || written >= length)
    return false;
  buffer.resize(written);
  *path = FilePath(buffer);
  return true;
}

bool SetCurrentDirectory(const FilePath& path) {
  return ::SetCurrentDirectoryW(path.value().c_str()) != FALSE;
}

}  // namespace base
