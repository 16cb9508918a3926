// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/authenticode.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>
#include <vector>

#include "base/hash/secure_hash.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "base/win/mingw_sdk_gaps.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/common/pe_image_reader.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;

// WinVerifyTrust, looked up on first use: processes that check no signature
// do not load wintrust.dll. Without it nothing is trusted.
LONG VerifyTrust(HWND window, GUID* action, WINTRUST_DATA* data) {
  const auto verify_trust = BASE_WIN_GET_FUNCTION(L"wintrust.dll", WinVerifyTrust);
  if (!verify_trust) {
    ::SetLastError(ERROR_PROC_NOT_FOUND);
    return TRUST_E_PROVIDER_UNKNOWN;
  }
  return verify_trust(window, action, data);
}

// CertGetNameStringW, looked up on first use like the rest of crypt32.dll.
// Without it no name can be read: 0, no characters written.
DWORD GetNameString(PCCERT_CONTEXT certificate, DWORD type, DWORD flags, void* type_parameter,
                    wchar_t* name, DWORD size) {
  const auto get_name = BASE_WIN_GET_FUNCTION(L"crypt32.dll", CertGetNameStringW);
  if (!get_name)
    return 0;
  return get_name(certificate, type, flags, type_parameter, name, size);
}

// Chain errors that do not make a signer untrusted: revocation is not checked
// (WTD_REVOKE_NONE), so its unknown and offline states say nothing, and
// Authenticode does not require validity periods to nest.
constexpr DWORD kIgnoredChainErrors = CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                                      CERT_TRUST_IS_OFFLINE_REVOCATION |
                                      CERT_TRUST_IS_NOT_TIME_NESTED;

// Where the verification's diagnostics go: a text when the caller wants one,
// nowhere otherwise.
class DiagnosticsSink {
 public:
  virtual ~DiagnosticsSink() = default;
  // Starts a diagnostic line of nesting `level`.
  virtual std::ostream& Line(int level) = 0;
  // Whether details that cost work (the trust chain of each signer) are
  // worth gathering.
  virtual bool WantsDetail() const = 0;
  virtual std::string GetText() const = 0;
};

class TextSink : public DiagnosticsSink {
 public:
  std::ostream& Line(int level) override { return stream_ << "Level " << level << ": "; }
  bool WantsDetail() const override { return true; }
  std::string GetText() const override { return stream_.str(); }

 private:
  std::ostringstream stream_;
};

class NullSink : public DiagnosticsSink {
 public:
  std::ostream& Line(int) override { return stream_; }
  bool WantsDetail() const override { return false; }
  std::string GetText() const override { return std::string(); }

 private:
  // A stream without a buffer drops whatever is written to it.
  std::ostream stream_{nullptr};
};

// Scoper traits for one CryptoAPI handle or context, released with `Release`.
template <typename CryptHandle, void (*Release)(CryptHandle)>
struct CryptHandleTraits {
  using Handle = CryptHandle;
  static bool CloseHandle(Handle handle) {
    Release(handle);
    return true;
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};

void CloseMessage(HCRYPTMSG message) {
  BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgClose)(message);
}
void CloseStore(HCERTSTORE store) {
  BASE_WIN_LAZY_CALL(L"crypt32.dll", CertCloseStore)(store, 0);
}
void FreeCertificate(PCCERT_CONTEXT certificate) {
  BASE_WIN_LAZY_CALL(L"crypt32.dll", CertFreeCertificateContext)(certificate);
}
void FreeChain(PCCERT_CHAIN_CONTEXT chain) {
  BASE_WIN_LAZY_CALL(L"crypt32.dll", CertFreeCertificateChain)(chain);
}

using ScopedCryptMsg =
    base::win::GenericScopedHandle<CryptHandleTraits<HCRYPTMSG, CloseMessage>>;
using ScopedCertStore =
    base::win::GenericScopedHandle<CryptHandleTraits<HCERTSTORE, CloseStore>>;
using ScopedCertificate =
    base::win::GenericScopedHandle<CryptHandleTraits<PCCERT_CONTEXT, FreeCertificate>>;
using ScopedChain =
    base::win::GenericScopedHandle<CryptHandleTraits<PCCERT_CHAIN_CONTEXT, FreeChain>>;

// The digest algorithms that Authenticode signatures use.
bool DigestAlgorithmFromOid(const char* oid, base::SecureHash::Algorithm* algorithm) {
  if (!oid)
    return false;
  if (std::string_view(oid) == szOID_OIWSEC_sha1) {
    *algorithm = base::SecureHash::SHA1;
    return true;
  }
  if (std::string_view(oid) == szOID_NIST_sha256) {
    *algorithm = base::SecureHash::SHA256;
    return true;
  }
  return false;
}

