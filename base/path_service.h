// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PATH_SERVICE_H_
#define BASE_PATH_SERVICE_H_

#include "base/base_paths.h"
#include "base/files/file_path.h"

namespace base {

// Answers "where is folder or file <key>" (keys in base/base_paths.h, or of a
// registered provider). Every answer is computed anew (no cache), so a change
// of the current or temporary folder shows at once. Overrides (tests, or a
// folder chosen at start-up) win over every provider. Thread-safe.
class PathService {
 public:
  // A provider fills `result` and returns true for the keys it knows.
  using ProviderFunc = bool (*)(int key, FilePath* result);

  PathService() = delete;

  // False (and `path` untouched) for an unknown key or a folder that the
  // system cannot give (a known folder that does not exist, say).
  static bool Get(int key, FilePath* path);

  // Makes `key` answer `path` from now on. `path` must be absolute. For keys
  // other than FILE_EXE and FILE_MODULE a missing folder is created; false
  // when it cannot be.
  static bool Override(int key, const FilePath& path);
  // As Override; `create` false leaves a missing folder missing. Relative
  // paths are refused whatever `is_absolute` claims.
  static bool OverrideAndCreateIfNeeded(int key, const FilePath& path, bool is_absolute,
                                        bool create);
  // Removes an override; true when there was one.
  static bool RemoveOverrideForTests(int key);

  // Adds a provider for keys [key_start, key_end), asked before the base
  // provider. Ranges must not overlap those of other providers.
  static void RegisterProvider(ProviderFunc provider, int key_start, int key_end);
};

}  // namespace base

#endif  // BASE_PATH_SERVICE_H_
