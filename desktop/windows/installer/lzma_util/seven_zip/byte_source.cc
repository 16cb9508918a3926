// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"

#include <algorithm>
#include <cstring>

namespace velta::seven_zip {

ResultCode ByteSource::ReadExact(uint8_t* out, size_t size) {
  while (size > 0) {
    const uint8_t* data = nullptr;
    size_t available = 0;
    ResultCode result = Peek(&data, &available);
    if (result != ResultCode::kOk)
      return result;
    if (available == 0)
      return ResultCode::kInputEof;
    const size_t count = std::min(available, size);
    std::memcpy(out, data, count);
    Consume(count);
    out += count;
    size -= count;
  }
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
