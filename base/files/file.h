// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FILES_FILE_H_
#define BASE_FILES_FILE_H_

#include <stdint.h>

#include <string>

#include "base/files/file_path.h"
#include "base/time/time.h"

namespace base {

// A Windows file handle (HANDLE), spelled without <windows.h>.
using PlatformFile = void*;
// INVALID_HANDLE_VALUE.
inline PlatformFile const kInvalidPlatformFile =
    reinterpret_cast<PlatformFile>(static_cast<intptr_t>(-1));

// An open file that owns its handle and closes it when destroyed. Opening
// never throws or crashes: a file that cannot be opened is an invalid File
// whose error_details() says why. Reads and writes are synchronous and
// block; use a File on one sequence at a time. Movable, not copyable.
class File {
 public:
  // How to open: exactly one of the first five, then any of the rest. Unlike
  // Windows' share modes, the EXCLUSIVE flags keep other openers out; by
  // default other handles may read and write, but not delete or rename
  // unless FLAG_SHARE_DELETE is given.
  enum Flags : uint32_t {
    FLAG_OPEN = 1 << 0,             // the file must exist
    FLAG_CREATE = 1 << 1,           // the file must not exist
    FLAG_OPEN_ALWAYS = 1 << 2,      // opened or created
    FLAG_CREATE_ALWAYS = 1 << 3,    // created or truncated; needs FLAG_WRITE
    FLAG_OPEN_TRUNCATED = 1 << 4,   // must exist, truncated; needs FLAG_WRITE
    FLAG_READ = 1 << 5,
    FLAG_WRITE = 1 << 6,
    FLAG_APPEND = 1 << 7,           // writes go to the end; not with FLAG_WRITE
    FLAG_EXCLUSIVE_READ = 1 << 8,   // no other handle may read
    FLAG_EXCLUSIVE_WRITE = 1 << 9,  // no other handle may write
    FLAG_TEMPORARY = 1 << 11,       // kept in memory where possible
    FLAG_HIDDEN = 1 << 12,
    FLAG_DELETE_ON_CLOSE = 1 << 13,  // gone when the last handle closes
    FLAG_WRITE_ATTRIBUTES = 1 << 14,
    FLAG_SHARE_DELETE = 1 << 15,  // others may delete or rename it meanwhile
    FLAG_BACKUP_SEMANTICS = 1 << 17,  // needed to open a directory
    FLAG_EXECUTE = 1 << 18,
    FLAG_SEQUENTIAL_SCAN = 1 << 19,
    FLAG_CAN_DELETE_ON_CLOSE = 1 << 20,  // DELETE access
  };

  // Why an operation failed, from the Windows error code
  // (OSErrorToFileError).
  enum Error {
    FILE_OK = 0,
    FILE_ERROR_FAILED = -1,
    FILE_ERROR_IN_USE = -2,
    FILE_ERROR_EXISTS = -3,
    FILE_ERROR_NOT_FOUND = -4,
    FILE_ERROR_ACCESS_DENIED = -5,
    FILE_ERROR_TOO_MANY_OPENED = -6,
    FILE_ERROR_NO_MEMORY = -7,
    FILE_ERROR_NO_SPACE = -8,
    FILE_ERROR_NOT_A_DIRECTORY = -9,
    FILE_ERROR_INVALID_OPERATION = -10,
    FILE_ERROR_SECURITY = -11,
    FILE_ERROR_ABORT = -12,
    FILE_ERROR_NOT_A_FILE = -13,
    FILE_ERROR_NOT_EMPTY = -14,
    FILE_ERROR_INVALID_URL = -15,
    FILE_ERROR_IO = -16,
    FILE_ERROR_MAX = -17,
  };

  enum Whence {
    FROM_BEGIN = 0,
    FROM_CURRENT = 1,
    FROM_END = 2,
  };

  // What GetInfo and GetFileInfo report. Times are null when unknown.
  struct Info {
    int64_t size = 0;
    bool is_directory = false;
    bool is_symbolic_link = false;
    Time last_modified;
    Time last_accessed;
    Time creation_time;
  };

  // An invalid file (FILE_ERROR_FAILED).
  File();
  // Opens `path` with `flags`; check IsValid().
  File(const FilePath& path, uint32_t flags);
  // Takes ownership of an open handle.
  explicit File(PlatformFile platform_file);
  // An invalid file that reports `error_details`.
  explicit File(Error error_details);
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // Opens `path`, closing any file held before.
  void Initialize(const FilePath& path, uint32_t flags);

  // A null handle counts as invalid too.
  bool IsValid() const;
  // True when the last Initialize made the file (FLAG_CREATE,
  // FLAG_CREATE_ALWAYS, or FLAG_OPEN_ALWAYS on a file that did not exist).
  bool created() const { return created_; }
  // FILE_OK for an open file, else why it could not be opened.
  Error error_details() const { return error_details_; }

  PlatformFile GetPlatformFile() const { return file_; }
  // Hands the handle to the caller, who closes it; the File becomes invalid.
  PlatformFile TakePlatformFile();

  // Closes the handle. Safe to call on an invalid file and more than once.
  void Close();

  // Moves the file position; returns the new position, or -1.
  int64_t Seek(Whence whence, int64_t offset);

  // Reads up to `size` bytes at `offset` (this moves the file position to
  // just after them). Returns the bytes read, 0 at the end, or -1 on error.
  int Read(int64_t offset, char* data, int size);
  int ReadAtCurrentPos(char* data, int size);

  // Writes `size` bytes at `offset`, or at the end for FLAG_APPEND files.
  // Returns the bytes written or -1.
  int Write(int64_t offset, const char* data, int size);
  int WriteAtCurrentPos(const char* data, int size);

  // The file's size, or -1.
  int64_t GetLength();
  // Truncates or extends (with zeros) to `length`; the position is kept.
  bool SetLength(int64_t length);
  // Writes buffered data through to the disk (FlushFileBuffers).
  bool Flush();

  // Null times are left unchanged.
  bool SetTimes(Time last_access_time, Time last_modified_time);
  bool GetInfo(Info* info);

  // Returns the last Windows error as an Error.
  static Error GetLastFileError();
  static Error OSErrorToFileError(unsigned long last_error);
  // "FILE_ERROR_NOT_FOUND" and so on.
  static std::string ErrorToString(Error error);

 private:
  void SetPlatformFile(PlatformFile file);

  PlatformFile file_ = kInvalidPlatformFile;
  Error error_details_ = FILE_ERROR_FAILED;
  bool created_ = false;
};

}  // namespace base

#endif  // BASE_FILES_FILE_H_
