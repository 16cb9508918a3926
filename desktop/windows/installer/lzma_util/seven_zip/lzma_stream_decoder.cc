// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/lzma_stream_decoder.h"

#include <algorithm>
#include <cstring>

#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"

namespace velta::seven_zip {

namespace {

constexpr uint32_t kTopValue = 1u << 24;
constexpr unsigned kProbabilityBits = 11;
constexpr uint32_t kProbabilityOne = 1u << kProbabilityBits;
constexpr unsigned kMoveBits = 5;
constexpr uint16_t kProbabilityHalf = kProbabilityOne / 2;
// Where a probability moves after a 1 when its update is computed as
// p + ((target - p) >> kMoveBits), an arithmetic shift: with this target the
// shift rounds as p - (p >> kMoveBits) does.
constexpr int32_t kTargetAfterOne = (1 << kMoveBits) - 1;
constexpr uint32_t kEndMarkerDistance = 0xFFFFFFFF;
constexpr uint32_t kMinDictionarySize = 1u << 12;
constexpr unsigned kMinMatchLength = 2;
constexpr unsigned kLiteralCoderSize = 0x300;
constexpr uint32_t kLiteralStates = 7;  // States below this follow a literal.

// The probability table, laid out so that what one symbol touches sits
// close together: each coder state's decisions in one block of 36.
constexpr unsigned kStateBlock = 36;
constexpr unsigned kIsMatch = 0;      // [pos_state], 16
constexpr unsigned kIsRep0Long = 16;  // [pos_state], 16
constexpr unsigned kIsRep = 32;
constexpr unsigned kIsRep0 = 33;
constexpr unsigned kIsRep1 = 34;
constexpr unsigned kIsRep2 = 35;
constexpr unsigned kStates = 12;
// A length coder: choice, choice 2, then per pos_state the low (1..7) and
// middle (9..15) trees, then the high tree (1..255).
constexpr unsigned kLengthChoice = 0;
constexpr unsigned kLengthChoice2 = 1;
constexpr unsigned kLengthLowMid = 2;
constexpr unsigned kLengthHigh = kLengthLowMid + 16 * 16;
constexpr unsigned kLengthCoderSize = kLengthHigh + 256 + 2;
constexpr unsigned kMatchLength = kStates * kStateBlock;
constexpr unsigned kRepLength = kMatchLength + kLengthCoderSize;
constexpr unsigned kDistanceSlot = kRepLength + kLengthCoderSize;  // [4][64]
constexpr unsigned kDistanceSpecial = kDistanceSlot + 4 * 64;      // 114
constexpr unsigned kAlign = kDistanceSpecial + 114;                // 1..15
constexpr unsigned kLiterals = (kAlign + 16 + 7) & ~7u;
constexpr unsigned kEndDistanceSlot = 14;

#if defined(__GNUC__)
#define VELTA_LZMA_INLINE inline __attribute__((always_inline))
#else
#define VELTA_LZMA_INLINE inline
#endif

// The range decoder over locals, so that a run of symbols keeps it in
// registers. With kProbe it changes no probability and reads nothing past
// `in_end` (it counts the bytes it would have read).
template <bool kProbe>
struct RangeDecoder {
  uint32_t range;
  uint32_t code;
  const uint8_t* in;
  const uint8_t* in_end;

  VELTA_LZMA_INLINE void Normalize() {
    if (range < kTopValue) {
      range <<= 8;
      if constexpr (kProbe)
        code = (code << 8) | (in < in_end ? *in : 0);
      else
        code = (code << 8) | *in;
      ++in;
    }
  }

  VELTA_LZMA_INLINE unsigned Bit(uint16_t* probability) {
    Normalize();
    const uint32_t p = *probability;
    const uint32_t bound = (range >> kProbabilityBits) * p;
    if (code < bound) {
      range = bound;
      if constexpr (!kProbe)
        *probability = static_cast<uint16_t>(p + ((kProbabilityOne - p) >> kMoveBits));
      return 0;
    }
    range -= bound;
    code -= bound;
    if constexpr (!kProbe)
      *probability = static_cast<uint16_t>(p - (p >> kMoveBits));
    return 1;
  }

