// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"

#include <algorithm>
#include <cstring>

#include "LzmaDec.h"
#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"

// LzmaDec.c defines this but its header does not declare it. LZMA2 needs it
// to reset the dictionary or the coder state between chunks. This is the only
// declaration.
extern "C" void LzmaDec_InitDicAndState(CLzmaDec* p, Bool init_dic, Bool init_state);

namespace velta::seven_zip {

// Our result numbers are the SDK's.
static_assert(static_cast<int>(ResultCode::kOk) == SZ_OK);
static_assert(static_cast<int>(ResultCode::kDataError) == SZ_ERROR_DATA);
static_assert(static_cast<int>(ResultCode::kMemoryError) == SZ_ERROR_MEM);
static_assert(static_cast<int>(ResultCode::kCrcError) == SZ_ERROR_CRC);
static_assert(static_cast<int>(ResultCode::kUnsupported) == SZ_ERROR_UNSUPPORTED);
static_assert(static_cast<int>(ResultCode::kParamError) == SZ_ERROR_PARAM);
static_assert(static_cast<int>(ResultCode::kInputEof) == SZ_ERROR_INPUT_EOF);
static_assert(static_cast<int>(ResultCode::kOutputEof) == SZ_ERROR_OUTPUT_EOF);
static_assert(static_cast<int>(ResultCode::kReadError) == SZ_ERROR_READ);
static_assert(static_cast<int>(ResultCode::kWriteError) == SZ_ERROR_WRITE);
static_assert(static_cast<int>(ResultCode::kProgressError) == SZ_ERROR_PROGRESS);
static_assert(static_cast<int>(ResultCode::kFail) == SZ_ERROR_FAIL);
static_assert(static_cast<int>(ResultCode::kThreadError) == SZ_ERROR_THREAD);
static_assert(static_cast<int>(ResultCode::kArchiveError) == SZ_ERROR_ARCHIVE);
static_assert(static_cast<int>(ResultCode::kNoArchive) == SZ_ERROR_NO_ARCHIVE);

namespace {

constexpr uint8_t kMaxLzma2DictionaryCode = 40;
constexpr unsigned kMaxLzma2LiteralBits = 4;  // lc + lp

// The SDK's allocation interface over our Allocator. `base` comes first so
// the SDK's ISzAlloc pointer is also a pointer to the adapter.
struct AllocatorAdapter {
  ISzAlloc base;
  Allocator* allocator;
};
static_assert(offsetof(AllocatorAdapter, base) == 0);

void* AdapterAlloc(void* p, size_t size) {
  if (size == 0)
    return nullptr;
  return static_cast<AllocatorAdapter*>(p)->allocator->Allocate(size);
}

void AdapterFree(void* p, void* address) {
  static_cast<AllocatorAdapter*>(p)->allocator->Free(address);
}

// Owns a CLzmaDec's probability tables; the dictionary is the caller's block.
class ScopedLzmaDec {
 public:
  explicit ScopedLzmaDec(Allocator* allocator) {
    adapter_.base.Alloc = &AdapterAlloc;
    adapter_.base.Free = &AdapterFree;
    adapter_.allocator = allocator;
    LzmaDec_Construct(&state_);
  }
  ScopedLzmaDec(const ScopedLzmaDec&) = delete;
  ScopedLzmaDec& operator=(const ScopedLzmaDec&) = delete;
  ~ScopedLzmaDec() { LzmaDec_FreeProbs(&state_, &adapter_.base); }

  // Allocates the tables for `properties` and makes `out` the dictionary.
  ResultCode Init(const uint8_t* properties, uint8_t* out, size_t out_size) {
    const SRes result = LzmaDec_AllocateProbs(&state_, properties, LZMA_PROPS_SIZE, &adapter_.base);
    if (result != SZ_OK)
      return static_cast<ResultCode>(result);
    state_.dic = out;
    state_.dicBufSize = out_size;
    LzmaDec_Init(&state_);
    return ResultCode::kOk;
  }

  CLzmaDec* get() { return &state_; }

  // Decodes from `source` (at most `input_limit` bytes of it) until the
  // dictionary position reaches `dic_limit`, the stream ends or the input
  // runs out. Sets `*status` to the decoder's last status.
  ResultCode Run(size_t dic_limit, ByteSource* source, uint64_t* input_limit,
                 ELzmaFinishMode finish_mode, ELzmaStatus* status, std::string* error) {
    for (;;) {
      const uint8_t* data = nullptr;
      size_t available = 0;
      ResultCode result = source->Peek(&data, &available);
      if (result != ResultCode::kOk) {
        *error = "Cannot read the packed stream";
        return result;
      }
      available = static_cast<size_t>(std::min<uint64_t>(available, *input_limit));
      SizeT processed = available;
      const size_t dic_before = state_.dicPos;
      const SRes decoded =
          LzmaDec_DecodeToDic(&state_, dic_limit, data, &processed, finish_mode, status);
      source->Consume(processed);
      *input_limit -= processed;
      if (decoded != SZ_OK) {
        *error = "The LZMA data is corrupt";
        return ResultCode::kDataError;
      }
      if (*status == LZMA_STATUS_FINISHED_WITH_MARK)
        return ResultCode::kOk;
      // At the limit the decoder may still want input to look for an end
      // marker; otherwise the caller judges the status.
      if (state_.dicPos == dic_limit && *status != LZMA_STATUS_NEEDS_MORE_INPUT)
        return ResultCode::kOk;
      if (processed == 0 && state_.dicPos == dic_before) {
        if (state_.dicPos == dic_limit)
          return ResultCode::kOk;
        // Asked for more input but there is none: the stream is cut short.
        *error = "The LZMA data ends early";
        return ResultCode::kDataError;
      }
    }
  }

