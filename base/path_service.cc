// Copyright 2026 Velta Software. All rights reserved.

#include "base/path_service.h"

#include <windows.h>

#include <map>
#include <vector>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/synchronization/lock.h"

namespace base {
namespace {

struct Provider {
  PathService::ProviderFunc function;
  int key_start;
  int key_end;
};

struct PathData {
  Lock lock;
  std::map<int, FilePath> overrides;
  std::vector<Provider> providers;
};

PathData& GetPathData() {
  // Never destroyed: paths may be asked for during shutdown.
  static PathData* const data = new PathData();
  return *data;
}

}  // namespace

// static
bool PathService::Get(int key, FilePath* path) {
  PathData& data = GetPathData();
  std::vector<Provider> providers;
  {
    AutoLock lock(data.lock);
    auto it = data.overrides.find(key);
    if (it != data.overrides.end()) {
      *path = it->second;
      return true;
    }
    providers = data.providers;
  }
  // Providers run without the lock: they may ask for other keys.
  FilePath result;
  for (const Provider& provider : providers) {
    if (key >= provider.key_start && key < provider.key_end) {
      if (!provider.function(key, &result))
        return false;
      *path = result;
      return true;
    }
  }
  if (!PathProvider(key, &result))
    return false;
  *path = result;
  return true;
}

// static
bool PathService::Override(int key, const FilePath& path) {
  return OverrideAndCreateIfNeeded(key, path, false, true);
}

// static
bool PathService::OverrideAndCreateIfNeeded(int key, const FilePath& path, bool /*is_absolute*/,
                                            bool create) {
  if (!path.IsAbsolute()) {
    LOG(ERROR) << "Path override for key " << key << " is not absolute: " << path;
    return false;
  }
  const bool is_file_key = key == FILE_EXE || key == FILE_MODULE;
  if (create && !is_file_key && !CreateDirectory(path)) {
    PLOG(ERROR) << "Cannot create the folder for path override " << key << ": " << path;
    return false;
  }
  PathData& data = GetPathData();
  AutoLock lock(data.lock);
  data.overrides[key] = path.StripTrailingSeparators();
  return true;
}

// static
bool PathService::RemoveOverrideForTests(int key) {
  PathData& data = GetPathData();
  AutoLock lock(data.lock);
  return data.overrides.erase(key) != 0;
}

// static
void PathService::RegisterProvider(ProviderFunc provider, int key_start, int key_end) {
  PathData& data = GetPathData();
  AutoLock lock(data.lock);
  for (const Provider& other : data.providers)
    DCHECK(key_end <= other.key_start || key_start >= other.key_end) << "overlapping providers";
  data.providers.push_back({provider, key_start, key_end});
}

}  // namespace base
