// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/common/autoupdate/updatechecker/globalstorage_win.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "base/logging.h"
#include "base/memory/scoped_refptr.h"
#include "base/prefs/json_pref_store.h"
#include "base/files/file_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread.h"
#include "base/values.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/utils.h"

namespace velta {
namespace {

constexpr wchar_t kMutexName[] = L"vauc_registry_mutex";
constexpr wchar_t kFallbackFileName[] = L"au_global_storage";
constexpr char kStorageKey[] = "GS";

bool IsAscii(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80)
      return false;
  }
  return true;
}

// The fallback file opened for one operation: a JSON store whose writes run
// on its own "GsTaskThread". Closing it (the destructor) releases the store
// and stops the thread, which waits for a committed write to land.
class FallbackFile {
 public:
  explicit FallbackFile(const base::FilePath& path) : thread_("GsTaskThread") {
    if (thread_.Start())
      store_ = base::MakeRefCounted<base::JsonPrefStore>(path, thread_.task_runner());
    else
      LOG(ERROR) << "[AU] GS: Cannot start the thread of the fallback storage";
    if (store_)
      store_->ReadPrefs();
  }
  FallbackFile(const FallbackFile&) = delete;
  FallbackFile& operator=(const FallbackFile&) = delete;
  ~FallbackFile() {
    store_ = nullptr;
    thread_.Stop();
  }

  // Null when the thread could not start.
  base::JsonPrefStore* store() { return store_.get(); }

 private:
  base::Thread thread_;
  scoped_refptr<base::JsonPrefStore> store_;
};

}  // namespace

// Holds the mutex from a successful construction to its destruction.
class GlobalStorageWin::ScopedMutexHold {
 public:
  explicit ScopedMutexHold(GlobalStorageWin* storage) {
    if (!storage->EnsureMutex()) {
      result_ = GlobalStorageResult::kFailure;
      return;
    }
    // Never wait: the autoupdate client holds the mutex only briefly and the
    // caller can ask again.
    if (::WaitForSingleObject(storage->mutex_.Get(), 0) == WAIT_TIMEOUT) {
      LOG(ERROR) << "[AU] GS: Couldn't get hold on an access mutex";
      result_ = GlobalStorageResult::kBusy;
      return;
    }
    held_ = storage->mutex_.Get();
  }
  ScopedMutexHold(const ScopedMutexHold&) = delete;
  ScopedMutexHold& operator=(const ScopedMutexHold&) = delete;
  ~ScopedMutexHold() {
    if (held_)
      ::ReleaseMutex(held_);
  }

  bool held() const { return held_ != nullptr; }
  // Why the mutex is not held.
  GlobalStorageResult result() const { return result_; }

 private:
  HANDLE held_ = nullptr;
  GlobalStorageResult result_ = GlobalStorageResult::kSuccess;
};

GlobalStorage::~GlobalStorage() = default;

std::unique_ptr<GlobalStorage> CreateGlobalStorage(bool is_copy_only) {
  return std::make_unique<GlobalStorageWin>(is_copy_only, GlobalStorageWin::GetDefaultLocation());
}

// static
GlobalStorageWin::Location GlobalStorageWin::GetDefaultLocation() {
  Location location;
  location.root = HKEY_CURRENT_USER;
  location.key_path = GetCompanyRegistryPath();
  location.mutex_name = kMutexName;
  return location;
}

GlobalStorageWin::GlobalStorageWin(bool is_copy_only, const Location& location)
    : location_(location) {
  if (is_copy_only) {
    use_fallback_ = true;
    return;
  }
  HKEY key = nullptr;
  const LONG opened = ::RegOpenKeyExW(location_.root, location_.key_path.c_str(), 0,
                                      KEY_READ | KEY_WRITE, &key);
  if (opened == ERROR_SUCCESS)
    ::RegCloseKey(key);
  use_fallback_ = opened == ERROR_ACCESS_DENIED;
}

GlobalStorageWin::~GlobalStorageWin() = default;