// The digest of `size` bytes at `data`; nothing when the hash provider
// fails, which fails the check that wanted it.
std::optional<std::string> Digest(base::SecureHash::Algorithm algorithm,
                                  const void* data,
                                  size_t size) {
  std::unique_ptr<base::SecureHash> hash = base::SecureHash::Create(algorithm);
  if (!hash || !hash->Update(data, size))
    return std::nullopt;
  std::string digest(hash->GetHashLength(), '\0');
  if (!hash->Finish(digest.data(), digest.size()))
    return std::nullopt;
  return digest;
}

bool BlobEquals(const CRYPT_DATA_BLOB& blob, const std::string& bytes) {
  return blob.cbData == bytes.size() &&
         std::string_view(reinterpret_cast<const char*>(blob.pbData), blob.cbData) == bytes;
}

// CryptDecodeObject into `buffer`, sized by a first call. The decoded
// structure is at the start of the buffer.
bool DecodeObject(LPCSTR type, const BYTE* data, DWORD size, std::vector<BYTE>* buffer) {
  DWORD decoded_size = 0;
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptDecodeObject)(kEncoding, type, data, size, 0,
                                                             nullptr, &decoded_size))
    return false;
  buffer->resize(decoded_size);
  return BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptDecodeObject)(kEncoding, type, data, size, 0,
                                                               buffer->data(), &decoded_size);
}

bool GetMessageParam(HCRYPTMSG message, DWORD param, DWORD index, std::vector<BYTE>* buffer) {
  DWORD size = 0;
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgGetParam)(message, param, index, nullptr, &size))
    return false;
  buffer->resize(size);
  return BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgGetParam)(message, param, index, buffer->data(),
                                                              &size);
}

// The file under verification, mapped on first need. Its headers are read
// before any system parser sees the file; its bytes are digested only for a
// signature that Windows did not verify itself.
class SignedImage {
 public:
  explicit SignedImage(const std::wstring& path) : path_(path) {}
  SignedImage(const SignedImage&) = delete;
  SignedImage& operator=(const SignedImage&) = delete;

  // Whether the file is a PE file with a certificate table inside it.
  bool HasCertificateTable() {
    size_t offset = 0;
    size_t size = 0;
    return Map() && image_.GetCertificateTable(&offset, &size);
  }

  // The Authenticode digest of the file: every byte before the certificate
  // table except the CheckSum field and the security directory entry. False
  // when the file is not a PE file whose certificate table lies inside it
  // and ends it (nothing after the table would be covered by any digest).
  bool GetDigest(base::SecureHash::Algorithm algorithm, std::string* digest) {
    auto known = digests_.find(algorithm);
    if (known != digests_.end()) {
      *digest = known->second;
      return true;
    }
    size_t table_offset = 0;
    size_t table_size = 0;
    size_t entry_offset = 0;
    if (!Map() || !image_.GetCertificateTable(&table_offset, &table_size) ||
        table_size != image_.size() - table_offset ||
        !image_.GetDataDirectoryEntryOffset(IMAGE_DIRECTORY_ENTRY_SECURITY, &entry_offset)) {
      return false;
    }
    const size_t checksum_offset = image_.checksum_offset();
    std::unique_ptr<base::SecureHash> hash = base::SecureHash::Create(algorithm);
    const uint8_t* data = image_.data();
    // The reader placed both fields inside the headers, the checksum first.
    if (!hash || !hash->Update(data, checksum_offset) ||
        !hash->Update(data + checksum_offset + sizeof(DWORD),
                      entry_offset - checksum_offset - sizeof(DWORD)) ||
        !hash->Update(data + entry_offset + sizeof(ImageDataDirectory),
                      table_offset - entry_offset - sizeof(ImageDataDirectory))) {
      return false;
    }
    std::string computed(hash->GetHashLength(), '\0');
    if (!hash->Finish(computed.data(), computed.size()))
      return false;
    digests_[algorithm] = computed;
    *digest = computed;
    return true;
  }

 private:
  bool Map() {
    if (!mapped_) {
      mapped_ = true;
      readable_ = image_.InitializeFromFile(base::FilePath(path_));
    }
    return readable_;
  }

  const std::wstring path_;
  bool mapped_ = false;
  bool readable_ = false;
  PeImageReader image_;
  std::map<base::SecureHash::Algorithm, std::string> digests_;
};

// Whether a certificate without an enhanced key usage extension (valid for
// any purpose) passes the check of a purpose.
enum class AnyPurpose { kAccepted, kRefused };

