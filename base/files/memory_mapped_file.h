// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_FILES_MEMORY_MAPPED_FILE_H_
#define BASE_FILES_MEMORY_MAPPED_FILE_H_

#include <stddef.h>
#include <stdint.h>

#include "base/files/file.h"
#include "base/files/file_path.h"

namespace base {

// A whole file mapped read-only into memory. The view stays valid, and the
// file open, until this object is destroyed; the file is opened with the
// default sharing of File, so the caller must know that nobody rewrites it
// meanwhile. An empty file cannot be mapped: Initialize fails for it. Use on
// one sequence; the bytes may be read from any thread while it lives.
class MemoryMappedFile {
 public:
  MemoryMappedFile();
  MemoryMappedFile(const MemoryMappedFile&) = delete;
  MemoryMappedFile& operator=(const MemoryMappedFile&) = delete;
  ~MemoryMappedFile();

  // Opens and maps `file_name`. Call once; false when the file is missing,
  // empty, a folder, or cannot be mapped.
  [[nodiscard]] bool Initialize(const FilePath& file_name);
  // Maps an already open file (opened with FLAG_READ), taking ownership.
  [[nodiscard]] bool Initialize(File file);

  const uint8_t* data() const { return data_; }
  size_t length() const { return length_; }
  bool IsValid() const { return data_ != nullptr; }

 private:
  bool MapFileToMemory();
  void CloseHandles();

  File file_;
  void* file_mapping_ = nullptr;
  uint8_t* data_ = nullptr;
  size_t length_ = 0;
};

}  // namespace base

#endif  // BASE_FILES_MEMORY_MAPPED_FILE_H_
