// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ_X86_FILTER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ_X86_FILTER_H_

#include <cstddef>
#include <cstdint>

namespace velta::seven_zip {

// Undoes the x86 branch filter (BCJ) of 7z archives: the encoder turned the
// relative targets of CALL (E8) and JMP (E9) instructions into absolute ones
// so that repeated calls compress better; this turns them back, in place.
//
// A stream decoded front to back into one block can be filtered as its
// decoded prefix grows: each Filter call converts what the bytes decoded so
// far allow and carries its state to the next call, so that any sequence of
// growing prefixes gives the same bytes as one Decode of the whole.
//
//   BcjX86Filter filter;
//   filter.Filter(block, 4096);        // the first 4096 bytes are decoded
//   filter.Filter(block, block_size);  // all of them are
class BcjX86Filter {
 public:
  BcjX86Filter() = default;
  BcjX86Filter(const BcjX86Filter&) = delete;
  BcjX86Filter& operator=(const BcjX86Filter&) = delete;

  // Decodes a whole stream that starts at position 0. The last four bytes
  // cannot start an instruction and stay as they are, as the encoder left
  // them.
  static void Decode(uint8_t* data, size_t size);

  // Converts the instructions that start before `decoded` - 4 and were not
  // converted by an earlier call: `data` is the stream's start, the same on
  // every call, and its first `decoded` bytes are decoded (never fewer than
  // on the call before). Only bytes below `decoded` are read or written.
  void Filter(uint8_t* data, size_t decoded);

  // Where the next call resumes: every instruction starting before it has
  // been converted.
  size_t position() const { return position_; }

 private:
  // Which of the three bytes before the last E8/E9 were E8/E9 themselves.
  uint32_t mask_ = 0;
  // Position of the last E8/E9 looked at; "minus one" before the first, so
  // that unsigned distances work out as the encoder computed them.
  size_t previous_ = static_cast<size_t>(0) - 1;
  size_t position_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_BCJ_X86_FILTER_H_
