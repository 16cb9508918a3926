// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"

#include <algorithm>
#include <cstring>

#include "LzmaDec.h"
#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/byte_source.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_stream_decoder.h"

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

using FinishMode = LzmaStreamDecoder::FinishMode;
using Status = LzmaStreamDecoder::Status;

// LzmaDec behind the interface of LzmaStreamDecoder (the calls LzmaDecoder
// makes). Owns the probability tables; the dictionary is the caller's block.
class SdkCore {
 public:
  explicit SdkCore(Allocator* allocator) {
    adapter_.base.Alloc = &AdapterAlloc;
    adapter_.base.Free = &AdapterFree;
    adapter_.allocator = allocator;
    LzmaDec_Construct(&state_);
  }
  SdkCore(const SdkCore&) = delete;
  SdkCore& operator=(const SdkCore&) = delete;
  ~SdkCore() { LzmaDec_FreeProbs(&state_, &adapter_.base); }

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

  void SetLiteralProperties(unsigned lc, unsigned lp, unsigned pb) {
    state_.prop.lc = lc;
    state_.prop.lp = lp;
    state_.prop.pb = pb;
  }

  void Reset(bool reset_dictionary, bool reset_state) {
    LzmaDec_InitDicAndState(&state_, reset_dictionary ? True : False, reset_state ? True : False);
  }

  // What LzmaDec does for bytes it did not decode itself: they count
  // towards the dictionary that later matches may reach into.
  void AddUncompressed(size_t size) {
    if (state_.checkDicSize == 0 && state_.prop.dicSize - state_.processedPos <= size)
      state_.checkDicSize = state_.prop.dicSize;
    state_.processedPos += static_cast<UInt32>(size);
    state_.dicPos += size;
  }

  size_t position() const { return state_.dicPos; }

  ResultCode Decode(size_t limit, const uint8_t* in, size_t* in_size, FinishMode finish_mode,
                    Status* status) {
    SizeT processed = *in_size;
    ELzmaStatus sdk_status = LZMA_STATUS_NOT_SPECIFIED;
    const SRes result = LzmaDec_DecodeToDic(
        &state_, limit, in, &processed,
        finish_mode == FinishMode::kEnd ? LZMA_FINISH_END : LZMA_FINISH_ANY, &sdk_status);
    *in_size = processed;
    switch (sdk_status) {
      case LZMA_STATUS_FINISHED_WITH_MARK:
        *status = Status::kFinishedWithMark;
        break;
      case LZMA_STATUS_NOT_FINISHED:
        *status = Status::kNotFinished;
        break;
      case LZMA_STATUS_NEEDS_MORE_INPUT:
        *status = Status::kNeedsMoreInput;
        break;
      case LZMA_STATUS_MAYBE_FINISHED_WITHOUT_MARK:
        *status = Status::kMaybeFinishedWithoutMark;
        break;
      default:
        *status = Status::kNotSpecified;
        break;
    }
    return result == SZ_OK ? ResultCode::kOk : ResultCode::kDataError;
  }

 private:
  AllocatorAdapter adapter_;
  CLzmaDec state_;
};

// Our own decoder, driven the same way.
class StreamCore {
 public:
  explicit StreamCore(Allocator* allocator) : decoder_(allocator) {}

  ResultCode Init(const uint8_t* properties, uint8_t* out, size_t out_size) {
    LzmaStreamDecoder::Properties parsed;
    if (!LzmaStreamDecoder::ParseProperties(properties, &parsed))
      return ResultCode::kUnsupported;
    return decoder_.Init(parsed, out, out_size);
  }
  void SetLiteralProperties(unsigned lc, unsigned lp, unsigned pb) {
    decoder_.SetLiteralProperties(lc, lp, pb);
  }
  void Reset(bool reset_dictionary, bool reset_state) {
    decoder_.Reset(reset_dictionary, reset_state);
  }
  void AddUncompressed(size_t size) { decoder_.AddUncompressed(size); }
  size_t position() const { return decoder_.position(); }
  ResultCode Decode(size_t limit, const uint8_t* in, size_t* in_size, FinishMode finish_mode,
                    Status* status) {
    return decoder_.Decode(limit, in, in_size, finish_mode, status);
  }

 private:
  LzmaStreamDecoder decoder_;
};

// Decodes from `source` (at most `input_limit` bytes of it) until the
// position reaches `limit`, the stream ends or the input runs out. Sets
// `*status` to the decoder's last status.
template <class Core>
ResultCode Run(Core* core, size_t limit, ByteSource* source, uint64_t* input_limit,
               FinishMode finish_mode, Status* status, std::string* error) {
  for (;;) {
    const uint8_t* data = nullptr;
    size_t available = 0;
    ResultCode result = source->Peek(&data, &available);
    if (result != ResultCode::kOk) {
      *error = "Cannot read the packed stream";
      return result;
    }
    available = static_cast<size_t>(std::min<uint64_t>(available, *input_limit));
    size_t processed = available;
    const size_t position_before = core->position();
    const ResultCode decoded = core->Decode(limit, data, &processed, finish_mode, status);
    source->Consume(processed);
    *input_limit -= processed;
    if (decoded != ResultCode::kOk) {
      *error = "The LZMA data is corrupt";
      return ResultCode::kDataError;
    }
    if (*status == Status::kFinishedWithMark)
      return ResultCode::kOk;
    // At the limit the decoder may still want input to look for an end
    // marker; otherwise the caller judges the status.
    if (core->position() == limit && *status != Status::kNeedsMoreInput)
      return ResultCode::kOk;
    if (processed == 0 && core->position() == position_before) {
      if (core->position() == limit)
        return ResultCode::kOk;
      // Asked for more input but there is none: the stream is cut short.
      *error = "The LZMA data ends early";
      return ResultCode::kDataError;
    }
  }
}

