// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_H_
#define DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_H_

#include <stdint.h>

#include <memory>
#include <string>

namespace base {
class FilePath;
}

namespace velta {

// What the store's operations answer; the numbers are shared with the
// browser's autoupdate client.
enum class GlobalStorageResult : int32_t {
  kSuccess = 0,
  // Another process (or store object) holds the store's mutex right now.
  kBusy = 1,
  kInvalidArgument = -254,
  kFailure = -252,
};

// Key and value pairs shared with the browser's autoupdate client: string
// values of the company key under HKEY_CURRENT_USER, or, for a copy-only
// installation or where that key may not be written, members of the "GS"
// object of the JSON file "au_global_storage" in the installation's profile
// folder. The machine-wide mutex "vauc_registry_mutex" keeps the installer
// and the client apart; the installer never waits for it, it answers kBusy.
//
// Owned by its user and used on one sequence (the worker that gathers an
// install folder's details); every file access runs its write on a
// short-lived thread of its own and waits for it, so a value is on disk when
// the operation returns.
class GlobalStorage {
 public:
  GlobalStorage(const GlobalStorage&) = delete;
  GlobalStorage& operator=(const GlobalStorage&) = delete;
  virtual ~GlobalStorage();

  // Points the store at `profile_folder`\au_global_storage. When that file
  // exists, the registry is used and nothing was written to it yet, the
  // file's string values are copied into the registry (the file stays).
  virtual void LoadFallback(const base::FilePath& profile_folder) = 0;
  // Stores `value` under `key` (the whole key is one name: dots are kept);
  // an empty value deletes the key. kInvalidArgument for an empty key.
  virtual GlobalStorageResult SetValue(const std::string& key, const std::string& value) = 0;
  // Reads `key` into `value`; a missing key gives "" and kSuccess.
  // kInvalidArgument for an empty key or a null `value`.
  virtual GlobalStorageResult GetValue(const std::string& key, std::string* value) = 0;

 protected:
  GlobalStorage() = default;
};

// The store of an installation; `is_copy_only` (the installation in the
// folder is a copy-only one) sends every value to the file.
std::unique_ptr<GlobalStorage> CreateGlobalStorage(bool is_copy_only);

}  // namespace velta

#endif  // DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_H_