// Whether `chain` ends in a trusted root with no error that matters and its
// end certificate is good for the purpose `usage`: it names it, or, where
// `any_purpose` accepts it, has no enhanced key usage extension at all (as
// Windows accepts such a code-signing certificate; a timestamping one must
// name its purpose). Otherwise `reason` says why, with `role` naming the
// certificate.
bool IsTrustedChainFor(PCCERT_CHAIN_CONTEXT chain,
                       std::string_view usage,
                       AnyPurpose any_purpose,
                       std::string_view role,
                       std::string* reason) {
  const DWORD errors = chain->TrustStatus.dwErrorStatus & ~kIgnoredChainErrors;
  if (errors) {
    *reason = base::StringPrintf("%.*s chain is not trusted: 0x%lx", static_cast<int>(role.size()),
                                 role.data(), errors);
    return false;
  }
  if (chain->cChain == 0 || chain->rgpChain[0]->cElement == 0) {
    *reason = std::string(role) + " chain is empty";
    return false;
  }
  PCCERT_CONTEXT leaf = chain->rgpChain[0]->rgpElement[0]->pCertContext;
  if (any_purpose == AnyPurpose::kAccepted &&
      !BASE_WIN_LAZY_CALL(L"crypt32.dll", CertFindExtension)(
          szOID_ENHANCED_KEY_USAGE, leaf->pCertInfo->cExtension, leaf->pCertInfo->rgExtension)) {
    return true;
  }
  std::vector<BYTE> buffer;
  DWORD size = 0;
  if (BASE_WIN_LAZY_CALL(L"crypt32.dll", CertGetEnhancedKeyUsage)(leaf, 0, nullptr, &size) &&
      size >= sizeof(CERT_ENHKEY_USAGE)) {
    buffer.resize(size);
    if (BASE_WIN_LAZY_CALL(L"crypt32.dll", CertGetEnhancedKeyUsage)(
            leaf, 0, reinterpret_cast<CERT_ENHKEY_USAGE*>(buffer.data()), &size)) {
      const auto* usages = reinterpret_cast<const CERT_ENHKEY_USAGE*>(buffer.data());
      for (DWORD i = 0; i < usages->cUsageIdentifier; ++i) {
        if (usages->rgpszUsageIdentifier[i] == usage)
          return true;
      }
    }
  }
  *reason = std::string(role) + " certificate is not for " +
            (usage == szOID_PKIX_KP_CODE_SIGNING ? "code signing" : "timestamping");
  return false;
}

bool IsTrustedCodeSigningChain(PCCERT_CHAIN_CONTEXT chain, std::string* reason) {
  return IsTrustedChainFor(chain, szOID_PKIX_KP_CODE_SIGNING, AnyPurpose::kAccepted, "Signer",
                           reason);
}

// Whether the signed attributes of `signer` hold `digest` as the message
// digest. The signer's signature covers those attributes; Windows checks that
// they hold the digest of the signed content, Wine's message verification
// does not.
bool SignedAttributesHoldDigest(const CMSG_SIGNER_INFO& signer, const std::string& digest) {
  bool held = false;
  for (DWORD i = 0; i < signer.AuthAttrs.cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = signer.AuthAttrs.rgAttr[i];
    std::vector<BYTE> decoded;
    if (std::string_view(attribute.pszObjId) == szOID_RSA_messageDigest && attribute.cValue == 1 &&
        DecodeObject(X509_OCTET_STRING, attribute.rgValue[0].pbData, attribute.rgValue[0].cbData,
                     &decoded)) {
      held = BlobEquals(*reinterpret_cast<const CRYPT_DATA_BLOB*>(decoded.data()), digest);
    }
  }
  return held;
}

// The certificate of `signer` in `store`.
PCCERT_CONTEXT FindSignerCertificate(HCERTSTORE store,
                                     DWORD encoding,
                                     const CMSG_SIGNER_INFO& signer) {
  CERT_INFO certificate_info = {};
  certificate_info.Issuer = signer.Issuer;
  certificate_info.SerialNumber = signer.SerialNumber;
  return BASE_WIN_LAZY_CALL(L"crypt32.dll", CertFindCertificateInStore)(
      store, encoding, 0, CERT_FIND_SUBJECT_CERT, &certificate_info, nullptr);
}

// Whether `certificate` (with intermediate certificates from `store`)
// chains to a trusted root at `time` and may sign timestamps.
bool IsTrustedTimestamper(PCCERT_CONTEXT certificate,
                          HCERTSTORE store,
                          const FILETIME& time,
                          std::string* reason) {
  CERT_CHAIN_PARA chain_para = {};
  chain_para.cbSize = sizeof(chain_para);
  ScopedChain chain;
  FILETIME chain_time = time;
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CertGetCertificateChain)(
          nullptr, certificate, &chain_time, store, &chain_para, 0, nullptr, chain.Receive())) {
    *reason = "its certificate chain cannot be built";
    return false;
  }
  return IsTrustedChainFor(chain.get(), szOID_PKIX_KP_TIMESTAMP_SIGNING, AnyPurpose::kRefused,
                           "Timestamp", reason);
}

// Just enough DER to read a timestamp token's TSTInfo. Every read is bounds
// checked; a malformed element ends the reading.
class DerReader {
 public:
  DerReader(const BYTE* data, size_t size) : data_(data), size_(size) {}

