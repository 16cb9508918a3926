// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_FILE_ALLOCATOR_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_FILE_ALLOCATOR_H_

#include <stddef.h>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/lzma_util/in_page_error_guard.h"
#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/heap_allocator.h"

namespace velta {

// Gives the archive reader its output block (a whole decoded solid block)
// in a memory-mapped temporary file in the destination folder instead of on
// the heap, so that large blocks need no committed heap. The file is opened
// delete-on-close and vanishes with this object. When no temporary file can
// be made, or a mapping fails, memory comes from the heap.
//
// One mapping exists at a time (the reader frees a block before it asks for
// the next); a second request while one is mapped is served from the heap.
// Used on the unpacking thread; must outlive the reader's BlockCache.
class LzmaFileAllocator : public seven_zip::Allocator {
 public:
  explicit LzmaFileAllocator(const base::FilePath& location);
  LzmaFileAllocator(const LzmaFileAllocator&) = delete;
  LzmaFileAllocator& operator=(const LzmaFileAllocator&) = delete;
  // Unmaps what is still mapped and closes (so deletes) the temporary file.
  ~LzmaFileAllocator() override;

  void* Allocate(size_t size) override;
  void Free(void* address) override;

  // The current mapping (empty when none), for an InPageErrorGuard.
  const MappedRange* mapped_range() const { return &view_; }

 private:
  void* MapFile(size_t size);

  // The temporary file and its mapping; empty when none.
  base::win::ScopedHandle file_;
  base::win::ScopedHandle mapping_;
  MappedRange view_;
  seven_zip::HeapAllocator heap_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_FILE_ALLOCATOR_H_
