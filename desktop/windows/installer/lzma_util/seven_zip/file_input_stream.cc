// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/file_input_stream.h"

namespace velta::seven_zip {

namespace {

int SeekFile(std::FILE* file, int64_t offset, int whence) {
#if defined(_WIN32)
  return _fseeki64(file, offset, whence);
#else
  return fseeko(file, static_cast<off_t>(offset), whence);
#endif
}

int64_t TellFile(std::FILE* file) {
#if defined(_WIN32)
  return _ftelli64(file);
#else
  return static_cast<int64_t>(ftello(file));
#endif
}

}  // namespace

FileInputStream::FileInputStream() = default;

FileInputStream::~FileInputStream() {
  if (file_)
    std::fclose(file_);
}

bool FileInputStream::Open(const std::string& path) {
  if (file_)
    std::fclose(file_);
  file_ = std::fopen(path.c_str(), "rb");
  return file_ != nullptr;
}

ResultCode FileInputStream::Read(uint8_t* buffer, size_t* size) {
  if (!file_)
    return ResultCode::kReadError;
  const size_t wanted = *size;
  *size = std::fread(buffer, 1, wanted, file_);
  if (*size < wanted && std::ferror(file_))
    return ResultCode::kReadError;
  return ResultCode::kOk;
}

ResultCode FileInputStream::Seek(int64_t* position, SeekOrigin origin) {
  int whence = SEEK_SET;
  switch (origin) {
    case SeekOrigin::kBegin:
      whence = SEEK_SET;
      break;
    case SeekOrigin::kCurrent:
      whence = SEEK_CUR;
      break;
    case SeekOrigin::kEnd:
      whence = SEEK_END;
      break;
    default:
      return ResultCode::kParamError;
  }
  if (!file_ || SeekFile(file_, *position, whence) != 0)
    return ResultCode::kFail;
  const int64_t now = TellFile(file_);
  if (now < 0)
    return ResultCode::kFail;
  *position = now;
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
