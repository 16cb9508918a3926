// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_SIGNATURE_SCANNER_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_SIGNATURE_SCANNER_H_

#include <cstdint>
#include <string>

#include "desktop/windows/installer/lzma_util/seven_zip/result_code.h"

namespace velta::seven_zip {

class InputStream;

// Finds where a 7z archive starts inside a file that may begin with a stub
// (a self-extracting program). Reads 1024-byte chunks from the stream's
// current position, overlapping each by six bytes so that a signature across
// two chunks is seen, and gives up after 1 MiB. A candidate counts only when
// the 32-byte start header behind it passes its CRC: a stub that contains the
// six signature bytes (as any program looking for them does) is not mistaken
// for the archive.
class SignatureScanner {
 public:
  static constexpr uint64_t kSearchLimit = 0xFFFFF;
  static constexpr size_t kChunkSize = 1024;

  // Leaves the stream at the signature and returns kOk, or kNoArchive when
  // none is found within the limit (kReadError and such when reading fails).
  static ResultCode SeekToSignature(InputStream* stream, std::string* error);
};

}  // namespace velta::seven_zip

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_SEVEN_ZIP_SIGNATURE_SCANNER_H_