  // A bit tree of `bits` levels, most significant bit first.
  VELTA_LZMA_INLINE unsigned Tree(uint16_t* probabilities, unsigned bits) {
    unsigned node = 1;
    uint32_t p = probabilities[1];
    for (unsigned i = 0; i < bits; ++i)
      TreeBit(probabilities, &node, &p);
    return node - (1u << bits);
  }

  // A bit tree read least significant bit first.
  VELTA_LZMA_INLINE unsigned ReverseTree(uint16_t* probabilities, unsigned bits) {
    unsigned node = 1;
    uint32_t p = probabilities[1];
    unsigned symbol = 0;
    for (unsigned i = 0; i < bits; ++i) {
      TreeBit(probabilities, &node, &p);
      symbol |= (node & 1) << i;
    }
    return symbol;
  }

  // Bits of fixed probability one half.
  VELTA_LZMA_INLINE uint32_t Direct(unsigned bits) {
    uint32_t value = 0;
    do {
      Normalize();
      range >>= 1;
      code -= range;
      const uint32_t mask = 0u - (code >> 31);  // All ones when the bit is 0.
      code += range & mask;
      value = (value << 1) + (mask + 1);
    } while (--bits != 0);
    return value;
  }

  // A bit of probability `p` (read from `probability`) without a branch on
  // it, for the bits no branch would predict (a literal's, a tree's):
  // returns all ones for a 1 and zero for a 0. The range, the code and the
  // probability's update are picked, not branched to. Clang makes
  // conditional moves of the picks written as choices; GCC (the product's
  // compiler) makes a branch of them, and only keeps masks as they are.
  VELTA_LZMA_INLINE uint32_t MaskBit(uint16_t* probability, uint32_t p) {
    Normalize();
    const uint32_t bound = (range >> kProbabilityBits) * p;
#if defined(__clang__)
    const bool bit = code >= bound;
    const int32_t target = bit ? kTargetAfterOne : static_cast<int32_t>(kProbabilityOne);
    range = bit ? range - bound : bound;
    code = bit ? code - bound : code;
    const uint32_t mask = 0u - static_cast<uint32_t>(bit);
#else
    const uint32_t mask = 0u - static_cast<uint32_t>(code >= bound);
    const int32_t target =
        static_cast<int32_t>(kProbabilityOne - ((kProbabilityOne - kTargetAfterOne) & mask));
    range = bound + ((range - bound - bound) & mask);
    code -= bound & mask;
#endif
    // p moves a 32nd of the way to kProbabilityOne after a 0, or to 0 after
    // a 1.
    if constexpr (!kProbe)
      *probability = static_cast<uint16_t>(static_cast<int32_t>(p) +
                                           ((target - static_cast<int32_t>(p)) >> kMoveBits));
    return mask;
  }

  // One bit down a tree without a branch on it. Both children of the node
  // are loaded before the bit is known, so that the next bit's multiply
  // waits for no load; `*p` is the node's probability, then the child's.
  // Below a tree's last level the loads read past the tree into entries
  // that follow it in the table, unused: the length and distance trees lie
  // before the literal coders, and a literal's tree takes the first 0x200 of
  // its coder's 0x300 entries.
  VELTA_LZMA_INLINE void TreeBit(uint16_t* probabilities, unsigned* node, uint32_t* p) {
    const uint32_t left = probabilities[2 * *node];
    const uint32_t right = probabilities[2 * *node + 1];
    const uint32_t mask = MaskBit(probabilities + *node, *p);
    *node = 2 * *node + (mask & 1);
    *p = left ^ ((left ^ right) & mask);
  }

  // Eight bits down a tree, unrolled: no loop test between them.
  VELTA_LZMA_INLINE unsigned Literal(uint16_t* probabilities) {
    unsigned symbol = 1;
    uint32_t p = probabilities[1];
    TreeBit(probabilities, &symbol, &p);
    TreeBit(probabilities, &symbol, &p);
    TreeBit(probabilities, &symbol, &p);
    TreeBit(probabilities, &symbol, &p);
    TreeBit(probabilities, &symbol, &p);
    TreeBit(probabilities, &symbol, &p);
    TreeBit(probabilities, &symbol, &p);
    TreeBit(probabilities, &symbol, &p);
    return symbol & 0xFF;
  }

