// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_BCRYPT_FUNCTIONS_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_BCRYPT_FUNCTIONS_H_

#include <windows.h>
#include <bcrypt.h>

namespace velta {

// The CNG functions file hashing calls, resolved by name from bcrypt.dll at
// run time (bcrypt is not on every system the installer starts on), typed
// from their declarations.
struct BcryptFunctions {
  decltype(&::BCryptOpenAlgorithmProvider) open_algorithm_provider = nullptr;
  decltype(&::BCryptCloseAlgorithmProvider) close_algorithm_provider = nullptr;
  decltype(&::BCryptGetProperty) get_property = nullptr;
  decltype(&::BCryptCreateHash) create_hash = nullptr;
  decltype(&::BCryptDestroyHash) destroy_hash = nullptr;
  decltype(&::BCryptHashData) hash_data = nullptr;
  decltype(&::BCryptFinishHash) finish_hash = nullptr;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_BCRYPT_FUNCTIONS_H_
