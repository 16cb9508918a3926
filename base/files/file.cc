// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/file.h"

#include <windows.h>

#include <utility>

#include "base/logging.h"
#include "base/win/mingw_sdk_gaps.h"

namespace base {
namespace {

HANDLE AsHandle(PlatformFile file) {
  return static_cast<HANDLE>(file);
}

bool IsValidHandle(PlatformFile file) {
  return file != kInvalidPlatformFile && file != nullptr;
}

// A synchronous handle reads and writes at the offset an OVERLAPPED names
// (and then leaves its position just after the bytes moved).
OVERLAPPED OverlappedAt(int64_t offset) {
  LARGE_INTEGER position;
  position.QuadPart = offset;
  OVERLAPPED overlapped = {};
  overlapped.Offset = position.LowPart;
  overlapped.OffsetHigh = static_cast<DWORD>(position.HighPart);
  return overlapped;
}

}  // namespace

File::File() = default;

File::File(const FilePath& path, uint32_t flags) {
  Initialize(path, flags);
}

File::File(PlatformFile platform_file) : file_(platform_file) {
  if (IsValidHandle(file_))
    error_details_ = FILE_OK;
}

File::File(Error error_details) : error_details_(error_details) {}

File::File(File&& other) noexcept
    : file_(other.TakePlatformFile()),
      error_details_(other.error_details_),
      created_(other.created_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    SetPlatformFile(other.TakePlatformFile());
    error_details_ = other.error_details_;
    created_ = other.created_;
  }
  return *this;
}

File::~File() {
  Close();
}

void File::Initialize(const FilePath& path, uint32_t flags) {
  Close();
  created_ = false;

  DWORD disposition = 0;
  int dispositions = 0;
  if (flags & FLAG_OPEN) {
    disposition = OPEN_EXISTING;
    ++dispositions;
  }
  if (flags & FLAG_CREATE) {
    disposition = CREATE_NEW;
    ++dispositions;
  }
  if (flags & FLAG_OPEN_ALWAYS) {
    disposition = OPEN_ALWAYS;
    ++dispositions;
  }
  if (flags & FLAG_CREATE_ALWAYS) {
    DCHECK(flags & FLAG_WRITE);
    disposition = CREATE_ALWAYS;
    ++dispositions;
  }
  if (flags & FLAG_OPEN_TRUNCATED) {
    DCHECK(flags & FLAG_WRITE);
    disposition = TRUNCATE_EXISTING;
    ++dispositions;
  }
  if (dispositions != 1) {
    DCHECK(false) << "File needs exactly one of the open/create flags: " << flags;
    ::SetLastError(ERROR_INVALID_PARAMETER);
    error_details_ = FILE_ERROR_FAILED;
    return;
  }

  DWORD access = 0;
  if (flags & FLAG_WRITE)
    access = GENERIC_WRITE;
  if (flags & FLAG_APPEND) {
    DCHECK(!access) << "FLAG_APPEND excludes FLAG_WRITE";
    access = FILE_APPEND_DATA;
  }
  if (flags & FLAG_READ)
    access |= GENERIC_READ;
  if (flags & FLAG_WRITE_ATTRIBUTES)
    access |= FILE_WRITE_ATTRIBUTES;
  if (flags & FLAG_EXECUTE)
    access |= GENERIC_EXECUTE;
  if (flags & FLAG_CAN_DELETE_ON_CLOSE)
    access |= DELETE;

  DWORD sharing = (flags & FLAG_EXCLUSIVE_READ) ? 0 : FILE_SHARE_READ;
  if (!(flags & FLAG_EXCLUSIVE_WRITE))
    sharing |= FILE_SHARE_WRITE;
  if (flags & FLAG_SHARE_DELETE)
    sharing |= FILE_SHARE_DELETE;

  DWORD create_flags = 0;
  if (flags & FLAG_TEMPORARY)
    create_flags |= FILE_ATTRIBUTE_TEMPORARY;
  if (flags & FLAG_HIDDEN)
    create_flags |= FILE_ATTRIBUTE_HIDDEN;
  if (flags & FLAG_DELETE_ON_CLOSE)
    create_flags |= FILE_FLAG_DELETE_ON_CLOSE;
  if (flags & FLAG_BACKUP_SEMANTICS)
    create_flags |= FILE_FLAG_BACKUP_SEMANTICS;
  if (flags & FLAG_SEQUENTIAL_SCAN)
    create_flags |= FILE_FLAG_SEQUENTIAL_SCAN;

  HANDLE handle = ::CreateFileW(path.value().c_str(), access, sharing, nullptr, disposition,
                                create_flags, nullptr);
  const DWORD error = ::GetLastError();
  if (handle == INVALID_HANDLE_VALUE) {
    error_details_ = OSErrorToFileError(error);
    ::SetLastError(error);
    return;
  }
  file_ = handle;
  error_details_ = FILE_OK;
  if (flags & FLAG_OPEN_ALWAYS)
    created_ = error != ERROR_ALREADY_EXISTS;
  else if (flags & (FLAG_CREATE_ALWAYS | FLAG_CREATE))
    created_ = true;
}

