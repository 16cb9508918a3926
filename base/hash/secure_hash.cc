// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/secure_hash.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "base/logging.h"

namespace base {

namespace {

// Keeps the NTSTATUS of a failed CNG call in the CHECK message.
#define CHECK_NT_SUCCESS(call)                                          \
  do {                                                                  \
    const NTSTATUS status_ = (call);                                    \
    CHECK(BCRYPT_SUCCESS(status_)) << #call << " failed: 0x" << std::hex \
                                   << static_cast<uint32_t>(status_);  \
  } while (false)

// One provider per algorithm, opened on first use (thread-safe static
// initialisation) and never closed.
BCRYPT_ALG_HANDLE GetProvider(SecureHash::Algorithm type) {
  static const BCRYPT_ALG_HANDLE sha1 = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    CHECK_NT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA1_ALGORITHM, nullptr, 0));
    return handle;
  }();
  static const BCRYPT_ALG_HANDLE sha256 = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    CHECK_NT_SUCCESS(BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
    return handle;
  }();
  return type == SecureHash::SHA1 ? sha1 : sha256;
}

class SecureHashCng : public SecureHash {
 public:
  // Takes ownership of `hash`, whose state lives in `hash_object`.
  SecureHashCng(Algorithm type, BCRYPT_HASH_HANDLE hash, std::vector<UCHAR> hash_object)
      : type_(type), hash_object_(std::move(hash_object)), hash_(hash) {}

  static std::unique_ptr<SecureHashCng> Make(Algorithm type) {
    std::vector<UCHAR> hash_object(ObjectLength(type));
    BCRYPT_HASH_HANDLE hash = nullptr;
    CHECK_NT_SUCCESS(BCryptCreateHash(GetProvider(type), &hash, hash_object.data(),
                                      static_cast<ULONG>(hash_object.size()), nullptr, 0, 0));
    return std::make_unique<SecureHashCng>(type, hash, std::move(hash_object));
  }

  ~SecureHashCng() override {
    if (hash_)
      BCryptDestroyHash(hash_);
  }

  void Update(const void* input, size_t len) override {
    CHECK(!finished_);
    auto* bytes = static_cast<UCHAR*>(const_cast<void*>(input));
    // BCryptHashData takes a ULONG count: feed large inputs in pieces.
    while (len > 0) {
      const ULONG piece = static_cast<ULONG>(std::min<size_t>(len, 1u << 30));
      CHECK_NT_SUCCESS(BCryptHashData(hash_, bytes, piece, 0));
      bytes += piece;
      len -= piece;
    }
  }

  void Finish(void* output, size_t len) override {
    CHECK(!finished_);
    finished_ = true;
    UCHAR digest[32];
    const size_t length = GetHashLength();
    CHECK_NT_SUCCESS(BCryptFinishHash(hash_, digest, static_cast<ULONG>(length), 0));
    std::memcpy(output, digest, std::min(len, length));
  }

  std::unique_ptr<SecureHash> Clone() const override {
    CHECK(!finished_);
    std::vector<UCHAR> hash_object(hash_object_.size());
    BCRYPT_HASH_HANDLE hash = nullptr;
    CHECK_NT_SUCCESS(BCryptDuplicateHash(hash_, &hash, hash_object.data(),
                                         static_cast<ULONG>(hash_object.size()), 0));
    return std::make_unique<SecureHashCng>(type_, hash, std::move(hash_object));
  }

  size_t GetHashLength() const override { return type_ == SHA1 ? 20 : 32; }

 private:
  // The size of the state buffer CNG wants for one hash of `type`. Passing our
  // own buffer (rather than none) also works on Windows 7.
  static size_t ObjectLength(Algorithm type) {
    DWORD length = 0;
    ULONG written = 0;
    CHECK_NT_SUCCESS(BCryptGetProperty(GetProvider(type), BCRYPT_OBJECT_LENGTH,
                                       reinterpret_cast<PUCHAR>(&length), sizeof(length),
                                       &written, 0));
    return length;
  }

  const Algorithm type_;
  std::vector<UCHAR> hash_object_;  // must outlive hash_
  BCRYPT_HASH_HANDLE hash_;
  bool finished_ = false;
};

}  // namespace

// static
std::unique_ptr<SecureHash> SecureHash::Create(Algorithm type) {
  return SecureHashCng::Make(type);
}

}  // namespace base