  // A bit without a branch on it.
  VELTA_LZMA_INLINE unsigned BranchlessBit(uint16_t* probability) {
    return MaskBit(probability, *probability) & 1;
  }

  // A literal after a match: while its bits agree with `match_byte`'s the
  // coder uses the probabilities kept for that agreement; `offset` drops to
  // zero at the first disagreement, after which the probabilities are a
  // plain literal's. Eight bits unrolled, none a branch.
  VELTA_LZMA_INLINE unsigned MatchedLiteral(uint16_t* probabilities, unsigned match_byte) {
    unsigned symbol = 1;
    unsigned offset = 0x100;
    for (int i = 0; i < 8; ++i) {
      match_byte <<= 1;
      const unsigned match_bit = match_byte & offset;
      const unsigned bit = BranchlessBit(probabilities + offset + match_bit + symbol);
      symbol = (symbol << 1) | bit;
      offset &= ~(match_bit ^ (0u - bit));
    }
    return symbol & 0xFF;
  }

  // A match length less kMinMatchLength.
  VELTA_LZMA_INLINE unsigned Length(uint16_t* coder, unsigned pos_state) {
    uint16_t* low_mid = coder + kLengthLowMid + pos_state * 16;
    if (Bit(coder + kLengthChoice) == 0)
      return Tree(low_mid, 3);
    if (Bit(coder + kLengthChoice2) == 0)
      return 8 + Tree(low_mid + 8, 3);
    return 16 + Tree(coder + kLengthHigh, 8);
  }

  // A match distance less one; kEndMarkerDistance is the end marker.
  VELTA_LZMA_INLINE uint32_t Distance(uint16_t* probabilities, unsigned length) {
    const unsigned length_state = length < 3 ? length : 3;
    const unsigned slot = Tree(probabilities + kDistanceSlot + length_state * 64, 6);
    if (slot < 4)
      return slot;
    const unsigned direct_bits = (slot >> 1) - 1;
    uint32_t distance = (2u | (slot & 1)) << direct_bits;
    if (slot < kEndDistanceSlot)
      return distance +
             ReverseTree(probabilities + kDistanceSpecial + distance - slot - 1, direct_bits);
    distance += Direct(direct_bits - 4) << 4;
    return distance + ReverseTree(probabilities + kAlign, 4);
  }
};

constexpr uint8_t kStateAfterLiteral[kStates] = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 4, 5};

size_t TableSize(unsigned literal_bits) {
  return kLiterals + (static_cast<size_t>(kLiteralCoderSize) << literal_bits);
}

// Copies `count` bytes from `distance` + 1 bytes back; source and
// destination overlap when the distance is short.
VELTA_LZMA_INLINE void CopyMatch(uint8_t* out, size_t distance_plus_one, size_t count) {
  const uint8_t* from = out - distance_plus_one;
  if (distance_plus_one >= 8 && count >= 8) {
    // Whole words, then one more ending at the match's end: it rewrites
    // bytes already copied with the same values, and writes nothing past.
    uint8_t* const last = out + count - 8;
    const uint8_t* const last_from = from + count - 8;
    uint64_t word;
    do {
      std::memcpy(&word, from, 8);
      std::memcpy(out, &word, 8);
      out += 8;
      from += 8;
    } while (out < last);
    std::memcpy(&word, last_from, 8);
    std::memcpy(last, &word, 8);
    return;
  }
  uint8_t* const end = out + count;
  do
    *out++ = *from++;
  while (out < end);
}

}  // namespace

LzmaStreamDecoder::LzmaStreamDecoder(Allocator* allocator) : allocator_(allocator) {}

LzmaStreamDecoder::~LzmaStreamDecoder() {
  allocator_->Free(probabilities_);
}