bool GlobalStorageWin::EnsureMutex() {
  if (mutex_.IsValid())
    return true;
  mutex_.Set(::CreateMutexW(nullptr, FALSE, location_.mutex_name.c_str()));
  // A mutex made by a process of another integrity level may refuse full
  // access; waiting needs only SYNCHRONIZE.
  if (!mutex_.IsValid() && ::GetLastError() == ERROR_ACCESS_DENIED)
    mutex_.Set(::OpenMutexW(SYNCHRONIZE, FALSE, location_.mutex_name.c_str()));
  if (!mutex_.IsValid()) {
    LOG(ERROR) << "[AU] GS: Couldn't create an access mutex";
    return false;
  }
  return true;
}

void GlobalStorageWin::LoadFallback(const base::FilePath& profile_folder) {
  fallback_path_ = profile_folder.Append(kFallbackFileName);
  if (!base::PathExists(fallback_path_) || use_fallback_ || registry_write_succeeded_)
    return;
  std::map<std::string, std::string> values;
  {
    // Read under the mutex, so a write of the autoupdate client is never
    // seen half done.
    ScopedMutexHold hold(this);
    if (!hold.held() || !ReadFallbackStrings(&values))
      return;
  }
  loading_fallback_ = true;
  for (const auto& [key, value] : values)
    SetValue(key, value);
  loading_fallback_ = false;
}

GlobalStorageResult GlobalStorageWin::SetValue(const std::string& key, const std::string& value) {
  if (key.empty())
    return GlobalStorageResult::kInvalidArgument;
  ScopedMutexHold hold(this);
  if (!hold.held())
    return hold.result();
  GlobalStorageResult result = GlobalStorageResult::kSuccess;
  if (use_fallback_ ||
      (!fallback_path_.empty() && base::PathExists(fallback_path_) && !loading_fallback_)) {
    result = WriteFallback(key, value);
  }
  if (!use_fallback_) {
    const GlobalStorageResult registry_result = WriteRegistry(key, value);
    registry_write_succeeded_ = registry_result == GlobalStorageResult::kSuccess;
    // A failed file write is not hidden by a registry write that worked.
    if (result == GlobalStorageResult::kSuccess)
      result = registry_result;
  }
  return result;
}

GlobalStorageResult GlobalStorageWin::GetValue(const std::string& key, std::string* value) {
  if (value)
    value->clear();
  if (!value || key.empty())
    return GlobalStorageResult::kInvalidArgument;
  ScopedMutexHold hold(this);
  if (!hold.held())
    return hold.result();
  return use_fallback_ ? ReadFallback(key, value) : ReadRegistry(key, value);
}

GlobalStorageResult GlobalStorageWin::WriteFallback(const std::string& key,
                                                    const std::string& value) {
  if (fallback_path_.empty()) {
    // A copy-only store that was never pointed at a profile has no file.
    LOG(ERROR) << "[AU] GS: Writing to a fallback storage failed";
    return GlobalStorageResult::kFailure;
  }
  FallbackFile file(fallback_path_);
  if (!file.store() || file.store()->ReadOnly()) {
    LOG(ERROR) << "[AU] GS: Writing to a fallback storage failed";
    return GlobalStorageResult::kFailure;
  }
  base::Value storage(base::Value::Type::DICTIONARY);
  const base::Value* stored = nullptr;
  if (file.store()->GetValue(kStorageKey, &stored) && stored->is_dict())
    storage = stored->Clone();
  // SetKey and RemoveKey take the key as one name, so "a.b" stays "a.b".
  if (value.empty())
    storage.RemoveKey(key);
  else
    storage.SetKey(key, base::Value(value));
  file.store()->SetValue(kStorageKey, std::make_unique<base::Value>(std::move(storage)), 0);
  file.store()->CommitPendingWrite();
  return GlobalStorageResult::kSuccess;
}