  // Reads the next element, which must carry `tag`, into a reader of its
  // value (and the whole element's bytes into `element` when given).
  bool Read(BYTE tag, DerReader* value, std::string_view* element = nullptr) {
    if (size_ < 2 || data_[0] != tag)
      return false;
    size_t header = 2;
    size_t length = data_[1];
    if (length & 0x80) {
      const size_t count = length & 0x7F;
      if (count == 0 || count > 4 || size_ < 2 + count)
        return false;
      length = 0;
      for (size_t i = 0; i < count; ++i)
        length = (length << 8) | data_[2 + i];
      header += count;
    }
    if (length > size_ - header)
      return false;
    *value = DerReader(data_ + header, length);
    if (element)
      *element = std::string_view(reinterpret_cast<const char*>(data_), header + length);
    data_ += header + length;
    size_ -= header + length;
    return true;
  }

  std::string_view bytes() const {
    return std::string_view(reinterpret_cast<const char*>(data_), size_);
  }

 private:
  const BYTE* data_;
  size_t size_;
};

// The DER encodings of the digest algorithms' object identifiers.
constexpr std::string_view kSha1Oid("\x06\x05\x2b\x0e\x03\x02\x1a", 7);
constexpr std::string_view kSha256Oid("\x06\x09\x60\x86\x48\x01\x65\x03\x04\x02\x01", 11);

// "YYYYMMDDhhmmss", optionally a fraction, then "Z".
bool ParseGeneralizedTime(std::string_view text, FILETIME* time) {
  if (text.size() < 15 || text.back() != 'Z')
    return false;
  int fields[6] = {};
  const int widths[6] = {4, 2, 2, 2, 2, 2};
  size_t at = 0;
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < widths[i]; ++j, ++at) {
      if (text[at] < '0' || text[at] > '9')
        return false;
      fields[i] = fields[i] * 10 + (text[at] - '0');
    }
  }
  if (at != text.size() - 1 && text[at] != '.')
    return false;
  SYSTEMTIME system_time = {};
  system_time.wYear = static_cast<WORD>(fields[0]);
  system_time.wMonth = static_cast<WORD>(fields[1]);
  system_time.wDay = static_cast<WORD>(fields[2]);
  system_time.wHour = static_cast<WORD>(fields[3]);
  system_time.wMinute = static_cast<WORD>(fields[4]);
  system_time.wSecond = static_cast<WORD>(fields[5]);
  return ::SystemTimeToFileTime(&system_time, time);
}

// Reads a TSTInfo: the digest algorithm and digest it vouches for (its
// message imprint) and its time.
bool ParseTstInfo(const std::string& tst_info,
                  base::SecureHash::Algorithm* algorithm,
                  std::string* imprint,
                  FILETIME* time) {
  DerReader outer(reinterpret_cast<const BYTE*>(tst_info.data()), tst_info.size());
  DerReader info(nullptr, 0), field(nullptr, 0), message_imprint(nullptr, 0);
  DerReader algorithm_id(nullptr, 0), hashed(nullptr, 0), gen_time(nullptr, 0);
  std::string_view oid;
  if (!outer.Read(0x30, &info) || !info.Read(0x02, &field) ||  // version
      !info.Read(0x06, &field) ||                               // policy
      !info.Read(0x30, &message_imprint) || !message_imprint.Read(0x30, &algorithm_id) ||
      !algorithm_id.Read(0x06, &field, &oid) || !message_imprint.Read(0x04, &hashed) ||
      !info.Read(0x02, &field) ||  // serial number
      !info.Read(0x18, &gen_time)) {
    return false;
  }
  if (oid == kSha1Oid)
    *algorithm = base::SecureHash::SHA1;
  else if (oid == kSha256Oid)
    *algorithm = base::SecureHash::SHA256;
  else
    return false;
  *imprint = std::string(hashed.bytes());
  return ParseGeneralizedTime(gen_time.bytes(), time);
}