// static
bool LzmaStreamDecoder::ParseProperties(const uint8_t* properties, Properties* parsed) {
  unsigned code = properties[0];
  if (code >= 9 * 5 * 5)
    return false;
  parsed->lc = code % 9;
  code /= 9;
  parsed->lp = code % 5;
  parsed->pb = code / 5;
  uint32_t dictionary_size = 0;
  for (int i = 3; i >= 0; --i)
    dictionary_size = (dictionary_size << 8) | properties[1 + i];
  parsed->dictionary_size = std::max(dictionary_size, kMinDictionarySize);
  return true;
}

ResultCode LzmaStreamDecoder::Init(const Properties& properties, uint8_t* out, size_t out_size) {
  const unsigned literal_bits = properties.lc + properties.lp;
  if (!probabilities_ || allocated_literal_bits_ != literal_bits) {
    allocator_->Free(probabilities_);
    probabilities_ =
        static_cast<uint16_t*>(allocator_->Allocate(TableSize(literal_bits) * sizeof(uint16_t)));
    if (!probabilities_)
      return ResultCode::kMemoryError;
    allocated_literal_bits_ = literal_bits;
  }
  properties_ = properties;
  properties_.dictionary_size = std::max(properties.dictionary_size, kMinDictionarySize);
  out_ = out;
  out_size_ = out_size;
  position_ = 0;
  Reset(true, true);
  return ResultCode::kOk;
}

void LzmaStreamDecoder::SetLiteralProperties(unsigned lc, unsigned lp, unsigned pb) {
  properties_.lc = lc;
  properties_.lp = lp;
  properties_.pb = pb;
}

void LzmaStreamDecoder::Reset(bool reset_dictionary, bool reset_state) {
  needs_range_init_ = true;
  pending_ = 0;
  kept_size_ = 0;
  finished_ = false;
  if (reset_dictionary) {
    dictionary_start_ = position_;
    needs_state_init_ = true;
  }
  if (reset_state)
    needs_state_init_ = true;
}

void LzmaStreamDecoder::AddUncompressed(size_t size) {
  position_ += size;
}

void LzmaStreamDecoder::InitState() {
  const size_t size = TableSize(properties_.lc + properties_.lp);
  std::fill(probabilities_, probabilities_ + size, kProbabilityHalf);
  reps_[0] = reps_[1] = reps_[2] = reps_[3] = 0;
  state_ = 0;
  needs_state_init_ = false;
}

void LzmaStreamDecoder::WritePending(size_t limit) {
  if (pending_ == 0 || finished_ || position_ >= limit)
    return;
  const size_t count = std::min(pending_, limit - position_);
  CopyMatch(out_ + position_, size_t{reps_[0]} + 1, count);
  position_ += count;
  pending_ -= count;
}

LzmaStreamDecoder::SymbolKind LzmaStreamDecoder::Probe(const uint8_t* in, size_t size) const {
  RangeDecoder<true> rc{range_, code_, in, in + size};
  uint16_t* const probabilities = probabilities_;
  const size_t processed = position_ - dictionary_start_;
  const unsigned pos_state = processed & ((1u << properties_.pb) - 1);
  uint16_t* const state_block = probabilities + state_ * kStateBlock;
  SymbolKind kind;
  if (rc.Bit(state_block + kIsMatch + pos_state) == 0) {
    const unsigned previous = processed ? out_[position_ - 1] : 0;
    uint16_t* literal =
        probabilities + kLiterals +
        kLiteralCoderSize * (((processed & ((1u << properties_.lp) - 1)) << properties_.lc) +
                             (previous >> (8 - properties_.lc)));
    if (state_ < kLiteralStates)
      rc.Literal(literal);
    else
      rc.MatchedLiteral(literal, out_[position_ - reps_[0] - 1]);
    kind = SymbolKind::kLiteral;
  } else if (rc.Bit(state_block + kIsRep) == 0) {
    const unsigned length = rc.Length(probabilities + kMatchLength, pos_state);
    rc.Distance(probabilities, length);
    kind = SymbolKind::kMatch;
  } else {
    kind = SymbolKind::kRep;
    bool is_short = false;
    if (rc.Bit(state_block + kIsRep0) == 0) {
      is_short = rc.Bit(state_block + kIsRep0Long + pos_state) == 0;
    } else if (rc.Bit(state_block + kIsRep1) != 0) {
      rc.Bit(state_block + kIsRep2);
    }
    if (!is_short)
      rc.Length(probabilities + kRepLength, pos_state);
  }
  rc.Normalize();
  return rc.in > rc.in_end ? SymbolKind::kShortInput : kind;
}

