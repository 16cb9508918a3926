// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/secure_hash.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/logging.h"

namespace base {

namespace {

// Files are hashed in blocks of this size.
constexpr int kFileBlockSize = 64 * 1024;

std::atomic<SecureHash::FactoryForTesting> g_factory_for_testing{nullptr};

// Logs a failed CNG call with its NTSTATUS; true when `status` is a success.
bool Succeeded(NTSTATUS status, const char* call) {
  if (BCRYPT_SUCCESS(status))
    return true;
  LOG(ERROR) << call << " failed: NTSTATUS 0x" << std::hex << static_cast<uint32_t>(status);
  return false;
}

BCRYPT_ALG_HANDLE OpenProvider(const wchar_t* algorithm, ULONG flags) {
  BCRYPT_ALG_HANDLE handle = nullptr;
  if (!Succeeded(BCryptOpenAlgorithmProvider(&handle, algorithm, nullptr, flags),
                 "BCryptOpenAlgorithmProvider")) {
    return nullptr;
  }
  return handle;
}

// One provider per algorithm and kind, opened on first use (thread-safe
// static initialisation) and never closed; null when it cannot be opened.
BCRYPT_ALG_HANDLE GetProvider(SecureHash::Algorithm type, bool is_hmac) {
  static const BCRYPT_ALG_HANDLE sha1 = OpenProvider(BCRYPT_SHA1_ALGORITHM, 0);
  static const BCRYPT_ALG_HANDLE sha256 = OpenProvider(BCRYPT_SHA256_ALGORITHM, 0);
  if (!is_hmac)
    return type == SecureHash::SHA1 ? sha1 : sha256;
  static const BCRYPT_ALG_HANDLE sha1_hmac =
      OpenProvider(BCRYPT_SHA1_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  static const BCRYPT_ALG_HANDLE sha256_hmac =
      OpenProvider(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  return type == SecureHash::SHA1 ? sha1_hmac : sha256_hmac;
}

// The size of the state buffer CNG wants for one hash of `provider`; 0 when
// it cannot be asked. Passing our own buffer (rather than none) also works
// on Windows 7.
size_t ObjectLength(BCRYPT_ALG_HANDLE provider) {
  DWORD length = 0;
  ULONG written = 0;
  if (!Succeeded(BCryptGetProperty(provider, BCRYPT_OBJECT_LENGTH,
                                   reinterpret_cast<PUCHAR>(&length), sizeof(length), &written, 0),
                 "BCryptGetProperty")) {
    return 0;
  }
  return length;
}

class SecureHashCng : public SecureHash {
 public:
  // Takes ownership of `hash`, whose state lives in `hash_object`.
  SecureHashCng(Algorithm type, BCRYPT_HASH_HANDLE hash, std::vector<UCHAR> hash_object)
      : type_(type), hash_object_(std::move(hash_object)), hash_(hash) {}

  // Null when the provider fails (logged).
  static std::unique_ptr<SecureHashCng> Make(Algorithm type, bool is_hmac, std::string_view key) {
    const BCRYPT_ALG_HANDLE provider = GetProvider(type, is_hmac);
    if (!provider)
      return nullptr;
    std::vector<UCHAR> hash_object(ObjectLength(provider));
    if (hash_object.empty())
      return nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    auto* secret = reinterpret_cast<PUCHAR>(const_cast<char*>(key.data()));
    if (!Succeeded(BCryptCreateHash(provider, &hash, hash_object.data(),
                                    static_cast<ULONG>(hash_object.size()), key.empty() ? nullptr : secret,
                                    static_cast<ULONG>(key.size()), 0),
                   "BCryptCreateHash")) {
      return nullptr;
    }
    return std::make_unique<SecureHashCng>(type, hash, std::move(hash_object));
  }

  ~SecureHashCng() override {
    if (hash_)
      BCryptDestroyHash(hash_);
  }

  bool Update(const void* input, size_t len) override {
    if (spent_)
      return false;
    auto* bytes = static_cast<UCHAR*>(const_cast<void*>(input));
    // BCryptHashData takes a ULONG count: feed large inputs in pieces.
    while (len > 0) {
      const ULONG piece = static_cast<ULONG>(std::min<size_t>(len, 1u << 30));
      if (!Succeeded(BCryptHashData(hash_, bytes, piece, 0), "BCryptHashData")) {
        spent_ = true;
        return false;
      }
      bytes += piece;
      len -= piece;
    }
    return true;
  }

  bool Finish(void* output, size_t len) override {
    if (spent_)
      return false;
    spent_ = true;
    UCHAR digest[32];
    const size_t length = GetHashLength();
    if (!Succeeded(BCryptFinishHash(hash_, digest, static_cast<ULONG>(length), 0),
                   "BCryptFinishHash")) {
      return false;
    }
    std::memcpy(output, digest, std::min(len, length));
    return true;
  }

  std::unique_ptr<SecureHash> Clone() const override {
    if (spent_)
      return nullptr;
    std::vector<UCHAR> hash_object(hash_object_.size());
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (!Succeeded(BCryptDuplicateHash(hash_, &hash, hash_object.data(),
                                       static_cast<ULONG>(hash_object.size()), 0),
                   "BCryptDuplicateHash")) {
      return nullptr;
    }
    return std::make_unique<SecureHashCng>(type_, hash, std::move(hash_object));
  }

  size_t GetHashLength() const override { return type_ == SHA1 ? 20 : 32; }

 private:
  const Algorithm type_;
  std::vector<UCHAR> hash_object_;  // must outlive hash_
  BCRYPT_HASH_HANDLE hash_;
  // Finished, or failed: nothing more can be asked of it.
  bool spent_ = false;
};

}  // namespace

// static
std::unique_ptr<SecureHash> SecureHash::Create(Algorithm type) {
  if (FactoryForTesting factory = g_factory_for_testing.load())
    return factory(type);
  return SecureHashCng::Make(type, /*is_hmac=*/false, std::string_view());
}

// static
std::unique_ptr<SecureHash> SecureHash::CreateHmac(Algorithm type, std::string_view key) {
  if (FactoryForTesting factory = g_factory_for_testing.load())
    return factory(type);
  return SecureHashCng::Make(type, /*is_hmac=*/true, key);
}

// static
SecureHash::FactoryForTesting SecureHash::SetFactoryForTesting(FactoryForTesting factory) {
  return g_factory_for_testing.exchange(factory);
}

bool HashFileContents(SecureHash::Algorithm type, const FilePath& path, void* output, size_t len) {
  File file(path, File::FLAG_OPEN | File::FLAG_READ);
  if (!file.IsValid())
    return false;
  std::unique_ptr<SecureHash> hash = SecureHash::Create(type);
  if (!hash) {
    LOG(ERROR) << "Cannot hash " << path.AsUTF8Unsafe() << ": no hash from the provider";
    return false;
  }
  std::vector<char> block(kFileBlockSize);
  for (;;) {
    const int read = file.ReadAtCurrentPos(block.data(), kFileBlockSize);
    if (read < 0)
      return false;
    if (read == 0)
      break;
    if (!hash->Update(block.data(), static_cast<size_t>(read))) {
      LOG(ERROR) << "Cannot hash " << path.AsUTF8Unsafe() << ": the provider failed";
      return false;
    }
  }
  // Finish leaves `output` alone when it fails.
  if (!hash->Finish(output, len)) {
    LOG(ERROR) << "Cannot hash " << path.AsUTF8Unsafe() << ": the provider failed";
    return false;
  }
  return true;
}

}  // namespace base
