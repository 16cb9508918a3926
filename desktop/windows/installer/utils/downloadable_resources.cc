// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/downloadable_resources.h"

#include <windows.h>
#include <stdint.h>
#include <stdio.h>

#include <atomic>
#include <memory>

#include "base/base64.h"
#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/utils/bcrypt_functions.h"

namespace velta {

namespace {

// Files are hashed in blocks of this size from a stack buffer.
constexpr size_t kReadBlockSize = 65536;

// Set once CNG has failed in this process; CNG is not tried again.
std::atomic<bool> g_cng_unusable{false};

bool LoadBcrypt(BcryptFunctions* functions, void** library);
std::atomic<BcryptLoader> g_bcrypt_loader{&LoadBcrypt};


template <typename Function>
bool Resolve(HMODULE library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(library, name)));
  return *function != nullptr;
}

bool LoadBcrypt(BcryptFunctions* functions, void** library) {
  HMODULE bcrypt = ::LoadLibraryW(L"bcrypt.dll");
  if (!bcrypt)
    return false;
  if (!Resolve(bcrypt, "BCryptOpenAlgorithmProvider", &functions->open_algorithm_provider) ||
      !Resolve(bcrypt, "BCryptCloseAlgorithmProvider", &functions->close_algorithm_provider) ||
      !Resolve(bcrypt, "BCryptGetProperty", &functions->get_property) ||
      !Resolve(bcrypt, "BCryptCreateHash", &functions->create_hash) ||
      !Resolve(bcrypt, "BCryptDestroyHash", &functions->destroy_hash) ||
      !Resolve(bcrypt, "BCryptHashData", &functions->hash_data) ||
      !Resolve(bcrypt, "BCryptFinishHash", &functions->finish_hash)) {
    ::FreeLibrary(bcrypt);
    return false;
  }
  *library = bcrypt;
  return true;
}

enum class HashResult { kOk, kReadFailed, kCngFailed };

// Hashes the rest of `file` through CNG. Every CNG object and the library
// are released on every path.
HashResult ComputeSha1WithCng(FILE* file, Sha1Hasher::Digest* digest) {
  BcryptFunctions cng;
  void* library = nullptr;
  if (!g_bcrypt_loader.load()(&cng, &library))
    return HashResult::kCngFailed;

  HashResult result = HashResult::kCngFailed;
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  std::unique_ptr<UCHAR[]> hash_object;
  DWORD object_length = 0;
  ULONG property_size = 0;
  if (BCRYPT_SUCCESS(cng.open_algorithm_provider(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0)) &&
      BCRYPT_SUCCESS(cng.get_property(algorithm, BCRYPT_OBJECT_LENGTH,
                                      reinterpret_cast<PUCHAR>(&object_length),
                                      sizeof(object_length), &property_size, 0)) &&
      property_size == sizeof(object_length)) {
    hash_object.reset(new UCHAR[object_length ? object_length : 1]);
    if (BCRYPT_SUCCESS(cng.create_hash(algorithm, &hash, hash_object.get(), object_length,
                                       nullptr, 0, 0))) {
      uint8_t buffer[kReadBlockSize];
      for (;;) {
        const size_t read = fread(buffer, 1, sizeof(buffer), file);
        if (read == 0) {
          if (ferror(file)) {
            result = HashResult::kReadFailed;
          } else if (BCRYPT_SUCCESS(cng.finish_hash(hash, digest->data(),
                                                    static_cast<ULONG>(digest->size()), 0))) {
            result = HashResult::kOk;
          }
          break;
        }
        if (!BCRYPT_SUCCESS(cng.hash_data(hash, buffer, static_cast<ULONG>(read), 0)))
          break;
      }
    }
  }
  if (hash)
    cng.destroy_hash(hash);
  if (algorithm)
    cng.close_algorithm_provider(algorithm, 0);
  hash_object.reset();
  if (library)
    ::FreeLibrary(static_cast<HMODULE>(library));
  return result;
}

