// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/important_file_writer.h"

#include <windows.h>

#include <algorithm>

#include "base/files/file.h"
#include "base/files/file_util.h"
#include "base/logging.h"

namespace base {
namespace {

// Largest piece handed to one WriteFile call.
constexpr size_t kMaxWriteChunk = 1 << 30;

void LogFailure(const FilePath& path, const char* message, DWORD error) {
  LOG(ERROR) << "Failed to write " << path << ": " << message << ": "
             << logging::SystemErrorCodeToString(error);
}

// Removes the temporary file, keeping the error that made us give up.
void DeleteTemporaryFile(const FilePath& temp_path, DWORD error) {
  if (!DeleteFile(temp_path))
    PLOG(WARNING) << "Cannot delete temporary file " << temp_path;
  ::SetLastError(error);
}

}  // namespace

// static
bool ImportantFileWriter::WriteFileAtomically(const FilePath& path, std::string_view data) {
  // The temporary file lives in the target's folder so that the final rename
  // stays on one volume and is a single step.
  FilePath temp_path;
  if (!CreateTemporaryFileInDir(path.DirName(), &temp_path)) {
    const DWORD error = ::GetLastError();
    LogFailure(path, "could not create a temporary file", error);
    ::SetLastError(error);
    return false;
  }

  File temp_file(temp_path, File::FLAG_OPEN | File::FLAG_WRITE);
  if (!temp_file.IsValid()) {
    const DWORD error = ::GetLastError();
    LogFailure(path, "could not open the temporary file", error);
    DeleteTemporaryFile(temp_path, error);
    return false;
  }

  size_t written = 0;
  while (written < data.size()) {
    const int chunk = static_cast<int>(std::min(data.size() - written, kMaxWriteChunk));
    const int result = temp_file.Write(static_cast<int64_t>(written), data.data() + written, chunk);
    if (result <= 0)
      break;
    written += static_cast<size_t>(result);
  }
  if (written < data.size()) {
    const DWORD error = ::GetLastError();
    temp_file.Close();
    LOG(ERROR) << "Wrote " << written << " of " << data.size() << " bytes";
    LogFailure(path, "error writing the temporary file", error);
    DeleteTemporaryFile(temp_path, error);
    return false;
  }
  if (!temp_file.Flush()) {
    const DWORD error = ::GetLastError();
    temp_file.Close();
    LogFailure(path, "error flushing the temporary file", error);
    DeleteTemporaryFile(temp_path, error);
    return false;
  }
  temp_file.Close();

  if (!::MoveFileExW(temp_path.value().c_str(), path.value().c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = ::GetLastError();
    LogFailure(path, "could not rename the temporary file over it", error);
    DeleteTemporaryFile(temp_path, error);
    return false;
  }
  return true;
}

}  // namespace base