GlobalStorageResult GlobalStorageWin::WriteRegistry(const std::string& key,
                                                    const std::string& value) {
  HKEY raw_key = nullptr;
  if (value.empty()) {
    const LONG opened =
        ::RegOpenKeyExW(location_.root, location_.key_path.c_str(), 0, KEY_WRITE, &raw_key);
    if (opened != ERROR_SUCCESS) {
      if (opened == ERROR_FILE_NOT_FOUND || opened == ERROR_PATH_NOT_FOUND)
        return GlobalStorageResult::kSuccess;
      LOG(ERROR) << "[AU] GS: Deleting reg value failed with: " << opened;
      return GlobalStorageResult::kFailure;
    }
    base::win::RegKey opened_key(raw_key);
    // A value that is already gone is what the caller asked for.
    ::RegDeleteValueW(opened_key.Handle(), base::UTF8ToWide(key).c_str());
    return GlobalStorageResult::kSuccess;
  }
  const LONG created =
      ::RegCreateKeyExW(location_.root, location_.key_path.c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &raw_key, nullptr);
  if (created != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Creating reg key failed with: " << created;
    return GlobalStorageResult::kFailure;
  }
  base::win::RegKey created_key(raw_key);
  // Stored without a terminating zero, as the autoupdate client writes it.
  // The texts are UTF-8: the wide functions keep every character, where the
  // narrow ones would read them in the system's code page.
  const std::wstring wide_value = base::UTF8ToWide(value);
  const LONG set = ::RegSetValueExW(created_key.Handle(), base::UTF8ToWide(key).c_str(), 0,
                                    REG_SZ, reinterpret_cast<const BYTE*>(wide_value.data()),
                                    static_cast<DWORD>(wide_value.size() * sizeof(wchar_t)));
  if (set != ERROR_SUCCESS) {
    LOG(ERROR) << "[AU] GS: Setting reg value failed with: " << set;
    return GlobalStorageResult::kFailure;
  }
  return GlobalStorageResult::kSuccess;
}

GlobalStorageResult GlobalStorageWin::ReadRegistry(const std::string& key, std::string* value) {
  HKEY raw_key = nullptr;
  if (::RegOpenKeyExW(location_.root, location_.key_path.c_str(), 0, KEY_QUERY_VALUE,
                      &raw_key) != ERROR_SUCCESS) {
    return GlobalStorageResult::kSuccess;
  }
  base::win::RegKey opened_key(raw_key);
  const std::wstring name = base::UTF8ToWide(key);
  DWORD size = 0;
  if (::RegQueryValueExW(opened_key.Handle(), name.c_str(), nullptr, nullptr, nullptr, &size) !=
          ERROR_SUCCESS ||
      size == 0) {
    return GlobalStorageResult::kSuccess;
  }
  // One character more for the zero that the stored data lacks; an odd
  // size is rounded up.
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 2, L'\0');
  DWORD read_size = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
  if (::RegQueryValueExW(opened_key.Handle(), name.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer.data()), &read_size) != ERROR_SUCCESS) {
    return GlobalStorageResult::kFailure;
  }
  buffer[std::min<size_t>(read_size / sizeof(wchar_t), buffer.size() - 1)] = L'\0';
  *value = base::WideToUTF8(buffer.data());
  return GlobalStorageResult::kSuccess;
}

GlobalStorageResult GlobalStorageWin::ReadFallback(const std::string& key, std::string* value) {
  std::map<std::string, std::string> values;
  if (!ReadFallbackStrings(&values))
    return GlobalStorageResult::kFailure;
  // The key is looked up whole, as SetValue stored it: read as a dotted path,
  // "a.b" would never be found again.
  auto it = values.find(key);
  if (it != values.end() && IsAscii(it->second))
    *value = it->second;
  return GlobalStorageResult::kSuccess;
}

bool GlobalStorageWin::ReadFallbackStrings(std::map<std::string, std::string>* values) {
  if (fallback_path_.empty())
    return true;
  FallbackFile file(fallback_path_);
  const base::Value* stored = nullptr;
  if (!file.store() || !file.store()->GetValue(kStorageKey, &stored))
    return true;
  if (!stored->is_dict()) {
    LOG(ERROR) << "[AU] GS: The fallback storage holds no object under " << kStorageKey;
    return false;
  }
  for (const auto& [key, member] : stored->DictItems()) {
    if (member.is_string())
      (*values)[key] = member.GetString();
  }
  return true;
}

}  // namespace velta
