// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_UNPACK_PROGRESS_DELEGATE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_UNPACK_PROGRESS_DELEGATE_H_

namespace velta {

// Told how far an LzmaUtil::Unpack has come. Called on the unpacking thread.
class UnpackProgressDelegate {
 public:
  virtual ~UnpackProgressDelegate() = default;

  // The number of entries the unpack will go through: the wanted paths, or
  // every entry of the archive when none are wanted.
  virtual void SetTotalFiles(int total) = 0;
  // Entry number `index` (counted from 0) is about to be written.
  virtual void OnFileUnpacked(int index) = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_UNPACK_PROGRESS_DELEGATE_H_
