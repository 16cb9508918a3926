// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FILE_INPUT_STREAM_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FILE_INPUT_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "desktop/windows/installer/lzma_util/seven_zip/input_stream.h"

namespace velta::seven_zip {

// An InputStream over a file opened with the C library (narrow path). For
// tests and tools; the installer reads archives through its own Windows
// file stream.
class FileInputStream : public InputStream {
 public:
  FileInputStream();
  FileInputStream(const FileInputStream&) = delete;
  FileInputStream& operator=(const FileInputStream&) = delete;
  ~FileInputStream() override;

  // Opens `path` for reading; false when it cannot be opened.
  bool Open(const std::string& path);

  ResultCode Read(uint8_t* buffer, size_t* size) override;
  ResultCode Seek(int64_t* position, SeekOrigin origin) override;

 private:
  std::FILE* file_ = nullptr;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FILE_INPUT_STREAM_H_
