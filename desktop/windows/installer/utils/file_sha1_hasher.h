// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_SHA1_HASHER_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_SHA1_HASHER_H_

#include <stdint.h>

#include <array>
#include <atomic>
#include <string>

#include "base/hash/sha1.h"

namespace base {
class FilePath;
}  // namespace base

namespace velta {

// SHA-1 digests of files, for the check of downloadable resources. Over CNG,
// resolved from the system library at run time, while it works; once CNG has
// failed, the process remembers it and uses the built-in SHA-1 from then on,
// so a system without a usable CNG still gets right digests. One instance
// per process (GetInstance); any thread.
class FileSha1Hasher {
 public:
  static constexpr wchar_t kCngLibrary[] = L"bcrypt.dll";

  // `cng_library` is the system library CNG comes from; tests name one that
  // does not exist.
  explicit FileSha1Hasher(const wchar_t* cng_library = kCngLibrary);
  FileSha1Hasher(const FileSha1Hasher&) = delete;
  FileSha1Hasher& operator=(const FileSha1Hasher&) = delete;
  ~FileSha1Hasher();

  static FileSha1Hasher* GetInstance();

  // The SHA-1 of the whole file. False only when the file cannot be opened
  // or read. Blocks on file reads.
  bool Compute(const base::FilePath& path, std::array<uint8_t, base::kSHA1Length>* digest);

 private:
  // The digest of `file` from its current position through CNG; false, with
  // `failure` naming the call that failed, when CNG cannot be used.
  bool ComputeWithCng(FILE* file,
                      std::array<uint8_t, base::kSHA1Length>* digest,
                      std::string* failure);

  const std::wstring cng_library_;
  std::atomic<bool> cng_unusable_{false};
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_FILE_SHA1_HASHER_H_
