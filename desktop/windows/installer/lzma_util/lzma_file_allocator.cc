// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/lzma_file_allocator.h"

#include <windows.h>

#include "base/files/file_util.h"
#include "base/logging.h"

namespace velta {

namespace {


}  // namespace

LzmaFileAllocator::LzmaFileAllocator(const base::FilePath& location) {
  if (!base::CreateTemporaryFileInDir(location, &temp_path_)) {
    VLOG(1) << "No temporary file in " << location.value() << "; unpacking into heap memory";
    return;
  }
  HANDLE file = ::CreateFileW(temp_path_.value().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                              nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    PLOG(WARNING) << "Cannot open the temporary file " << temp_path_.value();
    ::DeleteFileW(temp_path_.value().c_str());
    return;
  }
  file_ = file;
}

LzmaFileAllocator::~LzmaFileAllocator() {
  if (view_.begin)
    Free(const_cast<uint8_t*>(view_.begin));
  if (file_)
    ::CloseHandle(file_);
}

void* LzmaFileAllocator::Allocate(size_t size) {
  if (size == 0)
    return nullptr;
  if (file_ && !mapping_) {
    void* view = MapFile(size);
    if (view)
      return view;
  }
  return heap_.Allocate(size);
}

void* LzmaFileAllocator::MapFile(size_t size) {
  LARGE_INTEGER length;
  length.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(file_, length, nullptr, FILE_BEGIN) || !::SetEndOfFile(file_)) {
    PLOG(WARNING) << "Cannot size the temporary file to " << size << " bytes";
    return nullptr;
  }
  const uint64_t size64 = size;
  HANDLE mapping = ::CreateFileMappingW(file_, nullptr, PAGE_READWRITE,
                                        static_cast<DWORD>(size64 >> 32),
                                        static_cast<DWORD>(size64 & 0xFFFFFFFF), nullptr);
  if (!mapping) {
    PLOG(WARNING) << "CreateFileMapping failed for " << size << " bytes";
    return nullptr;
  }
  void* view = ::MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, size);
  if (!view) {
    PLOG(WARNING) << "MapViewOfFile failed for " << size << " bytes";
    ::CloseHandle(mapping);
    return nullptr;
  }
  mapping_ = mapping;
  view_.begin = static_cast<const uint8_t*>(view);
  view_.size = size;
  return view;
}

void LzmaFileAllocator::Free(void* address) {
  if (!address)
    return;
  // Only the mapped view is unmapped; anything else came from the heap.
  if (mapping_ && address == view_.begin) {
    ::UnmapViewOfFile(address);
    view_ = MappedRange();
    ::CloseHandle(mapping_);
    mapping_ = nullptr;
    return;
  }
  heap_.Free(address);
}

}  // namespace velta
