// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_RESULT_CODE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_RESULT_CODE_H_

namespace velta::seven_zip {

// Outcome of a reader operation. The values are the LZMA SDK's SZ_* result
// numbers, so a caller can log them as the SDK's codes; the LZMA decoder
// target checks them against the SDK's own definitions at compile time.
enum class ResultCode : int {
  kOk = 0,
  kDataError = 1,
  kMemoryError = 2,
  kCrcError = 3,
  kUnsupported = 4,
  kParamError = 5,
  kInputEof = 6,
  kOutputEof = 7,
  kReadError = 8,
  kWriteError = 9,
  kProgressError = 10,
  kFail = 11,
  kThreadError = 12,
  kArchiveError = 16,
  kNoArchive = 17,
};

// The SDK's name of `code` ("SZ_ERROR_DATA"), for log lines.
constexpr const char* ResultCodeName(ResultCode code) {
  switch (code) {
    case ResultCode::kOk:
      return "SZ_OK";
    case ResultCode::kDataError:
      return "SZ_ERROR_DATA";
    case ResultCode::kMemoryError:
      return "SZ_ERROR_MEM";
    case ResultCode::kCrcError:
      return "SZ_ERROR_CRC";
    case ResultCode::kUnsupported:
      return "SZ_ERROR_UNSUPPORTED";
    case ResultCode::kParamError:
      return "SZ_ERROR_PARAM";
    case ResultCode::kInputEof:
      return "SZ_ERROR_INPUT_EOF";
    case ResultCode::kOutputEof:
      return "SZ_ERROR_OUTPUT_EOF";
    case ResultCode::kReadError:
      return "SZ_ERROR_READ";
    case ResultCode::kWriteError:
      return "SZ_ERROR_WRITE";
    case ResultCode::kProgressError:
      return "SZ_ERROR_PROGRESS";
    case ResultCode::kFail:
      return "SZ_ERROR_FAIL";
    case ResultCode::kThreadError:
      return "SZ_ERROR_THREAD";
    case ResultCode::kArchiveError:
      return "SZ_ERROR_ARCHIVE";
    case ResultCode::kNoArchive:
      return "SZ_ERROR_NO_ARCHIVE";
  }
  return "SZ_ERROR_UNKNOWN";
}

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_RESULT_CODE_H_