// The time of an RFC 3161 timestamp token `token` (a signed message whose
// content is a TSTInfo) over `signature`, the signature value of the signer
// it is attached to: true only when the token's signer verifies over it, its
// content is the TSTInfo its signed attributes name, that TSTInfo vouches
// for `signature`, and the signer chains to a trusted root and may sign
// timestamps.
bool ReadRfc3161Timestamp(const CRYPT_ATTR_BLOB& token,
                          const CRYPT_DATA_BLOB& signature,
                          FILETIME* time,
                          std::string* reason) {
  DWORD encoding = 0;
  ScopedCertStore store;
  ScopedCryptMsg message;
  std::vector<BYTE> content_type;
  std::vector<BYTE> content;
  std::vector<BYTE> signer_buffer;
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptQueryObject)(
          CERT_QUERY_OBJECT_BLOB, &token, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
          CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, nullptr, nullptr, store.Receive(),
          message.Receive(), nullptr) ||
      !GetMessageParam(message.get(), CMSG_INNER_CONTENT_TYPE_PARAM, 0, &content_type) ||
      std::string_view(reinterpret_cast<const char*>(content_type.data())) !=
          szOID_TIMESTAMP_TOKEN ||
      !GetMessageParam(message.get(), CMSG_CONTENT_PARAM, 0, &content) ||
      !GetMessageParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, &signer_buffer)) {
    *reason = "the timestamp cannot be read";
    return false;
  }
  const auto& signer = *reinterpret_cast<const CMSG_SIGNER_INFO*>(signer_buffer.data());
  ScopedCertificate certificate(FindSignerCertificate(store.get(), encoding, signer));
  CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA verify = {};
  verify.cbSize = sizeof(verify);
  verify.dwSignerIndex = 0;
  verify.dwSignerType = CMSG_VERIFY_SIGNER_CERT;
  verify.pvSigner = const_cast<CERT_CONTEXT*>(certificate.get());
  if (!certificate.get() || !BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgControl)(
                                message.get(), 0, CMSG_CTRL_VERIFY_SIGNATURE_EX, &verify)) {
    *reason = "the timestamp's signature does not verify";
    return false;
  }

  // The content is the TSTInfo's encoding, or that wrapped in the OCTET
  // STRING that carries it in the message.
  std::string tst_info(content.begin(), content.end());
  if (!content.empty() && content[0] == 0x04) {
    DerReader wrapper(content.data(), content.size()), inner(nullptr, 0);
    if (!wrapper.Read(0x04, &inner)) {
      *reason = "the timestamp cannot be read";
      return false;
    }
    tst_info = std::string(inner.bytes());
  }
  base::SecureHash::Algorithm content_algorithm;
  if (!DigestAlgorithmFromOid(signer.HashAlgorithm.pszObjId, &content_algorithm)) {
    *reason = "the timestamp's signed attributes do not hold the digest of its content";
    return false;
  }
  const std::optional<std::string> tst_digest =
      Digest(content_algorithm, tst_info.data(), tst_info.size());
  if (!tst_digest) {
    *reason = "the timestamp's content cannot be digested";
    return false;
  }
  if (!SignedAttributesHoldDigest(signer, *tst_digest)) {
    *reason = "the timestamp's signed attributes do not hold the digest of its content";
    return false;
  }
  base::SecureHash::Algorithm imprint_algorithm;
  std::string imprint;
  if (!ParseTstInfo(tst_info, &imprint_algorithm, &imprint, time)) {
    *reason = "the timestamp cannot be read";
    return false;
  }
  const std::optional<std::string> signature_digest =
      Digest(imprint_algorithm, signature.pbData, signature.cbData);
  if (!signature_digest) {
    *reason = "the signature cannot be digested";
    return false;
  }
  if (imprint != *signature_digest) {
    *reason = "the timestamp is not over this signature";
    return false;
  }
  return IsTrustedTimestamper(certificate.get(), store.get(), *time, reason);
}

// The time of a legacy Authenticode countersignature `encoded` (a signer
// info) of signer `index` of `message`: true only when it verifies over that
// signer's signature, carries a signing time, and its signer (found in
// `store`, where such timestamps put their certificates) chains to a
// trusted root and may sign timestamps.
bool ReadLegacyTimestamp(HCRYPTMSG message,
                         HCERTSTORE store,
                         DWORD index,
                         const CRYPT_ATTR_BLOB& encoded,
                         FILETIME* time,
                         std::string* reason) {
  std::vector<BYTE> countersigner_buffer;
  std::vector<BYTE> encoded_signer;
  if (!DecodeObject(PKCS7_SIGNER_INFO, encoded.pbData, encoded.cbData, &countersigner_buffer) ||
      !GetMessageParam(message, CMSG_ENCODED_SIGNER, index, &encoded_signer)) {
    *reason = "the timestamp cannot be read";
    return false;
  }
  const auto& countersigner =
      *reinterpret_cast<const CMSG_SIGNER_INFO*>(countersigner_buffer.data());
  ScopedCertificate certificate(FindSignerCertificate(store, kEncoding, countersigner));
  if (!certificate.get() ||
      !BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgVerifyCountersignatureEncodedEx)(
          0, kEncoding, encoded_signer.data(), static_cast<DWORD>(encoded_signer.size()),
          encoded.pbData, encoded.cbData, CMSG_VERIFY_SIGNER_CERT,
          const_cast<CERT_CONTEXT*>(certificate.get()), 0, nullptr)) {
    *reason = "the timestamp's signature does not verify";
    return false;
  }
  bool has_time = false;
  for (DWORD i = 0; i < countersigner.AuthAttrs.cAttr && !has_time; ++i) {
    const CRYPT_ATTRIBUTE& attribute = countersigner.AuthAttrs.rgAttr[i];
    DWORD size = sizeof(*time);
    has_time = std::string_view(attribute.pszObjId) == szOID_RSA_signingTime &&
               attribute.cValue == 1 &&
               BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptDecodeObject)(
                   kEncoding, szOID_RSA_signingTime, attribute.rgValue[0].pbData,
                   attribute.rgValue[0].cbData, 0, time, &size);
  }
  if (!has_time) {
    *reason = "the timestamp has no time";
    return false;
  }
  return IsTrustedTimestamper(certificate.get(), store, *time, reason);
}

