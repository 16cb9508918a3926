// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/folder_decoder.h"

#include <limits>
#include <optional>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/allocator.h"
#include "desktop/windows/installer/lzma_util/seven_zip/bcj2_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/bcj_x86_filter.h"
#include "desktop/windows/installer/lzma_util/seven_zip/crc32.h"
#include "desktop/windows/installer/lzma_util/seven_zip/folder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma2_parallel_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma2_part_scanner.h"
#include "desktop/windows/installer/lzma_util/seven_zip/memory_byte_source.h"
#include "desktop/windows/installer/lzma_util/seven_zip/pack_stream_source.h"

namespace velta::seven_zip {

// A block from the temporary allocator, freed with the object.
class FolderDecoder::TempBlock {
 public:
  explicit TempBlock(Allocator* allocator) : allocator_(allocator) {}
  TempBlock(const TempBlock&) = delete;
  TempBlock& operator=(const TempBlock&) = delete;
  ~TempBlock() { allocator_->Free(data_); }

  bool Allocate(uint64_t size) {
    if (size > std::numeric_limits<size_t>::max())
      return false;
    size_ = static_cast<size_t>(size);
    if (size_ == 0)
      return true;
    data_ = static_cast<uint8_t*>(allocator_->Allocate(size_));
    return data_ != nullptr;
  }

  uint8_t* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  Allocator* const allocator_;
  uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

// The input of a single-input coder, held in place rather than on the heap:
// a packed stream read through a buffer, or another coder's output decoded
// into a temporary block.
class FolderDecoder::CoderInput {
 public:
  explicit CoderInput(Allocator* allocator) : allocator_(allocator), storage_(allocator) {}
  CoderInput(const CoderInput&) = delete;
  CoderInput& operator=(const CoderInput&) = delete;
  ~CoderInput() = default;

  void ReadPacked(InputStream* stream, uint64_t offset, uint64_t size) {
    source_ = &packed_.emplace(stream, offset, size, allocator_);
  }
  // Reads what was decoded into storage().
  void ReadStorage() { source_ = &decoded_.emplace(storage_.data(), storage_.size()); }

  TempBlock* storage() { return &storage_; }
  ByteSource* source() const { return source_; }
  // Whether the input is a packed stream (not another coder's output).
  bool is_packed() const { return packed_.has_value(); }

