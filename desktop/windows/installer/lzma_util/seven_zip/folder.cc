// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/folder.h"

namespace velta::seven_zip {

namespace {

uint32_t ExpectedInStreams(Folder::Method method) {
  return method == Folder::Method::kBcj2 ? 4 : 1;
}

constexpr uint32_t kNone = 0xFFFFFFFF;

}  // namespace

Folder::Folder() = default;
Folder::Folder(const Folder&) = default;
Folder& Folder::operator=(const Folder&) = default;
Folder::Folder(Folder&&) = default;
Folder& Folder::operator=(Folder&&) = default;
Folder::~Folder() = default;

bool Folder::Validate(std::string* error) {
  const uint32_t coder_count = static_cast<uint32_t>(coders_.size());
  if (coder_count == 0 || bind_pairs_.size() + 1 != coder_count ||
      packed_streams_.size() + bind_pairs_.size() != total_in_streams_) {
    *error = "A folder's stream counts do not add up";
    return false;
  }
  // Owner coder of every input stream.
  std::vector<uint32_t> in_owner(total_in_streams_, kNone);
  for (uint32_t c = 0; c < coder_count; ++c) {
    const Coder& coder = coders_[c];
    if (coder.in_stream_count != ExpectedInStreams(coder.method)) {
      *error = "A coder has an unexpected number of input streams";
      return false;
    }
    for (uint32_t i = 0; i < coder.in_stream_count; ++i)
      in_owner[coder.first_in_stream + i] = c;
  }

  std::vector<bool> in_used(total_in_streams_, false);
  std::vector<uint32_t> parent(coder_count, kNone);
  for (const BindPair& pair : bind_pairs_) {
    if (pair.in_index >= total_in_streams_ || pair.out_index >= coder_count ||
        in_used[pair.in_index] || parent[pair.out_index] != kNone) {
      *error = "A folder binds a stream twice or out of range";
      return false;
    }
    in_used[pair.in_index] = true;
    parent[pair.out_index] = in_owner[pair.in_index];
  }
  for (uint32_t in_index : packed_streams_) {
    if (in_index >= total_in_streams_ || in_used[in_index]) {
      *error = "A folder's packed stream is bound twice or out of range";
      return false;
    }
    in_used[in_index] = true;
  }

  main_coder_ = kNone;
  for (uint32_t c = 0; c < coder_count; ++c) {
    if (parent[c] != kNone)
      continue;
    if (main_coder_ != kNone) {
      *error = "A folder has more than one unbound output";
      return false;
    }
    main_coder_ = c;
  }
  if (main_coder_ == kNone) {
    *error = "A folder has no unbound output";
    return false;
  }
  // Following the parents from any coder must reach the main coder within
  // coder_count steps, or there is a cycle.
  for (uint32_t c = 0; c < coder_count; ++c) {
    uint32_t current = c;
    uint32_t steps = 0;
    while (current != main_coder_) {
      current = parent[current];
      if (current == kNone || ++steps > coder_count) {
        *error = "A folder's coders form a cycle";
        return false;
      }
    }
  }
  return true;
}

Folder::InputSource Folder::SourceOf(uint32_t in_index) const {
  InputSource source;
  for (const BindPair& pair : bind_pairs_) {
    if (pair.in_index == in_index) {
      source.index = pair.out_index;
      return source;
    }
  }
  for (size_t i = 0; i < packed_streams_.size(); ++i) {
    if (packed_streams_[i] == in_index) {
      source.is_packed_stream = true;
      source.index = static_cast<uint32_t>(i);
      return source;
    }
  }
  // Validate guarantees every input is bound or packed.
  return source;
}

}  // namespace velta::seven_zip