// The time at which a valid timestamp countersignature (RFC 3161 or legacy)
// of signer `index` of `message` says it signed. False when it has none that
// is valid; then `reason` says why, when one was there.
bool GetTimestampTime(HCRYPTMSG message,
                      HCERTSTORE store,
                      DWORD index,
                      const CMSG_SIGNER_INFO& signer,
                      FILETIME* time,
                      std::string* reason) {
  for (DWORD i = 0; i < signer.UnauthAttrs.cAttr; ++i) {
    const CRYPT_ATTRIBUTE& attribute = signer.UnauthAttrs.rgAttr[i];
    const std::string_view oid(attribute.pszObjId);
    for (DWORD j = 0; j < attribute.cValue; ++j) {
      if (oid == szOID_RFC3161_counterSign &&
          ReadRfc3161Timestamp(attribute.rgValue[j], signer.EncryptedHash, time, reason)) {
        return true;
      }
      if (oid == szOID_RSA_counterSign &&
          ReadLegacyTimestamp(message, store, index, attribute.rgValue[j], time, reason)) {
        return true;
      }
    }
  }
  return false;
}

// The checks that Windows trust verification makes of a file's primary
// signature, made here for another signer `index` of `message`: its
// signature over its signed attributes, the signed content's digest, the
// file digest that content names, and the signer's certificate chain.
bool VerifySignerOverFile(HCRYPTMSG message, HCERTSTORE store, DWORD index,
                          const CMSG_SIGNER_INFO& signer, PCCERT_CONTEXT certificate,
                          SignedImage* image, std::string* reason) {
  CMSG_CTRL_VERIFY_SIGNATURE_EX_PARA verify = {};
  verify.cbSize = sizeof(verify);
  verify.dwSignerIndex = index;
  verify.dwSignerType = CMSG_VERIFY_SIGNER_CERT;
  verify.pvSigner = const_cast<CERT_CONTEXT*>(certificate);
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgControl)(
          message, 0, CMSG_CTRL_VERIFY_SIGNATURE_EX, &verify)) {
    *reason = "its signature does not verify";
    return false;
  }

  // The signature covers the signed attributes; they must hold the digest
  // of the content, which in turn holds the file's digest. Windows checks
  // this link itself; Wine's message verification does not. PKCS #7 signers
  // digest the content's value without its outer tag and length.
  base::SecureHash::Algorithm content_algorithm;
  std::vector<BYTE> content;
  if (!DigestAlgorithmFromOid(signer.HashAlgorithm.pszObjId, &content_algorithm) ||
      !GetMessageParam(message, CMSG_CONTENT_PARAM, 0, &content) || content.size() < 2 ||
      content[0] != 0x30) {
    *reason = "its signed content cannot be read";
    return false;
  }
  size_t value_offset = 2;
  if (content[1] & 0x80) {
    value_offset += content[1] & 0x7F;
    if (value_offset > content.size()) {
      *reason = "its signed content cannot be read";
      return false;
    }
  }
  const std::optional<std::string> content_digest =
      Digest(content_algorithm, content.data() + value_offset, content.size() - value_offset);
  if (!content_digest) {
    *reason = "its signed content cannot be digested";
    return false;
  }
  if (!SignedAttributesHoldDigest(signer, *content_digest)) {
    *reason = "its signed attributes do not hold the digest of its content";
    return false;
  }

  std::vector<BYTE> decoded;
  base::SecureHash::Algorithm file_algorithm;
  std::string file_digest;
  if (!DecodeObject(SPC_INDIRECT_DATA_CONTENT_STRUCT, content.data(),
                    static_cast<DWORD>(content.size()), &decoded)) {
    *reason = "its signed content is not an Authenticode digest";
    return false;
  }
  const auto* indirect = reinterpret_cast<const SPC_INDIRECT_DATA_CONTENT*>(decoded.data());
  if (!indirect->Data.pszObjId ||
      std::string_view(indirect->Data.pszObjId) != SPC_PE_IMAGE_DATA_OBJID ||
      !DigestAlgorithmFromOid(indirect->DigestAlgorithm.pszObjId, &file_algorithm)) {
    *reason = "its signed content is not a PE image digest";
    return false;
  }
  if (!image->GetDigest(file_algorithm, &file_digest) ||
      !BlobEquals(indirect->Digest, file_digest)) {
    *reason = "it was not made over this file";
    return false;
  }

  // A signature timestamped while its certificate was valid stays valid
  // after the certificate expires, as Windows trust verification holds for
  // the primary signature: the chain is built at the timestamp's time when
  // the signature carries a valid timestamp, at the current time otherwise.
  // Intermediate certificates may come with the signature: the message's
  // store is searched too.
  FILETIME timestamp = {};
  std::string timestamp_reason;
  const bool timestamped =
      GetTimestampTime(message, store, index, signer, &timestamp, &timestamp_reason);
  CERT_CHAIN_PARA chain_para = {};
  chain_para.cbSize = sizeof(chain_para);
  ScopedChain chain;
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CertGetCertificateChain)(
          nullptr, certificate, timestamped ? &timestamp : nullptr, store, &chain_para, 0, nullptr,
          chain.Receive())) {
    *reason = "its certificate chain cannot be built";
    return false;
  }
  if (IsTrustedCodeSigningChain(chain.get(), reason))
    return true;
  if (!timestamp_reason.empty())
    *reason += " (timestamp refused: " + timestamp_reason + ")";
  return false;
}

