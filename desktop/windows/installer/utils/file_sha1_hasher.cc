// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/file_sha1_hasher.h"

#include <windows.h>

#include <bcrypt.h>
#include <stdio.h>

#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/hash/builtin_sha1.h"
#include "base/logging.h"
#include "base/process_wide.h"
#include "base/strings/stringprintf.h"
#include "base/win/get_function.h"
#include "base/win/scoped_module.h"

namespace velta {

namespace {

constexpr size_t kBlockSize = 65536;

// A function of the CNG library, typed from its declaration.
template <typename Function>
Function Resolve(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<base::win::GenericFunction>(::GetProcAddress(module, name)));
}

// Closes what CNG opened, whichever step failed.
struct CngHash {
  decltype(&BCryptCloseAlgorithmProvider) close_provider = nullptr;
  decltype(&BCryptDestroyHash) destroy_hash = nullptr;
  BCRYPT_ALG_HANDLE provider = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::vector<UCHAR> hash_object;

  ~CngHash() {
    if (hash)
      destroy_hash(hash);
    if (provider)
      close_provider(provider, 0);
  }
};

bool HashWithBuiltin(FILE* file, std::array<uint8_t, base::kSHA1Length>* digest) {
  base::BuiltinSha1 sha1;
  uint8_t block[kBlockSize];
  size_t read;
  while ((read = fread(block, 1, sizeof(block), file)) > 0)
    sha1.Update(block, read);
  if (ferror(file))
    return false;
  *digest = sha1.Finish();
  return true;
}

}  // namespace

FileSha1Hasher::FileSha1Hasher(const wchar_t* cng_library) : cng_library_(cng_library) {}

FileSha1Hasher::~FileSha1Hasher() = default;

// static
FileSha1Hasher* FileSha1Hasher::GetInstance() {
  return base::ProcessWide<FileSha1Hasher>::GetOrCreate<FileSha1Hasher>();
}

bool FileSha1Hasher::Compute(const base::FilePath& path,
                             std::array<uint8_t, base::kSHA1Length>* digest) {
  FILE* file = base::OpenFile(path, "rb");
  if (!file)
    return false;
  bool computed = false;
  bool use_builtin = cng_unusable_.load();
  if (!use_builtin) {
    std::string failure;
    computed = ComputeWithCng(file, digest, &failure);
    if (!computed && !ferror(file)) {
      if (!cng_unusable_.exchange(true))
        LOG(WARNING) << "CNG cannot compute SHA-1 (" << failure << "): using the built-in one";
      // Whatever CNG read is hashed again: the digest covers the whole file.
      use_builtin = fseek(file, 0, SEEK_SET) == 0;
    }
  }
  if (use_builtin)
    computed = HashWithBuiltin(file, digest);
  base::CloseFile(file);
  return computed;
}

bool FileSha1Hasher::ComputeWithCng(FILE* file,
                                    std::array<uint8_t, base::kSHA1Length>* digest,
                                    std::string* failure) {
  // Only from the system folder: a library of that name beside the installer
  // (in the download folder) is never loaded.
  base::win::ScopedModule library(
      ::LoadLibraryExW(cng_library_.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (!library.IsValid()) {
    *failure = base::StringPrintf("cannot load the library: %lu", ::GetLastError());
    return false;
  }
  HMODULE module = library.Get();
  auto open_provider =
      Resolve<decltype(&BCryptOpenAlgorithmProvider)>(module, "BCryptOpenAlgorithmProvider");
  auto get_property = Resolve<decltype(&BCryptGetProperty)>(module, "BCryptGetProperty");
  auto create_hash = Resolve<decltype(&BCryptCreateHash)>(module, "BCryptCreateHash");
  auto hash_data = Resolve<decltype(&BCryptHashData)>(module, "BCryptHashData");
  auto finish_hash = Resolve<decltype(&BCryptFinishHash)>(module, "BCryptFinishHash");
  CngHash cng;
  cng.close_provider =
      Resolve<decltype(&BCryptCloseAlgorithmProvider)>(module, "BCryptCloseAlgorithmProvider");
  cng.destroy_hash = Resolve<decltype(&BCryptDestroyHash)>(module, "BCryptDestroyHash");
  if (!open_provider || !get_property || !create_hash || !hash_data || !finish_hash ||
      !cng.close_provider || !cng.destroy_hash) {
    *failure = "a function is missing";
    return false;
  }
  NTSTATUS status = open_provider(&cng.provider, BCRYPT_SHA1_ALGORITHM, nullptr, 0);
  if (status != 0) {
    cng.provider = nullptr;
    *failure = base::StringPrintf("BCryptOpenAlgorithmProvider: 0x%lx",
                                  static_cast<unsigned long>(status));
    return false;
  }
  DWORD object_length = 0;
  ULONG written = 0;
  status =
      get_property(cng.provider, BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&object_length),
                   sizeof(object_length), &written, 0);
  if (status != 0 || written != sizeof(object_length)) {
    *failure = base::StringPrintf("BCryptGetProperty: 0x%lx", static_cast<unsigned long>(status));
    return false;
  }
  cng.hash_object.resize(object_length);
  status =
      create_hash(cng.provider, &cng.hash, cng.hash_object.data(), object_length, nullptr, 0, 0);
  if (status != 0) {
    cng.hash = nullptr;
    *failure = base::StringPrintf("BCryptCreateHash: 0x%lx", static_cast<unsigned long>(status));
    return false;
  }
  uint8_t block[kBlockSize];
  size_t read;
  while ((read = fread(block, 1, sizeof(block), file)) > 0) {
    status = hash_data(cng.hash, block, static_cast<ULONG>(read), 0);
    if (status != 0) {
      *failure = base::StringPrintf("BCryptHashData: 0x%lx", static_cast<unsigned long>(status));
      return false;
    }
  }
  if (ferror(file))
    return false;
  status = finish_hash(cng.hash, digest->data(), static_cast<ULONG>(digest->size()), 0);
  if (status != 0) {
    *failure = base::StringPrintf("BCryptFinishHash: 0x%lx", static_cast<unsigned long>(status));
    return false;
  }
  return true;
}

}  // namespace velta