 private:
  AllocatorAdapter adapter_;
  CLzmaDec state_;
};

uint32_t Lzma2DictionarySize(uint8_t code) {
  if (code == kMaxLzma2DictionaryCode)
    return 0xFFFFFFFF;
  return (2u | (code & 1u)) << (code / 2 + 11);
}

uint32_t ReadBigEndian16(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 8) | p[1];
}

}  // namespace

LzmaDecoder::LzmaDecoder(Allocator* allocator) : allocator_(allocator) {}

LzmaDecoder::~LzmaDecoder() = default;

// static
bool LzmaDecoder::CheckLzmaProperties(const uint8_t* properties, size_t size,
                                      std::string* error) {
  CLzmaProps decoded;
  if (size != LZMA_PROPS_SIZE || LzmaProps_Decode(&decoded, properties, LZMA_PROPS_SIZE) != SZ_OK) {
    *error = "The LZMA coder has invalid properties";
    return false;
  }
  return true;
}

// static
bool LzmaDecoder::CheckLzma2Properties(const uint8_t* properties, size_t size,
                                       std::string* error) {
  if (size != 1 || properties[0] > kMaxLzma2DictionaryCode) {
    *error = "The LZMA2 coder has invalid properties";
    return false;
  }
  return true;
}

ResultCode LzmaDecoder::DecodeLzma(const uint8_t* properties, size_t properties_size,
                                   ByteSource* source, uint8_t* out, size_t out_size,
                                   std::string* error) {
  if (!CheckLzmaProperties(properties, properties_size, error))
    return ResultCode::kUnsupported;
  // An empty output still has to start a valid stream; give the decoder a
  // place to point at.
  uint8_t empty_block = 0;
  ScopedLzmaDec decoder(allocator_);
  ResultCode result = decoder.Init(properties, out_size ? out : &empty_block, out_size);
  if (result != ResultCode::kOk) {
    *error = "Cannot allocate the LZMA decoder";
    return result;
  }
  uint64_t input_limit = source->remaining();
  ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
  result = decoder.Run(out_size, source, &input_limit, LZMA_FINISH_END, &status, error);
  if (result != ResultCode::kOk)
    return result;
  if (decoder.get()->dicPos != out_size) {
    *error = "The LZMA stream ends before its declared size";
    return ResultCode::kDataError;
  }
  if (status != LZMA_STATUS_FINISHED_WITH_MARK &&
      status != LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK) {
    *error = "The LZMA stream does not end at its declared size";
    return ResultCode::kDataError;
  }
  if (source->remaining() != 0) {
    *error = "The LZMA stream is followed by unused packed data";
    return ResultCode::kDataError;
  }
  return ResultCode::kOk;
}

ResultCode LzmaDecoder::DecodeLzma2(const uint8_t* properties, size_t properties_size,
                                    ByteSource* source, uint8_t* out, size_t out_size,
                                    std::string* error) {
  return DecodeLzma2Chunks(properties, properties_size, source, out, out_size, false, error);
}

ResultCode LzmaDecoder::DecodeLzma2Part(const uint8_t* properties, size_t properties_size,
                                        ByteSource* source, uint8_t* out, size_t out_size,
                                        std::string* error) {
  return DecodeLzma2Chunks(properties, properties_size, source, out, out_size, true, error);
}