// Appends the trust chain of `certificate` to the diagnostics.
void DescribeChain(PCCERT_CONTEXT certificate, DiagnosticsSink* sink, int level) {
  sink->Line(level) << "Trust chain:\n";
  ScopedChain chain;
  CERT_CHAIN_PARA chain_para = {};
  chain_para.cbSize = sizeof(chain_para);
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CertGetCertificateChain)(
          nullptr, certificate, nullptr, nullptr, &chain_para, 0, nullptr, chain.Receive())) {
    sink->Line(level) << "Cannot get trust chain\n";
    return;
  }
  sink->Line(level) << "Chain trust status: " << chain.get()->TrustStatus.dwErrorStatus << "\n";
  for (DWORD i = 0; i < chain.get()->cChain; ++i) {
    const CERT_SIMPLE_CHAIN* simple = chain.get()->rgpChain[i];
    for (DWORD j = 0; j < simple->cElement; ++j) {
      PCCERT_CONTEXT element = simple->rgpElement[j]->pCertContext;
      wchar_t name[256] = {};
      GetNameString(element, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name,
                    static_cast<DWORD>(std::size(name)));
      BYTE hash[20] = {};
      DWORD hash_size = sizeof(hash);
      const auto hash_certificate = BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptHashCertificate);
      hash_certificate(0, CALG_SHA1, 0, element->pbCertEncoded, element->cbCertEncoded, hash,
                       &hash_size);
      sink->Line(level) << "Chain " << j << " element: " << base::WideToUTF8(name) << " "
                        << base::HexEncode(hash, hash_size) << "\n";
    }
  }
}

struct SignerSearch {
  DiagnosticsSink* sink;
  SignedImage* image;
  std::wstring expected_name;
};

// Looks for a signer named `search.expected_name` among the signers of
// `message` and of the signatures nested in them, at nesting `level`. Only
// the first signer of the outer signature is the one that Windows trust
// verification vouched for; any other counts only once its signature
// verifies over the file here.
bool FindViableSigner(HCRYPTMSG message, HCERTSTORE store, DWORD encoding, int level,
                      const SignerSearch& search) {
  DiagnosticsSink* sink = search.sink;
  DWORD signer_count = 0;
  DWORD size = sizeof(signer_count);
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgGetParam)(message, CMSG_SIGNER_COUNT_PARAM, 0,
                                                            &signer_count, &size)) {
    sink->Line(level) << "Cannot get signer count\n";
    return false;
  }
  for (DWORD index = 0; index < signer_count; ++index) {
    std::vector<BYTE> signer_buffer;
    DWORD signer_size = 0;
    if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgGetParam)(message, CMSG_SIGNER_INFO_PARAM,
                                                              index, nullptr, &signer_size)) {
      sink->Line(level) << "Cannot get signer size\n";
      continue;
    }
    signer_buffer.resize(signer_size);
    if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptMsgGetParam)(
            message, CMSG_SIGNER_INFO_PARAM, index, signer_buffer.data(), &signer_size)) {
      sink->Line(level) << "Cannot get signer info\n";
      continue;
    }
    const auto& signer = *reinterpret_cast<const CMSG_SIGNER_INFO*>(signer_buffer.data());

    ScopedCertificate certificate(FindSignerCertificate(store, encoding, signer));
    if (!certificate.get()) {
      sink->Line(level) << "Cannot find certificate info in store\n";
      continue;
    }
    if (sink->WantsDetail())
      DescribeChain(certificate.get(), sink, level);

    const DWORD name_size =
        GetNameString(certificate.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (name_size == 0) {
      sink->Line(level) << "Cert signer name has 0 size\n";
      continue;
    }
    std::wstring name(name_size, L'\0');
    if (GetNameString(certificate.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(),
                      name_size) != name_size) {
      sink->Line(level) << "Cannot get signer name\n";
      continue;
    }
    name.resize(name_size - 1);

    if (name == search.expected_name) {
      const bool verified_by_windows = level == 0 && index == 0;
      std::string reason;
      if (verified_by_windows || VerifySignerOverFile(message, store, index, signer,
                                                      certificate.get(), search.image, &reason)) {
        return true;
      }
      sink->Line(level) << "Signer " << base::WideToUTF8(name) << " refused: " << reason << "\n";
    } else {
      sink->Line(level) << "Tried signer " << base::WideToUTF8(name) << "\n";
    }

    for (DWORD i = 0; i < signer.UnauthAttrs.cAttr; ++i) {
      const CRYPT_ATTRIBUTE& attribute = signer.UnauthAttrs.rgAttr[i];
      if (std::string_view(attribute.pszObjId) != szOID_NESTED_SIGNATURE)
        continue;
      for (DWORD j = 0; j < attribute.cValue; ++j) {
        DWORD nested_encoding = 0;
        ScopedCertStore nested_store;
        ScopedCryptMsg nested_message;
        if (BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptQueryObject)(
                CERT_QUERY_OBJECT_BLOB, &attribute.rgValue[j], CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED,
                CERT_QUERY_FORMAT_FLAG_BINARY, 0, &nested_encoding, nullptr, nullptr,
                nested_store.Receive(), nested_message.Receive(), nullptr) &&
            FindViableSigner(nested_message.get(), nested_store.get(), nested_encoding, level + 1,
                             search)) {
          return true;
        }
      }
    }
  }
  sink->Line(level) << "Cannot find any viable signers\n";
  return false;
}

