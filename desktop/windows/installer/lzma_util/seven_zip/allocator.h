// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ALLOCATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ALLOCATOR_H_

#include <cstddef>

namespace velta::seven_zip {

// Where the reader takes its buffers from: the decoded block (a whole folder),
// and everything else a decode needs (read buffers, the temporary streams of
// multi-stream coders, decoder tables). A caller may back the block buffer by
// a mapped file. The reader frees a block buffer before it allocates the next
// one, so at most one block buffer is alive at a time.
class Allocator {
 public:
  virtual ~Allocator() = default;

  // Returns `size` writable bytes, or null when they cannot be had (the reader
  // then fails with kMemoryError). Never called with 0.
  virtual void* Allocate(size_t size) = 0;

  // Releases what Allocate returned; null does nothing.
  virtual void Free(void* address) = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_ALLOCATOR_H_