uint32_t Lzma2DictionarySize(uint8_t code) {
  if (code == kMaxLzma2DictionaryCode)
    return 0xFFFFFFFF;
  return (2u | (code & 1u)) << (code / 2 + 11);
}

uint32_t ReadBigEndian16(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 8) | p[1];
}

// The body of DecodeLzma, properties checked.
template <class Core>
ResultCode DecodeLzmaWith(Allocator* allocator, const uint8_t* properties, ByteSource* source,
                          uint8_t* out, size_t out_size, std::string* error) {
  // An empty output still has to start a valid stream; give the decoder a
  // place to point at.
  uint8_t empty_block = 0;
  Core decoder(allocator);
  ResultCode result = decoder.Init(properties, out_size ? out : &empty_block, out_size);
  if (result != ResultCode::kOk) {
    *error = "Cannot allocate the LZMA decoder";
    return result;
  }
  uint64_t input_limit = source->remaining();
  Status status = Status::kNotSpecified;
  result = Run(&decoder, out_size, source, &input_limit, FinishMode::kEnd, &status, error);
  if (result != ResultCode::kOk)
    return result;
  if (decoder.position() != out_size) {
    *error = "The LZMA stream ends before its declared size";
    return ResultCode::kDataError;
  }
  if (status != Status::kFinishedWithMark && status != Status::kMaybeFinishedWithoutMark) {
    *error = "The LZMA stream does not end at its declared size";
    return ResultCode::kDataError;
  }
  if (source->remaining() != 0) {
    *error = "The LZMA stream is followed by unused packed data";
    return ResultCode::kDataError;
  }
  return ResultCode::kOk;
}

// The chunk loop of DecodeLzma2 and DecodeLzma2Part, properties checked:
// until the end marker, or with `is_part` until `source` is used up.
template <class Core>
ResultCode DecodeLzma2ChunksWith(Allocator* allocator, const uint8_t* properties,
                                 ByteSource* source, uint8_t* out, size_t out_size, bool is_part,
                                 std::string* error) {
  // Tables sized for the largest lc + lp LZMA2 allows, so that chunks may
  // change lc/lp/pb without reallocating.
  const uint32_t dictionary_size = Lzma2DictionarySize(properties[0]);
  const uint8_t lzma_properties[LZMA_PROPS_SIZE] = {
      kMaxLzma2LiteralBits, static_cast<uint8_t>(dictionary_size),
      static_cast<uint8_t>(dictionary_size >> 8), static_cast<uint8_t>(dictionary_size >> 16),
      static_cast<uint8_t>(dictionary_size >> 24)};
  uint8_t empty_block = 0;
  Core decoder(allocator);
  ResultCode result = decoder.Init(lzma_properties, out_size ? out : &empty_block, out_size);
  if (result != ResultCode::kOk) {
    *error = "Cannot allocate the LZMA2 decoder";
    return result;
  }
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
      if (size > out_size - decoder.position()) {
        *error = "The LZMA2 stream is longer than its declared size";
        return ResultCode::kDataError;
      }
      decoder.Reset(reset_dictionary, false);
      if (source->ReadExact(out + decoder.position(), size) != ResultCode::kOk) {
        *error = "The LZMA2 data ends early";
        return ResultCode::kDataError;
      }
      decoder.AddUncompressed(size);
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
      decoder.SetLiteralProperties(lc, lp, pb);
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
    if (unpacked_size > out_size - decoder.position()) {
      *error = "The LZMA2 stream is longer than its declared size";
      return ResultCode::kDataError;
    }
    decoder.Reset(reset_dictionary, reset_state);
    Status status = Status::kNotSpecified;
    const size_t chunk_end = decoder.position() + unpacked_size;
    result = Run(&decoder, chunk_end, source, &packed_size, FinishMode::kAny, &status, error);
    if (result != ResultCode::kOk)
      return result;
    // A chunk has no end marker: it must fill its size exactly with its
    // packed bytes, and the range coder must come out clean.
    if (decoder.position() != chunk_end || packed_size != 0 ||
        status != Status::kMaybeFinishedWithoutMark) {
      *error = "An LZMA2 chunk does not match its sizes";
      return ResultCode::kDataError;
    }
  }
  if (decoder.position() != out_size) {
    *error = "The LZMA2 stream ends before its declared size";
    return ResultCode::kDataError;
  }
  if (source->remaining() != 0) {
    *error = "The LZMA2 stream is followed by unused packed data";
    return ResultCode::kDataError;
  }
  return ResultCode::kOk;
}

}  // namespace

LzmaDecoder::LzmaDecoder(Allocator* allocator, LzmaEngine engine)
    : allocator_(allocator), engine_(engine) {}

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
  if (engine_ == LzmaEngine::kStreamDecoder)
    return DecodeLzmaWith<StreamCore>(allocator_, properties, source, out, out_size, error);
  return DecodeLzmaWith<SdkCore>(allocator_, properties, source, out, out_size, error);
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
  if (engine_ == LzmaEngine::kStreamDecoder) {
    return DecodeLzma2ChunksWith<StreamCore>(allocator_, properties, source, out, out_size,
                                             is_part, error);
  }
  return DecodeLzma2ChunksWith<SdkCore>(allocator_, properties, source, out, out_size, is_part,
                                        error);
}

}  // namespace velta::seven_zip
