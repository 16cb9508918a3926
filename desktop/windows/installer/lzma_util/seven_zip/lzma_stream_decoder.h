// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA_STREAM_DECODER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA_STREAM_DECODER_H_

#include <cstddef>
#include <cstdint>

#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

class Allocator;

// Decodes one LZMA stream, or the LZMA chunks of an LZMA2 stream, straight
// into the caller's output block, which is also the dictionary. Input comes
// in pieces of any size: a symbol split between two pieces waits in a small
// buffer of its own. Its results and statuses are LzmaDec's, step for step,
// so that LzmaDecoder drives either the same way; the range coder, the state
// and the repeat distances live in registers across a whole run of symbols.
class LzmaStreamDecoder {
 public:
  enum class FinishMode {
    kAny,  // Stop at the output limit whatever comes next.
    kEnd,  // The output limit is the stream's end: look for an end marker.
  };
  enum class Status {
    kNotSpecified,
    kFinishedWithMark,
    kNotFinished,
    kNeedsMoreInput,
    kMaybeFinishedWithoutMark,
  };
  struct Properties {
    unsigned lc = 0;
    unsigned lp = 0;
    unsigned pb = 0;
    uint32_t dictionary_size = 0;
  };

  // `allocator` gives the probability tables (up to ~6 MB) and must outlive
  // the decoder.
  explicit LzmaStreamDecoder(Allocator* allocator);
  LzmaStreamDecoder(const LzmaStreamDecoder&) = delete;
  LzmaStreamDecoder& operator=(const LzmaStreamDecoder&) = delete;
  ~LzmaStreamDecoder();

  // Reads the five property bytes of an LZMA coder; false when lc/lp/pb are
  // out of range. A dictionary under 4 KiB counts as 4 KiB.
  static bool ParseProperties(const uint8_t* properties, Properties* parsed);

  // Allocates the tables for `properties` (kMemoryError when they cannot be
  // had) and starts a stream that decodes into the `out_size` bytes at `out`.
  ResultCode Init(const Properties& properties, uint8_t* out, size_t out_size);

  // Changes lc/lp/pb for the next state reset (an LZMA2 chunk's new
  // properties); lc + lp must not exceed what Init allocated for.
  void SetLiteralProperties(unsigned lc, unsigned lp, unsigned pb);

  // Starts a new range coder at the current position (every LZMA2 chunk
  // does), after which matches reach no further back than this position when
  // `reset_dictionary`, and the coder state starts afresh when
  // `reset_state` (always with the dictionary).
  void Reset(bool reset_dictionary, bool reset_state);

  // Counts `size` bytes that the caller put at position() itself (an LZMA2
  // chunk stored uncompressed) as decoded output.
  void AddUncompressed(size_t size);

  // Where the next decoded byte goes, from the start of the output block.
  size_t position() const { return position_; }

  // Decodes from the `*in_size` bytes at `in` until the position reaches
  // `limit`, the stream ends or the input runs out; sets `*in_size` to the
  // bytes used (kept ones included) and `*status`. kDataError when the data
  // is corrupt; the output then holds what was decoded before the fault.
  ResultCode Decode(size_t limit, const uint8_t* in, size_t* in_size, FinishMode finish_mode,
                    Status* status);

 private:
  // What the next symbol is, once its input is known to be there.
  enum class SymbolKind { kShortInput, kLiteral, kMatch, kRep };

  // Bytes one symbol may take from the input, with room to spare.
  static constexpr size_t kMaxSymbolInput = 64;

  void InitState();
  // Copies what is left of a match cut short by an earlier limit.
  void WritePending(size_t limit);
  // Decodes the next symbol without changing anything, to learn whether the
  // `size` bytes at `in` hold all of it and what it is.
  SymbolKind Probe(const uint8_t* in, size_t size) const;
  // Decodes whole symbols from `*in` until the position reaches `limit` or
  // `*in` passes `in_limit`, at least one; false on corrupt data.
  bool DecodeSymbols(size_t limit, const uint8_t** in, const uint8_t* in_limit);

  Allocator* const allocator_;
  uint16_t* probabilities_ = nullptr;
  unsigned allocated_literal_bits_ = 0;
  Properties properties_;

  uint8_t* out_ = nullptr;
  size_t out_size_ = 0;
  size_t position_ = 0;
  // Where the dictionary starts: matches reach no further back.
  size_t dictionary_start_ = 0;

  uint32_t range_ = 0;
  uint32_t code_ = 0;
  uint32_t state_ = 0;
  uint32_t reps_[4] = {};
  // Bytes of the last match still to copy.
  size_t pending_ = 0;
  bool needs_range_init_ = true;
  bool needs_state_init_ = true;
  bool finished_ = false;

  uint8_t kept_input_[kMaxSymbolInput] = {};
  size_t kept_size_ = 0;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA_STREAM_DECODER_H_
