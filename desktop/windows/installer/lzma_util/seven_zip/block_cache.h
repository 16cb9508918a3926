// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BLOCK_CACHE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BLOCK_CACHE_H_

#include <cstddef>
#include <cstdint>

namespace velta::seven_zip {

class Allocator;
class WorkerGuard;

// The decoded folder (solid block) that extraction keeps between entries, so
// that the entries of one folder are decoded once: the folder's index, its
// output block and that block's size. The block comes from the allocator
// given here (which may map a file); the previous block is freed before a
// new one is allocated. The allocator must outlive the cache.
class BlockCache {
 public:
  static constexpr uint32_t kNoFolder = 0xFFFFFFFF;

  explicit BlockCache(Allocator* allocator);
  BlockCache(const BlockCache&) = delete;
  BlockCache& operator=(const BlockCache&) = delete;
  // Frees the block through the allocator.
  ~BlockCache();

  // Frees the block; the cache then holds no folder. Safe to call twice.
  void Release();

  // Takes a block of `size` bytes for `folder_index` after releasing the
  // current one. Returns false when the allocator refuses (nothing is held
  // then). A size of 0 allocates nothing.
  bool Reset(uint32_t folder_index, size_t size);

  // The guard of the decoding threads' writes into this cache's blocks, for
  // blocks that may fault (a mapped file); null runs them unguarded. Must
  // outlive the decodes into this cache.
  void set_worker_guard(WorkerGuard* guard) { worker_guard_ = guard; }
  WorkerGuard* worker_guard() const { return worker_guard_; }

  // Marks the block as holding the decoded folder.
  void MarkDecoded() { decoded_ = true; }

  // The folder whose decoded output the block holds, or kNoFolder.
  uint32_t folder_index() const { return decoded_ ? folder_index_ : kNoFolder; }
  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  Allocator* const allocator_;
  WorkerGuard* worker_guard_ = nullptr;
  uint32_t folder_index_ = kNoFolder;
  bool decoded_ = false;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BLOCK_CACHE_H_
