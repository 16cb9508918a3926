// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_RECORDING_UNPACK_PROGRESS_DELEGATE_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_RECORDING_UNPACK_PROGRESS_DELEGATE_H_

#include <vector>

#include "desktop/windows/installer/lzma_util/unpack_progress_delegate.h"

namespace velta::test {

// Keeps every progress call of an unpack, in order, for tests to compare.
class RecordingUnpackProgressDelegate : public UnpackProgressDelegate {
 public:
  RecordingUnpackProgressDelegate();
  ~RecordingUnpackProgressDelegate() override;

  // UnpackProgressDelegate:
  void SetTotalFiles(int total) override;
  void OnFileUnpacked(int index) override;

  // The arguments of the calls so far.
  std::vector<int> totals;
  std::vector<int> indices;
};

}  // namespace velta::test

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_RECORDING_UNPACK_PROGRESS_DELEGATE_H_
