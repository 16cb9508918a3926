// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_INPUT_STREAM_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_INPUT_STREAM_H_

#include <stddef.h>
#include <stdint.h>

#include "desktop/windows/installer/lzma_util/seven_zip/input_stream.h"

namespace velta {

// The archive reader's view of an open Windows file handle: reads with
// ReadFile, moves with SetFilePointerEx. Does not own the handle, which must
// outlive the stream. Used on the thread that unpacks.
class HandleInputStream : public seven_zip::InputStream {
 public:
  explicit HandleInputStream(void* file);
  HandleInputStream(const HandleInputStream&) = delete;
  HandleInputStream& operator=(const HandleInputStream&) = delete;
  ~HandleInputStream() override;

  // Loops ReadFile until `*size` bytes are in or the file ends (success with
  // fewer bytes); kReadError when ReadFile fails. A single request must fit
  // in 32 bits (kParamError otherwise).
  seven_zip::ResultCode Read(uint8_t* buffer, size_t* size) override;
  // kParamError for an unknown origin, kFail when the move fails.
  seven_zip::ResultCode Seek(int64_t* position, SeekOrigin origin) override;

 private:
  void* const file_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_HANDLE_INPUT_STREAM_H_
