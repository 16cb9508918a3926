// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FOLDER_DECODER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FOLDER_DECODER_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "desktop/windows/installer/lzma_util/seven_zip/folder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

class Allocator;
class BcjX86Filter;
class ByteSource;
class InputStream;
class WorkerGuard;

// Decodes one folder into a caller-provided block: runs its coder graph from
// the packed streams up to the main coder, keeping intermediate streams (the
// inputs of BCJ2, a filter's input) in blocks from the temporary allocator,
// then checks the folder CRC when there is one. The stream and the allocator
// must outlive the decoder.
//
// Everything a decode allocates (read buffers, intermediate streams, decoder
// tables) comes from the temporary allocator; the rest of its state lives on
// the stack. So a caller that abandons a decode midway, dropping its stack
// frames without running destructors, recovers all of it by freeing what
// the temporary allocator still has out.
//
// An LZMA2 stream that a packer split into independent parts (one per block
// it compressed on a thread of its own) is decoded on up to `threads`
// threads, each part straight into its place of the output; the threads'
// writes run under `worker_guard` when there is one. The calling thread then
// only reads the packed stream (into buffers it allocates with malloc and
// frees before it returns); a stream of one part is decoded on the calling
// thread as before. A BCJ filter over such a stream runs on those threads
// too, over the output's decoded prefix as it grows.
class FolderDecoder {
 public:
  // `engine` decodes the folder's LZMA and LZMA2 coders.
  FolderDecoder(InputStream* stream, Allocator* temp_allocator, int threads,
                WorkerGuard* worker_guard, LzmaEngine engine = LzmaEngine::kStreamDecoder);
  FolderDecoder(const FolderDecoder&) = delete;
  FolderDecoder& operator=(const FolderDecoder&) = delete;
  ~FolderDecoder();

  // `packed_offsets` and `packed_sizes` give the absolute stream position and
  // size of each of the folder's packed streams, in folder order; `out_size`
  // must be the folder's unpacked size. On failure `*error` says what broke
  // and the block holds partial output.
  ResultCode Decode(const Folder& folder, const uint64_t* packed_offsets,
                    const uint64_t* packed_sizes, uint8_t* out, size_t out_size,
                    std::string* error);

 private:
  class TempBlock;
  class CoderInput;

  // Decodes coder `index` (whose output must be `out_size` bytes) into `out`.
  // With `output_filter` (a fresh one), the decode may run the filter over
  // its output as it goes; `*filtered` then says whether it did, over all of
  // it.
  ResultCode DecodeCoder(uint32_t index, uint8_t* out, size_t out_size,
                         BcjX86Filter* output_filter, bool* filtered);
  // Decodes an LZMA2 coder's packed input on several threads when it has
  // several parts, with `output_filter` (may be null) on those threads too;
  // sets `*decoded` to false (and decodes nothing) when it has one, a part
  // too large to hold in memory, or no thread could start: the caller then
  // decodes it from `input` as before.
  ResultCode DecodeLzma2Parts(const Folder::Coder& coder, ByteSource* input, uint8_t* out,
                              size_t out_size, BcjX86Filter* output_filter, bool* decoded);
  // Loads BCJ2's four inputs into memory and joins them into `out`.
  ResultCode DecodeBcj2(const Folder::Coder& coder, uint8_t* out, size_t out_size);
  // Makes `input` read input stream `in_index`: the packed stream itself, or
  // the bound coder's output, decoded first.
  ResultCode OpenInput(uint32_t in_index, CoderInput* input);
  // The whole of input stream `in_index` in memory.
  ResultCode LoadInput(uint32_t in_index, TempBlock* storage);

  InputStream* const stream_;
  Allocator* const temp_allocator_;
  const int threads_;
  WorkerGuard* const worker_guard_;
  const LzmaEngine engine_;
  LzmaDecoder lzma_decoder_;
  // Valid during Decode only.
  const Folder* folder_ = nullptr;
  const uint64_t* packed_offsets_ = nullptr;
  const uint64_t* packed_sizes_ = nullptr;
  std::string* error_ = nullptr;
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_FOLDER_DECODER_H_
