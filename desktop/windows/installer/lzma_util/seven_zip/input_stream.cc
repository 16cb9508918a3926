// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/input_stream.h"

namespace velta::seven_zip {

ResultCode InputStream::ReadFully(uint8_t* buffer, size_t size, size_t* read) {
  *read = 0;
  while (*read < size) {
    size_t count = size - *read;
    ResultCode result = Read(buffer + *read, &count);
    if (result != ResultCode::kOk)
      return result;
    if (count == 0)
      break;
    *read += count;
  }
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
