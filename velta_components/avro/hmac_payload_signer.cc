// Copyright 2026 Velta Software. All rights reserved.

#include "velta_components/avro/hmac_payload_signer.h"

#include <windows.h>

#include <bcrypt.h>

#include "base/logging.h"

namespace velta {

namespace {

constexpr size_t kMacLength = 32;

// The HMAC-SHA256 provider, opened on first use and kept for the process.
// Every supported Windows has it: failing to open it is a broken system.
BCRYPT_ALG_HANDLE GetHmacProvider() {
  static BCRYPT_ALG_HANDLE const provider = [] {
    BCRYPT_ALG_HANDLE handle = nullptr;
    const NTSTATUS status = BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr,
                                                        BCRYPT_ALG_HANDLE_HMAC_FLAG);
    CHECK(BCRYPT_SUCCESS(status)) << "Cannot open the HMAC-SHA256 provider: 0x" << std::hex
                                  << static_cast<unsigned long>(status);
    return handle;
  }();
  return provider;
}

// The MAC of `payload` under `key`, or an empty string when CNG fails (the
// failure is logged; an empty signature never verifies).
std::string ComputeMac(const std::string& payload, const std::string& key) {
  BCRYPT_HASH_HANDLE hash = nullptr;
  NTSTATUS status = BCryptCreateHash(GetHmacProvider(), &hash, nullptr, 0,
                                     reinterpret_cast<PUCHAR>(const_cast<char*>(key.data())),
                                     static_cast<ULONG>(key.size()), 0);
  if (!BCRYPT_SUCCESS(status)) {
    LOG(ERROR) << "Cannot create the HMAC: 0x" << std::hex << static_cast<unsigned long>(status);
    return std::string();
  }
  std::string mac(kMacLength, '\0');
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(payload.data());
  size_t remaining = payload.size();
  // BCryptHashData takes a ULONG count: feed large payloads in pieces.
  while (BCRYPT_SUCCESS(status) && remaining > 0) {
    const ULONG piece = static_cast<ULONG>(remaining > 0x40000000 ? 0x40000000 : remaining);
    status = BCryptHashData(hash, const_cast<PUCHAR>(bytes), piece, 0);
    bytes += piece;
    remaining -= piece;
  }
  if (BCRYPT_SUCCESS(status)) {
    status = BCryptFinishHash(hash, reinterpret_cast<PUCHAR>(mac.data()),
                              static_cast<ULONG>(mac.size()), 0);
  }
  BCryptDestroyHash(hash);
  if (!BCRYPT_SUCCESS(status)) {
    LOG(ERROR) << "Cannot compute the HMAC: 0x" << std::hex << static_cast<unsigned long>(status);
    return std::string();
  }
  return mac;
}

}  // namespace

void HmacPayloadSigner::Sign(std::string* signature,
                             const std::string& payload,
                             const std::string& key) {
  *signature = ComputeMac(payload, key);
}

bool HmacPayloadSigner::Verify(const std::string& signature,
                               const std::string& payload,
                               const std::string& key) {
  const std::string expected = ComputeMac(payload, key);
  if (expected.empty() || signature.size() != expected.size())
    return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < expected.size(); ++i)
    difference |= static_cast<unsigned char>(signature[i] ^ expected[i]);
  return difference == 0;
}

}  // namespace velta