bool LzmaStreamDecoder::DecodeSymbols(size_t limit, const uint8_t** in, const uint8_t* in_limit) {
  RangeDecoder<false> rc{range_, code_, *in, nullptr};
  uint16_t* const probabilities = probabilities_;
  uint8_t* const out = out_;
  const uint8_t* const dictionary = out_ + dictionary_start_;
  uint8_t* pos = out_ + position_;
  uint8_t* const end = out_ + limit;
  const uint32_t dictionary_size = properties_.dictionary_size;
  const unsigned lc = properties_.lc;
  const unsigned lp_mask = (1u << properties_.lp) - 1;
  const unsigned pb_mask = (1u << properties_.pb) - 1;
  uint32_t state = state_;
  uint32_t rep0 = reps_[0];
  uint32_t rep1 = reps_[1];
  uint32_t rep2 = reps_[2];
  uint32_t rep3 = reps_[3];
  bool ok = true;
  do {
    const size_t processed = static_cast<size_t>(pos - dictionary);
    const unsigned pos_state = static_cast<unsigned>(processed) & pb_mask;
    uint16_t* const state_block = probabilities + state * kStateBlock;
    if (rc.Bit(state_block + kIsMatch + pos_state) == 0) {
      const unsigned previous = processed ? pos[-1] : 0;
      uint16_t* literal =
          probabilities + kLiterals +
          kLiteralCoderSize * (((static_cast<unsigned>(processed) & lp_mask) << lc) +
                               (previous >> (8 - lc)));
      const unsigned byte = state < kLiteralStates
                                ? rc.Literal(literal)
                                : rc.MatchedLiteral(literal, *(pos - (size_t{rep0} + 1)));
      *pos++ = static_cast<uint8_t>(byte);
      state = kStateAfterLiteral[state];
      continue;
    }
    unsigned length;
    if (rc.Bit(state_block + kIsRep) == 0) {
      length = rc.Length(probabilities + kMatchLength, pos_state);
      state = state < kLiteralStates ? 7 : 10;
      const uint32_t distance = rc.Distance(probabilities, length);
      if (distance == kEndMarkerDistance) {
        finished_ = true;
        break;
      }
      // The window is what was decoded since the dictionary's start, at
      // most the dictionary's size.
      if (distance >= std::min<size_t>(processed, dictionary_size)) {
        ok = false;
        break;
      }
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      rep0 = distance;
    } else {
      if (processed == 0) {
        ok = false;
        break;
      }
      if (rc.Bit(state_block + kIsRep0) == 0) {
        if (rc.Bit(state_block + kIsRep0Long + pos_state) == 0) {
          state = state < kLiteralStates ? 9 : 11;
          *pos = *(pos - (size_t{rep0} + 1));
          ++pos;
          continue;
        }
      } else {
        uint32_t distance;
        if (rc.Bit(state_block + kIsRep1) == 0) {
          distance = rep1;
        } else {
          if (rc.Bit(state_block + kIsRep2) == 0) {
            distance = rep2;
          } else {
            distance = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = distance;
      }
      length = rc.Length(probabilities + kRepLength, pos_state);
      state = state < kLiteralStates ? 8 : 11;
    }
    const size_t match_length = length + kMinMatchLength;
    if (pos == end) {
      // Only a search for the end marker decodes a match at the limit.
      pending_ = match_length;
      ok = false;
      break;
    }
    const size_t count = std::min<size_t>(match_length, static_cast<size_t>(end - pos));
    CopyMatch(pos, size_t{rep0} + 1, count);
    pos += count;
    pending_ = match_length - count;
  } while (pos < end && rc.in < in_limit);
  rc.Normalize();
  *in = rc.in;
  range_ = rc.range;
  code_ = rc.code;
  position_ = static_cast<size_t>(pos - out);
  state_ = state;
  reps_[0] = rep0;
  reps_[1] = rep1;
  reps_[2] = rep2;
  reps_[3] = rep3;
  return ok;
}

ResultCode LzmaStreamDecoder::Decode(size_t limit, const uint8_t* in, size_t* in_size,
                                     FinishMode finish_mode, Status* status) {
  const size_t in_available = *in_size;
  size_t used = 0;
  *in_size = 0;
  WritePending(limit);
  *status = Status::kNotSpecified;
  while (!finished_) {
    if (needs_range_init_) {
      // The coder starts with five bytes: a zero, then the code.
      while (kept_size_ < 5 && used < in_available)
        kept_input_[kept_size_++] = in[used++];
      *in_size = used;
      if (kept_size_ < 5) {
        *status = Status::kNeedsMoreInput;
        return ResultCode::kOk;
      }
      if (kept_input_[0] != 0)
        return ResultCode::kDataError;
      code_ = (uint32_t{kept_input_[1]} << 24) | (uint32_t{kept_input_[2]} << 16) |
              (uint32_t{kept_input_[3]} << 8) | kept_input_[4];
      range_ = 0xFFFFFFFF;
      needs_range_init_ = false;
      kept_size_ = 0;
    }
    bool looking_for_end_marker = false;
    if (position_ >= limit) {
      if (pending_ == 0 && code_ == 0) {
        *status = Status::kMaybeFinishedWithoutMark;
        return ResultCode::kOk;
      }
      if (finish_mode == FinishMode::kAny) {
        *status = Status::kNotFinished;
        return ResultCode::kOk;
      }
      if (pending_ != 0) {
        *status = Status::kNotFinished;
        return ResultCode::kDataError;
      }
      looking_for_end_marker = true;
    }
    if (needs_state_init_)
      InitState();

    if (kept_size_ == 0) {
      const uint8_t* next = in + used;
      const size_t left = in_available - used;
      const uint8_t* in_limit;
      if (left < kMaxSymbolInput || looking_for_end_marker) {
        const SymbolKind kind = Probe(next, left);
        if (kind == SymbolKind::kShortInput) {
          std::memcpy(kept_input_, next, left);
          kept_size_ = left;
          *in_size = in_available;
          *status = Status::kNeedsMoreInput;
          return ResultCode::kOk;
        }
        if (looking_for_end_marker && kind != SymbolKind::kMatch) {
          *status = Status::kNotFinished;
          return ResultCode::kDataError;
        }
        in_limit = next;  // One symbol.
      } else {
        in_limit = next + left - kMaxSymbolInput;
      }
      const bool ok = DecodeSymbols(limit, &next, in_limit);
      used = static_cast<size_t>(next - in);
      *in_size = used;
      if (!ok)
        return ResultCode::kDataError;
    } else {
      // A symbol began in the last piece of input: finish it from the kept
      // bytes and the new ones, then give back what it did not use.
      const size_t kept_before = kept_size_;
      size_t look_ahead = 0;
      while (kept_size_ < kMaxSymbolInput && used + look_ahead < in_available)
        kept_input_[kept_size_++] = in[used + look_ahead++];
      if (kept_size_ < kMaxSymbolInput || looking_for_end_marker) {
        const SymbolKind kind = Probe(kept_input_, kept_size_);
        if (kind == SymbolKind::kShortInput) {
          used += look_ahead;
          *in_size = used;
          *status = Status::kNeedsMoreInput;
          return ResultCode::kOk;
        }
        if (looking_for_end_marker && kind != SymbolKind::kMatch) {
          *status = Status::kNotFinished;
          return ResultCode::kDataError;
        }
      }
      const uint8_t* next = kept_input_;
      const bool ok = DecodeSymbols(limit, &next, kept_input_);
      const size_t taken = static_cast<size_t>(next - kept_input_);
      used += taken - kept_before;
      *in_size = used;
      kept_size_ = 0;
      if (!ok)
        return ResultCode::kDataError;
    }
  }
  *status = code_ == 0 ? Status::kFinishedWithMark : Status::kNotSpecified;
  return code_ == 0 ? ResultCode::kOk : ResultCode::kDataError;
}

}  // namespace velta::seven_zip
