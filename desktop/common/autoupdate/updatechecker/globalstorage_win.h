// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_WIN_H_
#define DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_WIN_H_

#include <windows.h>

#include <map>
#include <string>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"
#include "desktop/common/autoupdate/updatechecker/globalstorage.h"

namespace velta {

// The global storage over the registry, the fallback file and a named mutex.
class GlobalStorageWin : public GlobalStorage {
 public:
  // Where the values live: the registry key and the mutex's name. Tests use
  // a key and a mutex of their own.
  struct Location {
    HKEY root = HKEY_CURRENT_USER;
    // Below `root`; "Software\Velta Software" for the real store.
    std::wstring key_path;
    // "vauc_registry_mutex" for the real store.
    std::wstring mutex_name;
  };

  // The real location.
  static Location GetDefaultLocation();

  // Decides once whether the file is used: for a copy-only installation, or
  // when the key cannot be opened for reading and writing because access is
  // denied (a missing key is made by the first write).
  GlobalStorageWin(bool is_copy_only, const Location& location);
  ~GlobalStorageWin() override;

  void LoadFallback(const base::FilePath& profile_folder) override;
  GlobalStorageResult SetValue(const std::string& key, const std::string& value) override;
  GlobalStorageResult GetValue(const std::string& key, std::string* value) override;

  bool uses_fallback() const { return use_fallback_; }

 private:
  class ScopedMutexHold;

  // Opens, or first makes, the mutex. False (logged) when it cannot be had.
  bool EnsureMutex();
  GlobalStorageResult WriteFallback(const std::string& key, const std::string& value);
  GlobalStorageResult WriteRegistry(const std::string& key, const std::string& value);
  GlobalStorageResult ReadRegistry(const std::string& key, std::string* value);
  GlobalStorageResult ReadFallback(const std::string& key, std::string* value);
  // The string members of the file's "GS" object, UTF-8 as stored; false
  // when "GS" is there but is not an object.
  bool ReadFallbackStrings(std::map<std::string, std::string>* values);

  const Location location_;
  base::win::ScopedHandle mutex_;
  base::FilePath fallback_path_;
  bool use_fallback_ = false;
  bool registry_write_succeeded_ = false;
  bool loading_fallback_ = false;
};

}  // namespace velta

#endif  // DESKTOP_COMMON_AUTOUPDATE_UPDATECHECKER_GLOBALSTORAGE_WIN_H_
