// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/memory_mapped_file.h"

#include <windows.h>

#include <limits>
#include <utility>

#include "base/logging.h"

namespace base {

MemoryMappedFile::MemoryMappedFile() = default;

MemoryMappedFile::~MemoryMappedFile() {
  CloseHandles();
}

bool MemoryMappedFile::Initialize(const FilePath& file_name) {
  DCHECK(!IsValid()) << "MemoryMappedFile initialised twice";
  if (IsValid())
    return false;
  file_.Initialize(file_name, File::FLAG_OPEN | File::FLAG_READ);
  if (!file_.IsValid()) {
    DLOG(ERROR) << "Cannot open " << file_name << " to map it";
    return false;
  }
  if (!MapFileToMemory()) {
    CloseHandles();
    return false;
  }
  return true;
}

bool MemoryMappedFile::Initialize(File file) {
  DCHECK(!IsValid()) << "MemoryMappedFile initialised twice";
  if (IsValid())
    return false;
  file_ = std::move(file);
  if (!file_.IsValid() || !MapFileToMemory()) {
    CloseHandles();
    return false;
  }
  return true;
}

bool MemoryMappedFile::MapFileToMemory() {
  const int64_t file_length = file_.GetLength();
  if (file_length <= 0 ||
      static_cast<uint64_t>(file_length) > std::numeric_limits<size_t>::max()) {
    // An empty file has nothing to map (CreateFileMapping refuses it with
    // ERROR_FILE_INVALID); a file over the address space cannot be mapped.
    ::SetLastError(file_length == 0 ? ERROR_FILE_INVALID : ERROR_FILE_TOO_LARGE);
    return false;
  }
  file_mapping_ =
      ::CreateFileMappingW(file_.GetPlatformFile(), nullptr, PAGE_READONLY, 0, 0, nullptr);
  if (!file_mapping_) {
    DPLOG(ERROR) << "CreateFileMapping failed";
    return false;
  }
  data_ = static_cast<uint8_t*>(::MapViewOfFile(file_mapping_, FILE_MAP_READ, 0, 0, 0));
  if (!data_) {
    DPLOG(ERROR) << "MapViewOfFile failed";
    return false;
  }
  length_ = static_cast<size_t>(file_length);
  return true;
}

void MemoryMappedFile::CloseHandles() {
  if (data_)
    ::UnmapViewOfFile(data_);
  if (file_mapping_)
    ::CloseHandle(file_mapping_);
  data_ = nullptr;
  file_mapping_ = nullptr;
  length_ = 0;
  file_.Close();
}

}  // namespace base
