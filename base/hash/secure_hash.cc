// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/secure_hash.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/logging.h"

namespace base {

namespace {

constexpr NTSTATUS kStatusSuccess = 0;  // STATUS_SUCCESS

// Files are hashed in blocks of this size.
constexpr int kFileBlockSize = 64 * 1024;

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
    CHECK_NT_SUCCESS(HashData(input, len));
  }

  void Finish(void* output, size_t len) override {
    CHECK(!finished_);
    CHECK_NT_SUCCESS(FinishHash(output, len));
  }

  // Update and Finish, with a CNG failure returned rather than CHECKed.
  NTSTATUS HashData(const void* input, size_t len) {
    auto* bytes = static_cast<UCHAR*>(const_cast<void*>(input));
    // BCryptHashData takes a ULONG count: feed large inputs in pieces.
    while (len > 0) {
      const ULONG piece = static_cast<ULONG>(std::min<size_t>(len, 1u << 30));
      const NTSTATUS status = BCryptHashData(hash_, bytes, piece, 0);
      if (!BCRYPT_SUCCESS(status))
        return status;
      bytes += piece;
      len -= piece;
    }
    return kStatusSuccess;
  }

  NTSTATUS FinishHash(void* output, size_t len) {
    finished_ = true;
    UCHAR digest[32];
    const size_t length = GetHashLength();
    const NTSTATUS status = BCryptFinishHash(hash_, digest, static_cast<ULONG>(length), 0);
    if (BCRYPT_SUCCESS(status))
      std::memcpy(output, digest, std::min(len, length));
    return status;
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

bool HashFileContents(SecureHash::Algorithm type, const FilePath& path, void* output, size_t len) {
  File file(path, File::FLAG_OPEN | File::FLAG_READ);
  if (!file.IsValid())
    return false;
  std::unique_ptr<SecureHashCng> hash = SecureHashCng::Make(type);
  std::vector<char> block(kFileBlockSize);
  NTSTATUS status = kStatusSuccess;
  while (BCRYPT_SUCCESS(status)) {
    const int read = file.ReadAtCurrentPos(block.data(), kFileBlockSize);
    if (read < 0)
      return false;
    if (read == 0) {
      status = hash->FinishHash(output, len);
      break;
    }
    status = hash->HashData(block.data(), static_cast<size_t>(read));
  }
  if (!BCRYPT_SUCCESS(status)) {
    LOG(ERROR) << "Cannot hash " << path.AsUTF8Unsafe() << ": CNG failed with NTSTATUS 0x"
               << std::hex << static_cast<uint32_t>(status);
    return false;
  }
  return true;
}

}  // namespace base
