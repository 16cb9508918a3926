// Copyright 2026 Velta Software. All rights reserved.

// Adds DER-encoded certificates to the local machine's Root store, so that
// chains ending in them are trusted: run by testing/wine/prepare_wine.sh for
// the test roots of a build tree. Usage: add_test_root <file.cer>...
// Exits 0 when every certificate was added (or was there already), 1 when a
// file could not be read or a certificate could not be added.

#include <windows.h>
#include <wincrypt.h>

#include <stdio.h>

#include <vector>

namespace {

bool ReadWholeFile(const wchar_t* path, std::vector<BYTE>* bytes) {
  HANDLE file =
      ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER size = {};
  bool read = ::GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < (1 << 20);
  if (read) {
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    read = ::ReadFile(file, bytes->data(), static_cast<DWORD>(bytes->size()), &done, nullptr) &&
           done == bytes->size();
  }
  ::CloseHandle(file);
  return read;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  HCERTSTORE store =
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (!store) {
    fprintf(stderr, "Cannot open the Root store: %lu\n", ::GetLastError());
    return 1;
  }
  int result = 0;
  for (int i = 1; i < argc; ++i) {
    std::vector<BYTE> certificate;
    if (!ReadWholeFile(argv[i], &certificate)) {
      fprintf(stderr, "Cannot read %ls: %lu\n", argv[i], ::GetLastError());
      result = 1;
    } else if (!::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, certificate.data(),
                                                   static_cast<DWORD>(certificate.size()),
                                                   CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
      fprintf(stderr, "Cannot add %ls: 0x%08lx\n", argv[i], ::GetLastError());
      result = 1;
    }
  }
  ::CertCloseStore(store, 0);
  return result;
}
