// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/lzma_file_allocator.h"

#include <windows.h>

#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"

namespace velta {

LzmaFileAllocator::LzmaFileAllocator(const base::FilePath& location) {
  base::FilePath temp_path;
  if (!base::CreateTemporaryFileInDir(location, &temp_path)) {
    VLOG(1) << "No temporary file in " << location.value() << "; unpacking into heap memory";
    return;
  }
  file_.Set(::CreateFileW(temp_path.value().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                          CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE,
                          nullptr));
  if (!file_.IsValid()) {
    PLOG(WARNING) << "Cannot open the temporary file " << temp_path.value();
    ::DeleteFileW(temp_path.value().c_str());
  }
}

LzmaFileAllocator::~LzmaFileAllocator() {
  // The view goes before the file closes (and is deleted).
  if (view_.begin)
    Free(const_cast<uint8_t*>(view_.begin));
}

void* LzmaFileAllocator::Allocate(size_t size) {
  if (size == 0)
    return nullptr;
  if (file_.IsValid() && !mapping_.IsValid()) {
    void* view = MapFile(size);
    if (view)
      return view;
  }
  return heap_.Allocate(size);
}

void* LzmaFileAllocator::MapFile(size_t size) {
  LARGE_INTEGER length;
  length.QuadPart = static_cast<LONGLONG>(size);
  if (!::SetFilePointerEx(file_.Get(), length, nullptr, FILE_BEGIN) ||
      !::SetEndOfFile(file_.Get())) {
    PLOG(WARNING) << "Cannot size the temporary file to " << size << " bytes";
    return nullptr;
  }
  const uint64_t size64 = size;
  base::win::ScopedHandle mapping(::CreateFileMappingW(file_.Get(), nullptr, PAGE_READWRITE,
                                                       static_cast<DWORD>(size64 >> 32),
                                                       static_cast<DWORD>(size64 & 0xFFFFFFFF),
                                                       nullptr));
  if (!mapping.IsValid()) {
    PLOG(WARNING) << "CreateFileMapping failed for " << size << " bytes";
    return nullptr;
  }
  void* view = ::MapViewOfFile(mapping.Get(), FILE_MAP_WRITE, 0, 0, size);
  if (!view) {
    PLOG(WARNING) << "MapViewOfFile failed for " << size << " bytes";
    return nullptr;
  }
  mapping_ = std::move(mapping);
  view_.begin = static_cast<const uint8_t*>(view);
  view_.size = size;
  return view;
}

void LzmaFileAllocator::Free(void* address) {
  if (!address)
    return;
  // Only the mapped view is unmapped; anything else came from the heap.
  if (mapping_.IsValid() && address == view_.begin) {
    ::UnmapViewOfFile(address);
    view_ = MappedRange();
    mapping_.Close();
    return;
  }
  heap_.Free(address);
}

}  // namespace velta