 private:
  Allocator* const allocator_;
  TempBlock storage_;
  std::optional<PackStreamSource> packed_;
  std::optional<MemoryByteSource> decoded_;
  ByteSource* source_ = nullptr;
};

FolderDecoder::FolderDecoder(InputStream* stream, Allocator* temp_allocator, int threads,
                             WorkerGuard* worker_guard, LzmaEngine engine)
    : stream_(stream),
      temp_allocator_(temp_allocator),
      threads_(threads),
      worker_guard_(worker_guard),
      engine_(engine),
      lzma_decoder_(temp_allocator, engine) {}

FolderDecoder::~FolderDecoder() = default;

ResultCode FolderDecoder::Decode(const Folder& folder, const uint64_t* packed_offsets,
                                 const uint64_t* packed_sizes, uint8_t* out, size_t out_size,
                                 std::string* error) {
  folder_ = &folder;
  packed_offsets_ = packed_offsets;
  packed_sizes_ = packed_sizes;
  error_ = error;
  ResultCode result = ResultCode::kOk;
  if (out_size != folder.unpack_size()) {
    *error = "The output block does not match the folder size";
    result = ResultCode::kParamError;
  } else {
    result = DecodeCoder(folder.main_coder(), out, out_size, nullptr, nullptr);
  }
  if (result == ResultCode::kOk && folder.has_crc() &&
      Crc32::Compute(out, out_size) != folder.crc()) {
    *error = "The folder's CRC does not match";
    result = ResultCode::kCrcError;
  }
  folder_ = nullptr;
  packed_offsets_ = nullptr;
  packed_sizes_ = nullptr;
  error_ = nullptr;
  return result;
}

ResultCode FolderDecoder::DecodeCoder(uint32_t index, uint8_t* out, size_t out_size,
                                      BcjX86Filter* output_filter, bool* filtered) {
  if (output_filter)
    *filtered = false;
  const Folder::Coder& coder = folder_->coders()[index];
  if (coder.unpack_size != out_size) {
    *error_ = "A coder's output does not match its declared size";
    return ResultCode::kDataError;
  }
  if (coder.method == Folder::Method::kBcj2)
    return DecodeBcj2(coder, out, out_size);

  // A filter over another coder's output (BCJ over LZMA2, as packers write
  // executables): that coder decodes straight into `out`, and the filter
  // works there in place, with no intermediate block and no copy: on the
  // decoding threads as parts complete when there are parts, else after.
  if (coder.method == Folder::Method::kBcjX86 || coder.method == Folder::Method::kCopy) {
    const Folder::InputSource source = folder_->SourceOf(coder.first_in_stream);
    if (!source.is_packed_stream) {
      if (folder_->coders()[source.index].unpack_size != out_size) {
        *error_ = "A filter's input and output sizes differ";
        return ResultCode::kDataError;
      }
      if (coder.method != Folder::Method::kBcjX86)
        return DecodeCoder(source.index, out, out_size, nullptr, nullptr);
      BcjX86Filter filter;
      bool input_filtered = false;
      const ResultCode result = DecodeCoder(source.index, out, out_size, &filter, &input_filtered);
      if (result == ResultCode::kOk && !input_filtered)
        BcjX86Filter::Decode(out, out_size);
      return result;
    }
  }

  // The single-input coders read their input as a stream.
  CoderInput coder_input(temp_allocator_);
  ResultCode result = OpenInput(coder.first_in_stream, &coder_input);
  if (result != ResultCode::kOk)
    return result;
  ByteSource* const input = coder_input.source();
  const uint8_t* properties = coder.properties.data();
  const size_t properties_size = coder.properties.size();
  switch (coder.method) {
    case Folder::Method::kLzma:
      return lzma_decoder_.DecodeLzma(properties, properties_size, input, out, out_size, error_);
    case Folder::Method::kLzma2: {
      bool decoded = false;
      if (threads_ > 1 && coder_input.is_packed()) {
        result = DecodeLzma2Parts(coder, input, out, out_size, output_filter, &decoded);
        if (output_filter)
          *filtered = decoded && result == ResultCode::kOk;
        if (result != ResultCode::kOk || decoded)
          return result;
      }
      return lzma_decoder_.DecodeLzma2(properties, properties_size, input, out, out_size, error_);
    }
    case Folder::Method::kCopy:
    case Folder::Method::kBcjX86:
    case Folder::Method::kBcj2:
      break;
  }
  if (input->remaining() != out_size) {
    *error_ = "A filter's input and output sizes differ";
    return ResultCode::kDataError;
  }
  result = input->ReadExact(out, out_size);
  if (result != ResultCode::kOk) {
    *error_ = "Cannot read a packed stream";
    return result;
  }
  if (coder.method == Folder::Method::kBcjX86)
    BcjX86Filter::Decode(out, out_size);
  return ResultCode::kOk;
}

ResultCode FolderDecoder::DecodeLzma2Parts(const Folder::Coder& coder, ByteSource* input,
                                           uint8_t* out, size_t out_size,
                                           BcjX86Filter* output_filter, bool* decoded) {
  *decoded = false;
  // The scan reads the stream's chunk headers through a reader of its own;
  // `input` is still at the stream's start for the decode.
  std::vector<Lzma2Part> parts;
  {
    const Folder::InputSource source = folder_->SourceOf(coder.first_in_stream);
    PackStreamSource headers(stream_, packed_offsets_[source.index], packed_sizes_[source.index],
                             temp_allocator_);
    ResultCode result = Lzma2PartScanner::Scan(&headers, out_size, &parts, error_);
    if (result != ResultCode::kOk)
      return result;
  }
  if (parts.size() < 2)
    return ResultCode::kOk;
  for (const Lzma2Part& part : parts) {
    if (part.packed_size > Lzma2ParallelDecoder::kMaxPackedPartSize)
      return ResultCode::kOk;
  }
  const ResultCode result =
      Lzma2ParallelDecoder::Decode(coder.properties.data(), coder.properties.size(), parts, input,
                                   out, out_size, threads_, worker_guard_, output_filter, engine_,
                                   error_);
  // Without a thread of its own the stream decodes on this one.
  *decoded = result != ResultCode::kThreadError;
  if (!*decoded)
    error_->clear();
  return *decoded ? result : ResultCode::kOk;
}

ResultCode FolderDecoder::DecodeBcj2(const Folder::Coder& coder, uint8_t* out, size_t out_size) {
  TempBlock main(temp_allocator_);
  TempBlock calls(temp_allocator_);
  TempBlock jumps(temp_allocator_);
  TempBlock range_coded(temp_allocator_);
  TempBlock* inputs[] = {&main, &calls, &jumps, &range_coded};
  for (uint32_t i = 0; i < 4; ++i) {
    ResultCode result = LoadInput(coder.first_in_stream + i, inputs[i]);
    if (result != ResultCode::kOk)
      return result;
  }
  return Bcj2Decoder::Decode({main.data(), main.size()}, {calls.data(), calls.size()},
                             {jumps.data(), jumps.size()},
                             {range_coded.data(), range_coded.size()}, out, out_size, error_);
}

ResultCode FolderDecoder::OpenInput(uint32_t in_index, CoderInput* input) {
  const Folder::InputSource source = folder_->SourceOf(in_index);
  if (source.is_packed_stream) {
    input->ReadPacked(stream_, packed_offsets_[source.index], packed_sizes_[source.index]);
    return ResultCode::kOk;
  }
  ResultCode result = LoadInput(in_index, input->storage());
  if (result != ResultCode::kOk)
    return result;
  input->ReadStorage();
  return ResultCode::kOk;
}

ResultCode FolderDecoder::LoadInput(uint32_t in_index, TempBlock* storage) {
  const Folder::InputSource input = folder_->SourceOf(in_index);
  const uint64_t size = input.is_packed_stream ? packed_sizes_[input.index]
                                               : folder_->coders()[input.index].unpack_size;
  if (!storage->Allocate(size)) {
    *error_ = "Cannot allocate an intermediate stream";
    return ResultCode::kMemoryError;
  }
  if (!input.is_packed_stream)
    return DecodeCoder(input.index, storage->data(), storage->size(), nullptr, nullptr);
  PackStreamSource packed(stream_, packed_offsets_[input.index], size, temp_allocator_);
  ResultCode result = packed.ReadExact(storage->data(), storage->size());
  if (result != ResultCode::kOk)
    *error_ = "Cannot read a packed stream";
  return result;
}

}  // namespace velta::seven_zip
