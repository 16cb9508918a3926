// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_INPUT_STREAM_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_INPUT_STREAM_H_

#include <cstddef>
#include <cstdint>

#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

// A seekable source of archive bytes (a file handle, a memory block). The
// reader calls it from one thread only, the one that calls the reader.
class InputStream {
 public:
  enum class SeekOrigin { kBegin = 0, kCurrent = 1, kEnd = 2 };

  virtual ~InputStream() = default;

  // Reads up to `*size` bytes into `buffer` and sets `*size` to the number
  // read. Fewer bytes than asked (0 included) means the end of the data was
  // reached; a failing read returns kReadError.
  virtual ResultCode Read(uint8_t* buffer, size_t* size) = 0;

  // Moves to `*position` relative to `origin` and sets `*position` to the new
  // absolute position. Returns kParamError for a bad origin, kFail when the
  // move fails.
  virtual ResultCode Seek(int64_t* position, SeekOrigin origin) = 0;

  // Calls Read until `size` bytes are in or the data ends; `*read` says how
  // many arrived. Returns what a failing Read returned.
  ResultCode ReadFully(uint8_t* buffer, size_t size, size_t* read);
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_INPUT_STREAM_H_
