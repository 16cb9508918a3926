// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/recording_unpack_progress_delegate.h"

namespace velta::test {

RecordingUnpackProgressDelegate::RecordingUnpackProgressDelegate() = default;
RecordingUnpackProgressDelegate::~RecordingUnpackProgressDelegate() = default;

void RecordingUnpackProgressDelegate::SetTotalFiles(int total) {
  totals.push_back(total);
}

void RecordingUnpackProgressDelegate::OnFileUnpacked(int index) {
  indices.push_back(index);
}

}  // namespace velta::test
