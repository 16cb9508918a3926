// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/lzma_util/seven_zip/signature_scanner.h"

#include "desktop/windows/installer/lzma_util/seven_zip/input_stream.h"
#include "desktop/windows/installer/lzma_util/seven_zip/start_header.h"

namespace velta::seven_zip {

namespace {

// Reads until `size` bytes are in or the data ends; `*read` tells how many.
ResultCode ReadAt(InputStream* stream, int64_t position, uint8_t* buffer, size_t size,
                  size_t* read) {
  *read = 0;
  ResultCode result = stream->Seek(&position, InputStream::SeekOrigin::kBegin);
  if (result != ResultCode::kOk)
    return result;
  return stream->ReadFully(buffer, size, read);
}

}  // namespace

// static
ResultCode SignatureScanner::SeekToSignature(InputStream* stream, std::string* error) {
  int64_t start = 0;
  ResultCode result = stream->Seek(&start, InputStream::SeekOrigin::kCurrent);
  if (result != ResultCode::kOk) {
    *error = "Cannot query the archive position";
    return result;
  }
  uint64_t consumed = 0;
  uint8_t chunk[kChunkSize];
  for (;;) {
    const int64_t chunk_start = start + static_cast<int64_t>(consumed);
    size_t read = 0;
    result = ReadAt(stream, chunk_start, chunk, kChunkSize, &read);
    if (result != ResultCode::kOk) {
      *error = "Cannot read the archive";
      return result;
    }
    if (read <= StartHeader::kSignatureSize)
      break;
    for (size_t p = 0; p + StartHeader::kSignatureSize < read; ++p) {
      if (!StartHeader::HasSignature(chunk + p))
        continue;
      const int64_t candidate = chunk_start + static_cast<int64_t>(p);
      uint8_t header_bytes[StartHeader::kSize];
      size_t header_read = 0;
      result = ReadAt(stream, candidate, header_bytes, sizeof(header_bytes), &header_read);
      if (result != ResultCode::kOk) {
        *error = "Cannot read the archive";
        return result;
      }
      StartHeader header;
      std::string ignored;
      if (header_read == sizeof(header_bytes) &&
          header.Parse(header_bytes, &ignored) == ResultCode::kOk) {
        int64_t position = candidate;
        result = stream->Seek(&position, InputStream::SeekOrigin::kBegin);
        if (result != ResultCode::kOk)
          *error = "Cannot seek to the archive";
        return result;
      }
    }
    consumed += read - StartHeader::kSignatureSize;
    if (consumed > kSearchLimit)
      break;
  }
  *error = "No 7z signature in the first mebibyte of the file";
  return ResultCode::kNoArchive;
}

}  // namespace velta::seven_zip
