// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/handle_input_stream.h"

#include <windows.h>

namespace velta {

using seven_zip::ResultCode;

HandleInputStream::HandleInputStream(void* file) : file_(file) {}

HandleInputStream::~HandleInputStream() = default;

ResultCode HandleInputStream::Read(uint8_t* buffer, size_t* size) {
  const size_t wanted = *size;
  if (wanted == 0)
    return ResultCode::kOk;
  if (wanted > 0xFFFFFFFFu) {
    *size = 0;
    return ResultCode::kParamError;
  }
  size_t done = 0;
  while (done < wanted) {
    DWORD read = 0;
    const BOOL ok = ::ReadFile(file_, buffer + done, static_cast<DWORD>(wanted - done), &read, nullptr);
    if (read == 0) {
      *size = done;
      // A successful read of nothing is the end of the file.
      return ok ? ResultCode::kOk : ResultCode::kReadError;
    }
    done += read;
  }
  *size = done;
  return ResultCode::kOk;
}

ResultCode HandleInputStream::Seek(int64_t* position, SeekOrigin origin) {
  DWORD method;
  switch (origin) {
    case SeekOrigin::kBegin:
      method = FILE_BEGIN;
      break;
    case SeekOrigin::kCurrent:
      method = FILE_CURRENT;
      break;
    case SeekOrigin::kEnd:
      method = FILE_END;
      break;
    default:
      return ResultCode::kParamError;
  }
  LARGE_INTEGER distance;
  distance.QuadPart = *position;
  LARGE_INTEGER moved_to;
  if (!::SetFilePointerEx(file_, distance, &moved_to, method))
    return ResultCode::kFail;
  *position = moved_to.QuadPart;
  return ResultCode::kOk;
}

}  // namespace velta