bool File::IsValid() const {
  return IsValidHandle(file_);
}

PlatformFile File::TakePlatformFile() {
  PlatformFile file = file_;
  file_ = kInvalidPlatformFile;
  return file;
}

void File::SetPlatformFile(PlatformFile file) {
  Close();
  file_ = file;
}

void File::Close() {
  if (!IsValid())
    return;
  // Keep the caller's last error: closing is not what they asked about.
  const DWORD error = ::GetLastError();
  ::CloseHandle(AsHandle(file_));
  file_ = kInvalidPlatformFile;
  ::SetLastError(error);
}

int64_t File::Seek(Whence whence, int64_t offset) {
  DCHECK(IsValid());
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER result;
  if (!::SetFilePointerEx(AsHandle(file_), distance, &result, static_cast<DWORD>(whence)))
    return -1;
  return result.QuadPart;
}

int File::Read(int64_t offset, char* data, int size) {
  DCHECK(IsValid());
  if (size < 0 || offset < 0)
    return -1;
  OVERLAPPED overlapped = OverlappedAt(offset);
  DWORD bytes_read = 0;
  if (::ReadFile(AsHandle(file_), data, static_cast<DWORD>(size), &bytes_read, &overlapped))
    return static_cast<int>(bytes_read);
  // A read at or past the end of a file reports ERROR_HANDLE_EOF.
  if (::GetLastError() == ERROR_HANDLE_EOF)
    return 0;
  return -1;
}

int File::ReadAtCurrentPos(char* data, int size) {
  DCHECK(IsValid());
  if (size < 0)
    return -1;
  DWORD bytes_read = 0;
  if (::ReadFile(AsHandle(file_), data, static_cast<DWORD>(size), &bytes_read, nullptr))
    return static_cast<int>(bytes_read);
  if (::GetLastError() == ERROR_HANDLE_EOF)
    return 0;
  return -1;
}

int File::Write(int64_t offset, const char* data, int size) {
  DCHECK(IsValid());
  if (size < 0 || offset < 0)
    return -1;
  OVERLAPPED overlapped = OverlappedAt(offset);
  DWORD bytes_written = 0;
  if (!::WriteFile(AsHandle(file_), data, static_cast<DWORD>(size), &bytes_written, &overlapped))
    return -1;
  return static_cast<int>(bytes_written);
}

int File::WriteAtCurrentPos(const char* data, int size) {
  DCHECK(IsValid());
  if (size < 0)
    return -1;
  DWORD bytes_written = 0;
  if (!::WriteFile(AsHandle(file_), data, static_cast<DWORD>(size), &bytes_written, nullptr))
    return -1;
  return static_cast<int>(bytes_written);
}

int64_t File::GetLength() {
  DCHECK(IsValid());
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(AsHandle(file_), &size))
    return -1;
  return size.QuadPart;
}

bool File::SetLength(int64_t length) {
  DCHECK(IsValid());
  if (length < 0)
    return false;
  LARGE_INTEGER zero = {};
  LARGE_INTEGER saved_position;
  if (!::SetFilePointerEx(AsHandle(file_), zero, &saved_position, FILE_CURRENT))
    return false;
  LARGE_INTEGER new_length;
  new_length.QuadPart = length;
  if (!::SetFilePointerEx(AsHandle(file_), new_length, nullptr, FILE_BEGIN))
    return false;
  const bool truncated = ::SetEndOfFile(AsHandle(file_)) != FALSE;
  const DWORD error = ::GetLastError();
  const bool restored =
      ::SetFilePointerEx(AsHandle(file_), saved_position, nullptr, FILE_BEGIN) != FALSE;
  if (!truncated)
    ::SetLastError(error);
  return truncated && restored;
}

bool File::Flush() {
  DCHECK(IsValid());
  return ::FlushFileBuffers(AsHandle(file_)) != FALSE;
}

