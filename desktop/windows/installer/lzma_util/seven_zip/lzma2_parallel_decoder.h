// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PARALLEL_DECODER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PARALLEL_DECODER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "desktop/windows/installer/lzma_util/seven_zip/lzma2_part.h"
#include "desktop/windows/installer/lzma_util/seven_zip/lzma_decoder.h"
#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

class BcjX86Filter;
class ByteSource;
class WorkerGuard;

// Decodes the parts of one LZMA2 stream (as Lzma2PartScanner found them) on
// a pool of threads, each part straight into its place of the output block.
// The calling thread reads the packed stream in order, one part at a time,
// into a buffer of that part's size, and hands it to the pool; at most one
// part more than there are threads waits in memory. The calling thread
// never touches the output block, so only the threads' writes can fault; each
// decode runs under `guard` when there is one.
//
// A filter over the stream's output (BCJ) runs on the decoding threads too,
// over the decoded prefix as it grows: whichever thread completes the part
// that extends the prefix filters it (one thread at a time, in order, outside
// the pool's lock), while the other threads go on decoding later parts.
//
// The parts' bounds are checked against each other and the output here; the
// chunks inside a part are checked by the part's decoder, since the stream
// may read differently now than when it was scanned. The first failure (the
// earliest part's, or reading the stream) stops the rest and is returned.
class Lzma2ParallelDecoder {
 public:
  // The threads a decode uses by default: the processors this process may
  // run on, at most kMaxThreads. A 32-bit process takes fewer: each thread
  // holds a part's packed bytes (up to tens of MB) in its address space.
  static constexpr int kMaxThreads = sizeof(void*) < 8 ? 4 : 8;
  static int DefaultThreadCount();

  // The largest part whose packed bytes a decode holds in memory; a stream
  // with a larger part is for the caller to decode on its own thread, which
  // reads it as a stream.
  static constexpr uint64_t kMaxPackedPartSize = sizeof(void*) < 8 ? 64u << 20 : 512u << 20;

  // `source` reads the whole packed stream from its start; `parts` must
  // cover it in order up to its end marker. Uses up to `threads` threads
  // (never more than there are parts, and those the system lets start).
  // kThreadError when not one thread starts: nothing is read from `source`
  // then, so the caller may decode the stream on its own thread. With
  // `filter`, a fresh one, a decode that succeeds has also filtered the
  // whole output; after a failure the output is partly filtered. `engine`
  // decodes each part.
  static ResultCode Decode(const uint8_t* properties, size_t properties_size,
                           const std::vector<Lzma2Part>& parts, ByteSource* source, uint8_t* out,
                           size_t out_size, int threads, WorkerGuard* guard, BcjX86Filter* filter,
                           LzmaEngine engine, std::string* error);
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_LZMA2_PARALLEL_DECODER_H_
