// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/json_pref_store_factory.h"

#include <wctype.h>

#include <algorithm>
#include <utility>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/important_file_writer.h"
#include "base/lazy_instance.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/task/post_task.h"
#include "base/task/task_traits.h"
#include "desktop/windows/installer/common/product/installer_constants.h"

namespace velta {
namespace {

using base::JsonPrefStore;
using base::PersistentPrefStore;

constexpr wchar_t kBackupExtension[] = L".backup";
constexpr wchar_t kBadExtension[] = L".bad";

base::LazyInstance<PrefStoreTaskRunnerMap>::DestructorAtExit g_task_runner_map =
    LAZY_INSTANCE_INITIALIZER;

std::string FolderKey(const base::FilePath& folder) {
  std::wstring text = folder.StripTrailingSeparators().value();
  for (wchar_t& character : text)
    character = static_cast<wchar_t>(towupper(static_cast<wint_t>(character)));
  return base::WideToUTF8(text);
}

// The project keeps no histograms: a sample goes to the verbose log, one
// line with the histogram's name.
void RecordHistogram(const std::string& name, int sample) {
  VLOG(1) << "Histogram " << name << ": " << sample;
}

// The histograms' suffix for the file at `path`: its name with every space
// replaced by "_".
std::string HistogramSuffix(const base::FilePath& path) {
  std::string name = path.BaseName().AsUTF8Unsafe();
  std::replace(name.begin(), name.end(), ' ', '_');
  return name;
}

// Replaces `to` with the bytes of `from`, whole or not at all.
bool CopyFileAtomically(const base::FilePath& from, const base::FilePath& to) {
  std::string contents;
  if (!base::ReadFileToString(from, &contents)) {
    PLOG(ERROR) << "Cannot read " << from;
    return false;
  }
  return base::ImportantFileWriter::WriteFileAtomically(to, contents);
}

}  // namespace

PrefStoreTaskRunnerMap::PrefStoreTaskRunnerMap() = default;

PrefStoreTaskRunnerMap::~PrefStoreTaskRunnerMap() = default;

scoped_refptr<base::SequencedTaskRunner> PrefStoreTaskRunnerMap::GetTaskRunner(
    const base::FilePath& folder) {
  const std::string key = FolderKey(folder);
  base::AutoLock hold(lock_);
  scoped_refptr<base::SequencedTaskRunner>& task_runner = task_runners_[key];
  if (!task_runner) {
    task_runner = base::CreateSequencedTaskRunnerWithTraits(
        {base::MayBlock(), base::TaskPriority::USER_BLOCKING,
         base::TaskShutdownBehavior::BLOCK_SHUTDOWN});
  }
  return task_runner;
}

PrefStoreTaskRunnerMap* GetPrefStoreTaskRunnerMap() {
  return g_task_runner_map.Pointer();
}

scoped_refptr<JsonPrefStore> CreateJsonPrefStore(PrefStoreTaskRunnerMap* task_runner_map,
                                                 const base::FilePath& path) {
  auto store = base::MakeRefCounted<JsonPrefStore>(
      path, task_runner_map->GetTaskRunner(path.DirName()), &ReadPrefsFromDisk);
  store->ReadPrefs();
  return store;
}

base::FilePath PrefsBackupPath(const base::FilePath& path) {
  return path.AddExtension(kBackupExtension);
}

JsonPrefStore::ReadResult ReadPrefsFromDisk(const base::FilePath& path) {
  const bool is_backup =
      base::FilePath::CompareEqualIgnoreCase(path.FinalExtension(), kBackupExtension);
  // The browser keeps its own copies of "Local State".
  const bool has_backup = !is_backup && !base::FilePath::CompareEqualIgnoreCase(
                                            path.BaseName().value(), kLocalStateFileName);
  // A damaged backup gets a name of its own, so that it never replaces the
  // damaged file set aside just before ("Preferences.bad").
  const base::FilePath bad_path =
      is_backup ? path.AddExtension(kBadExtension) : path.ReplaceExtension(kBadExtension);
  JsonPrefStore::ReadResult result = JsonPrefStore::ReadPrefsFile(path, bad_path);
  const std::string suffix = HistogramSuffix(path);
  if (is_backup)
    RecordHistogram("Settings.RestoreFromBackupResult." + suffix, result.value ? 1 : 0);
  if (!has_backup || (result.error != PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE &&
                      result.error != PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT)) {
    if (result.error == PersistentPrefStore::PREF_READ_ERROR_NONE) {
      RecordHistogram("Settings.JsonDataReadSizeKilobytes." + suffix,
                      static_cast<int>(result.read_size / 1024));
      if (has_backup && !CopyFileAtomically(path, PrefsBackupPath(path)))
        LOG(ERROR) << "Cannot back up preference file " << path;
    }
    return result;
  }
  const base::FilePath backup_path = PrefsBackupPath(path);
  JsonPrefStore::ReadResult backup = ReadPrefsFromDisk(backup_path);
  if (!backup.value)
    return result;
  LOG(WARNING) << "Preference file " << path << " was damaged; restored it from its backup";
  // The damaged file is gone: put the backup's bytes in its place, or the
  // next reader would find no file, start empty and later copy that over
  // the backup.
  if (!CopyFileAtomically(backup_path, path))
    LOG(ERROR) << "Cannot put the backup back in place of " << path;
  // A backup with a value was read without error.
  RecordHistogram("Settings.JsonDataReadSizeKilobytes." + suffix,
                  static_cast<int>(backup.read_size / 1024));
  return backup;
}

}  // namespace velta
