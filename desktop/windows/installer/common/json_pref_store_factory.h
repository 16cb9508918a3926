// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_JSON_PREF_STORE_FACTORY_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_JSON_PREF_STORE_FACTORY_H_

#include <map>
#include <string>

#include "base/memory/scoped_refptr.h"
#include "base/prefs/json_pref_store.h"
#include "base/sequenced_task_runner.h"
#include "base/synchronization/lock.h"

namespace base {
class FilePath;
}  // namespace base

namespace velta {

// The task runners that write preference files: one sequenced runner of the
// task scheduler per folder, so that the writes of every store in a folder
// land one after another, in the order they were committed.
//
// Threading: any thread; the task scheduler must exist.
class PrefStoreTaskRunnerMap {
 public:
  PrefStoreTaskRunnerMap();
  PrefStoreTaskRunnerMap(const PrefStoreTaskRunnerMap&) = delete;
  PrefStoreTaskRunnerMap& operator=(const PrefStoreTaskRunnerMap&) = delete;
  ~PrefStoreTaskRunnerMap();

  // The runner of `folder`, made on the first request for it (may block,
  // USER_BLOCKING, BLOCK_SHUTDOWN: a queued write finishes before the
  // process ends). A folder spelled in other letter case or with a trailing
  // separator is the same folder.
  scoped_refptr<base::SequencedTaskRunner> GetTaskRunner(const base::FilePath& folder);

 private:
  base::Lock lock_;
  // By the folder's UTF-8 text in upper case.
  std::map<std::string, scoped_refptr<base::SequencedTaskRunner>> task_runners_;
};

// The process's map, made on first use and destroyed at exit.
PrefStoreTaskRunnerMap* GetPrefStoreTaskRunnerMap();

// The one way preference files are opened: a store of `path` whose writes
// go to the runner of its folder in `task_runner_map`, already read with
// ReadPrefsFromDisk on the calling thread (blocking file I/O). A missing or
// damaged file gives an empty store; see the store's read error.
scoped_refptr<base::JsonPrefStore> CreateJsonPrefStore(PrefStoreTaskRunnerMap* task_runner_map,
                                                       const base::FilePath& path);

// Reads a preference file as JsonPrefStore::ReadPrefsFile does, with a
// backup copy beside it (`path` + ".backup"): a file that is read cleanly is
// copied there, and one that does not parse is set aside under the extension
// "bad" and replaced by the backup when the backup parses. A file named
// "Local State" has no backup. A damaged backup is set aside as
// `path` + ".backup.bad", beside the damaged file's own copy. Copies go
// through a temporary file and a rename, so a torn copy is never left behind.
base::JsonPrefStore::ReadResult ReadPrefsFromDisk(const base::FilePath& path);

// The backup copy ReadPrefsFromDisk keeps of the preference file `path`.
base::FilePath PrefsBackupPath(const base::FilePath& path);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_JSON_PREF_STORE_FACTORY_H_