bool ComputeSha1Builtin(FILE* file, Sha1Hasher::Digest* digest) {
  Sha1Hasher hasher;
  uint8_t buffer[kReadBlockSize];
  for (;;) {
    const size_t read = fread(buffer, 1, sizeof(buffer), file);
    if (read == 0)
      break;
    hasher.Update(buffer, read);
  }
  if (ferror(file))
    return false;
  *digest = hasher.Finish();
  return true;
}

struct FileCloser {
  void operator()(FILE* file) const { base::CloseFile(file); }
};

}  // namespace

std::vector<std::string> ListResourcePacksForLocaleAndScales(const std::wstring& locale,
                                                             const std::set<ScaleFactor>& scales) {
  std::vector<std::string> packs;
  if (!locale.empty())
    packs.push_back("localization/" + base::WideToUTF8(locale) + ".pak");
  // The set is ordered, so the packs come in ascending scale order.
  for (ScaleFactor scale : scales) {
    switch (scale) {
      case ScaleFactor::k125Percent:
        packs.push_back("velta_125_percent.pak");
        break;
      case ScaleFactor::k150Percent:
        packs.push_back("velta_150_percent.pak");
        break;
      case ScaleFactor::k200Percent:
        packs.push_back("velta_200_percent.pak");
        break;
      case ScaleFactor::k250Percent:
        packs.push_back("velta_250_percent.pak");
        break;
      case ScaleFactor::k100Percent:
        // The 100% pack is always in the package.
        break;
    }
  }
  return packs;
}

std::vector<std::string> ListMissingDownloadableResources(const base::FilePath& folder) {
  std::vector<std::string> missing;
  for (const DownloadableResourceManifestRow& row : DownloadableResourceManifest()) {
    std::string path;
    if (!base::Base64Decode(row.path, &path)) {
      // The table is generated; a row that does not decode is a build fault.
      NOTREACHED() << "Undecodable manifest path " << row.path;
      continue;
    }
    const base::FilePath relative = base::FilePath::FromUTF8Unsafe(path).NormalizePathSeparators();
    if (!base::PathExists(folder.Append(relative)))
      missing.push_back(path);
  }
  return missing;
}

bool VerifyFileHash(const base::FilePath& path,
                    const std::string& expected_sha1,
                    std::string* error) {
  Sha1Hasher::Digest digest;
  if (!ComputeFileSha1(path, &digest)) {
    *error = "Failed to read " + path.AsUTF8Unsafe();
    return false;
  }
  const std::string actual = base::Base64Encode(std::span<const uint8_t>(digest));
  if (actual != expected_sha1) {
    *error = path.AsUTF8Unsafe() + " hash doesn't match: " + expected_sha1 + " vs. " + actual;
    return false;
  }
  return true;
}

bool ComputeFileSha1(const base::FilePath& path, Sha1Hasher::Digest* digest) {
  std::unique_ptr<FILE, FileCloser> file(base::OpenFile(path, "rb"));
  if (!file)
    return false;
  if (!g_cng_unusable.load()) {
    switch (ComputeSha1WithCng(file.get(), digest)) {
      case HashResult::kOk:
        return true;
      case HashResult::kReadFailed:
        return false;
      case HashResult::kCngFailed:
        VLOG(1) << "CNG cannot hash; using the built-in SHA-1 from now on";
        g_cng_unusable.store(true);
        break;
    }
    // CNG may have consumed part of the file before it failed: hashing on
    // from there would give a wrong digest, so start over.
    if (fseek(file.get(), 0, SEEK_SET) != 0)
      return false;
  }
  return ComputeSha1Builtin(file.get(), digest);
}

void SetBcryptLoaderForTesting(BcryptLoader loader) {
  g_bcrypt_loader.store(loader ? loader : &LoadBcrypt);
  g_cng_unusable.store(false);
}

}  // namespace velta