ResultCode LzmaDecoder::DecodeLzma2Chunks(const uint8_t* properties, size_t properties_size,
                                          ByteSource* source, uint8_t* out, size_t out_size,
                                          bool is_part, std::string* error) {
  if (!CheckLzma2Properties(properties, properties_size, error))
    return ResultCode::kUnsupported;
  // Tables sized for the largest lc + lp LZMA2 allows, so that chunks may
  // change lc/lp/pb without reallocating.
  const uint32_t dictionary_size = Lzma2DictionarySize(properties[0]);
  const uint8_t lzma_properties[LZMA_PROPS_SIZE] = {
      kMaxLzma2LiteralBits, static_cast<uint8_t>(dictionary_size),
      static_cast<uint8_t>(dictionary_size >> 8), static_cast<uint8_t>(dictionary_size >> 16),
      static_cast<uint8_t>(dictionary_size >> 24)};
  uint8_t empty_block = 0;
  ScopedLzmaDec decoder(allocator_);
  ResultCode result = decoder.Init(lzma_properties, out_size ? out : &empty_block, out_size);
  if (result != ResultCode::kOk) {
    *error = "Cannot allocate the LZMA2 decoder";
    return result;
  }
  CLzmaDec* state = decoder.get();

  bool need_dictionary_reset = true;
  bool need_state_reset = true;
  bool need_properties = true;
  for (;;) {
    if (is_part && source->remaining() == 0)
      break;
    uint8_t control = 0;
    if (source->ReadExact(&control, 1) != ResultCode::kOk) {
      *error = "The LZMA2 stream has no end marker";
      return ResultCode::kDataError;
    }
    if (control == 0) {
      if (is_part) {
        *error = "An LZMA2 part holds the stream's end marker";
        return ResultCode::kDataError;
      }
      break;
    }

    if (control < 0x80) {
      // Uncompressed chunk: 1 resets the dictionary, 2 keeps it.
      uint8_t header[2];
      if (control > 2 || source->ReadExact(header, 2) != ResultCode::kOk) {
        *error = "The LZMA2 stream has a bad chunk header";
        return ResultCode::kDataError;
      }
      const size_t size = ReadBigEndian16(header) + 1;
      const bool reset_dictionary = control == 1;
      if (reset_dictionary) {
        need_properties = true;
        need_state_reset = true;
      } else if (need_dictionary_reset) {
        *error = "The LZMA2 stream does not start with a dictionary reset";
        return ResultCode::kDataError;
      }
      need_dictionary_reset = false;
      if (size > out_size - state->dicPos) {
        *error = "The LZMA2 stream is longer than its declared size";
        return ResultCode::kDataError;
      }
      LzmaDec_InitDicAndState(state, reset_dictionary, False);
      if (source->ReadExact(out + state->dicPos, size) != ResultCode::kOk) {
        *error = "The LZMA2 data ends early";
        return ResultCode::kDataError;
      }
      // What LzmaDec does for bytes it did not decode itself: they count
      // towards the dictionary that later matches may reach into.
      if (state->checkDicSize == 0 && state->prop.dicSize - state->processedPos <= size)
        state->checkDicSize = state->prop.dicSize;
      state->processedPos += static_cast<UInt32>(size);
      state->dicPos += size;
      continue;
    }

    uint8_t header[5];
    const unsigned mode = (control >> 5) & 3;
    const size_t header_size = mode >= 2 ? 5 : 4;
    if (source->ReadExact(header, header_size) != ResultCode::kOk) {
      *error = "The LZMA2 stream has a bad chunk header";
      return ResultCode::kDataError;
    }
    const size_t unpacked_size =
        ((static_cast<size_t>(control & 0x1F) << 16) | ReadBigEndian16(header)) + 1;
    uint64_t packed_size = ReadBigEndian16(header + 2) + 1;
    if (mode >= 2) {
      unsigned code = header[4];
      if (code >= 9 * 5 * 5) {
        *error = "The LZMA2 stream has bad chunk properties";
        return ResultCode::kDataError;
      }
      const unsigned lc = code % 9;
      code /= 9;
      const unsigned lp = code % 5;
      const unsigned pb = code / 5;
      if (lc + lp > kMaxLzma2LiteralBits) {
        *error = "The LZMA2 stream has bad chunk properties";
        return ResultCode::kDataError;
      }
      state->prop.lc = lc;
      state->prop.lp = lp;
      state->prop.pb = pb;
      need_properties = false;
    } else if (need_properties) {
      *error = "The LZMA2 stream lacks chunk properties";
      return ResultCode::kDataError;
    }
    const bool reset_dictionary = mode == 3;
    const bool reset_state = mode > 0;
    if ((!reset_dictionary && need_dictionary_reset) || (!reset_state && need_state_reset)) {
      *error = "The LZMA2 stream lacks a reset";
      return ResultCode::kDataError;
    }
    need_dictionary_reset = false;
    need_state_reset = false;
    if (unpacked_size > out_size - state->dicPos) {
      *error = "The LZMA2 stream is longer than its declared size";
      return ResultCode::kDataError;
    }
    LzmaDec_InitDicAndState(state, reset_dictionary, reset_state);
    ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
    const size_t chunk_end = state->dicPos + unpacked_size;
    result = decoder.Run(chunk_end, source, &packed_size, LZMA_FINISH_ANY, &status, error);
    if (result != ResultCode::kOk)
      return result;
    // A chunk has no end marker: it must fill its size exactly with its
    // packed bytes, and the range coder must come out clean.
    if (state->dicPos != chunk_end || packed_size != 0 ||
        status != LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK) {
      *error = "An LZMA2 chunk does not match its sizes";
      return ResultCode::kDataError;
    }
  }
  if (state->dicPos != out_size) {
    *error = "The LZMA2 stream ends before its declared size";
    return ResultCode::kDataError;
  }
  if (source->remaining() != 0) {
    *error = "The LZMA2 stream is followed by unused packed data";
    return ResultCode::kDataError;
  }
  return ResultCode::kOk;
}

}  // namespace velta::seven_zip