bool File::SetTimes(Time last_access_time, Time last_modified_time) {
  DCHECK(IsValid());
  FILETIME access = last_access_time.ToFileTime();
  FILETIME write = last_modified_time.ToFileTime();
  return ::SetFileTime(AsHandle(file_), nullptr, last_access_time.is_null() ? nullptr : &access,
                       last_modified_time.is_null() ? nullptr : &write) != FALSE;
}

bool File::GetInfo(Info* info) {
  DCHECK(IsValid());
  BY_HANDLE_FILE_INFORMATION file_info;
  if (!::GetFileInformationByHandle(AsHandle(file_), &file_info))
    return false;
  ULARGE_INTEGER size;
  size.HighPart = file_info.nFileSizeHigh;
  size.LowPart = file_info.nFileSizeLow;
  info->size = static_cast<int64_t>(size.QuadPart);
  info->is_directory = (file_info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  info->is_symbolic_link = false;
  info->last_modified = Time::FromFileTime(file_info.ftLastWriteTime);
  info->last_accessed = Time::FromFileTime(file_info.ftLastAccessTime);
  info->creation_time = Time::FromFileTime(file_info.ftCreationTime);
  return true;
}

// static
File::Error File::GetLastFileError() {
  return OSErrorToFileError(::GetLastError());
}

// static
File::Error File::OSErrorToFileError(unsigned long last_error) {
  switch (last_error) {
    case ERROR_SUCCESS:
      return FILE_OK;
    case ERROR_SHARING_VIOLATION:
    case ERROR_UNABLE_TO_REMOVE_REPLACED:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT:
    case ERROR_UNABLE_TO_MOVE_REPLACEMENT_2:
      return FILE_ERROR_IN_USE;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return FILE_ERROR_EXISTS;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return FILE_ERROR_NOT_FOUND;
    case ERROR_ACCESS_DENIED:
    case ERROR_LOCK_VIOLATION:
      return FILE_ERROR_ACCESS_DENIED;
    case ERROR_TOO_MANY_OPEN_FILES:
      return FILE_ERROR_TOO_MANY_OPENED;
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_MEMORY:
      return FILE_ERROR_NO_MEMORY;
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_DISK_FULL:
    case ERROR_DISK_RESOURCES_EXHAUSTED:
      return FILE_ERROR_NO_SPACE;
    case ERROR_USER_MAPPED_FILE:
      return FILE_ERROR_INVALID_OPERATION;
    case ERROR_NOT_READY:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_IO_DEVICE:
    case ERROR_FILE_CORRUPT:
    case ERROR_DISK_CORRUPT:
      return FILE_ERROR_IO;
    default:
      return FILE_ERROR_FAILED;
  }
}

// static
std::string File::ErrorToString(Error error) {
  switch (error) {
    case FILE_OK:
      return "FILE_OK";
    case FILE_ERROR_FAILED:
      return "FILE_ERROR_FAILED";
    case FILE_ERROR_IN_USE:
      return "FILE_ERROR_IN_USE";
    case FILE_ERROR_EXISTS:
      return "FILE_ERROR_EXISTS";
    case FILE_ERROR_NOT_FOUND:
      return "FILE_ERROR_NOT_FOUND";
    case FILE_ERROR_ACCESS_DENIED:
      return "FILE_ERROR_ACCESS_DENIED";
    case FILE_ERROR_TOO_MANY_OPENED:
      return "FILE_ERROR_TOO_MANY_OPENED";
    case FILE_ERROR_NO_MEMORY:
      return "FILE_ERROR_NO_MEMORY";
    case FILE_ERROR_NO_SPACE:
      return "FILE_ERROR_NO_SPACE";
    case FILE_ERROR_NOT_A_DIRECTORY:
      return "FILE_ERROR_NOT_A_DIRECTORY";
    case FILE_ERROR_INVALID_OPERATION:
      return "FILE_ERROR_INVALID_OPERATION";
    case FILE_ERROR_SECURITY:
      return "FILE_ERROR_SECURITY";
    case FILE_ERROR_ABORT:
      return "FILE_ERROR_ABORT";
    case FILE_ERROR_NOT_A_FILE:
      return "FILE_ERROR_NOT_A_FILE";
    case FILE_ERROR_NOT_EMPTY:
      return "FILE_ERROR_NOT_EMPTY";
    case FILE_ERROR_INVALID_URL:
      return "FILE_ERROR_INVALID_URL";
    case FILE_ERROR_IO:
      return "FILE_ERROR_IO";
    case FILE_ERROR_MAX:
      break;
  }
  return "";
}

}  // namespace base