// Whether the signer that WinVerifyTrust verified has a chain that ends in a
// trusted root and may sign code: Wine's trust verification passes an
// untrusted root and a wrong key usage, so the provider data is checked here.
bool IsPrimarySignerTrusted(HANDLE state, std::string* reason) {
  CRYPT_PROVIDER_DATA* provider =
      BASE_WIN_LAZY_CALL(L"wintrust.dll", WTHelperProvDataFromStateData)(state);
  const auto get_signer = BASE_WIN_LAZY_CALL(L"wintrust.dll", WTHelperGetProvSignerFromChain);
  CRYPT_PROVIDER_SGNR* signer = provider ? get_signer(provider, 0, FALSE, 0) : nullptr;
  if (!signer || !signer->pChainContext) {
    *reason = "Signer chain is missing";
    return false;
  }
  return IsTrustedCodeSigningChain(signer->pChainContext, reason);
}

}  // namespace

bool IsFileSigned(const base::FilePath& path, bool* is_signed) {
  PeImageReader image;
  if (!image.InitializeFromFile(path))
    return false;
  ImageDataDirectory entry = {};
  *is_signed = image.GetDataDirectory(IMAGE_DIRECTORY_ENTRY_SECURITY, &entry) && entry.Size != 0;
  return true;
}

bool VerifyFileSignature(const std::wstring& path, std::string* error) {
  // A file whose headers do not lead to a certificate table inside it is
  // not signed, whatever the system's parsers would make of it.
  SignedImage image(path);
  if (!image.HasCertificateTable()) {
    if (error)
      *error += "Not a signed PE file\n";
    return false;
  }

  WINTRUST_FILE_INFO file_info = {};
  file_info.cbStruct = sizeof(file_info);
  file_info.pcwszFilePath = path.c_str();
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  WINTRUST_DATA trust_data = {};
  trust_data.cbStruct = sizeof(trust_data);
  trust_data.dwUIChoice = WTD_UI_NONE;
  trust_data.fdwRevocationChecks = WTD_REVOKE_NONE;
  trust_data.dwUnionChoice = WTD_CHOICE_FILE;
  trust_data.pFile = &file_info;
  // The state stays open until the signer's chain has been read from it.
  trust_data.dwStateAction = WTD_STATEACTION_VERIFY;
  const LONG status = VerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust_data);
  const DWORD trust_error = ::GetLastError();
  bool trusted = status == ERROR_SUCCESS;
  if (!trusted && error) {
    base::StringAppendF(error, "Cannot WinVerifyTrust: %ld, %s\n", static_cast<long>(status),
                        logging::SystemErrorCodeToString(trust_error).c_str());
  }
  if (trusted) {
    std::string reason;
    trusted = IsPrimarySignerTrusted(trust_data.hWVTStateData, &reason);
    if (!trusted && error)
      *error += reason + "\n";
  }
  trust_data.dwStateAction = WTD_STATEACTION_CLOSE;
  VerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust_data);

  DWORD encoding = 0;
  ScopedCertStore store;
  ScopedCryptMsg message;
  if (!BASE_WIN_LAZY_CALL(L"crypt32.dll", CryptQueryObject)(
          CERT_QUERY_OBJECT_FILE, path.c_str(), CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
          CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, nullptr, nullptr, store.Receive(),
          message.Receive(), nullptr)) {
    const DWORD query_error = ::GetLastError();
    if (error) {
      *error += "Cannot CryptQueryObject:" + logging::SystemErrorCodeToString(query_error) + "\n";
    }
    return false;
  }

  std::unique_ptr<DiagnosticsSink> sink;
  if (error)
    sink = std::make_unique<TextSink>();
  else
    sink = std::make_unique<NullSink>();
  const SignerSearch search = {sink.get(), &image, base::UTF8ToWide(GetSignerCertificateSubject())};
  const bool signer_found = FindViableSigner(message.get(), store.get(), encoding, 0, search);
  if (error)
    *error += sink->GetText();
  return trusted && signer_found;
}

}  // namespace velta
