// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_PREFS_JSON_PREF_STORE_H_
#define BASE_PREFS_JSON_PREF_STORE_H_

#include <stdint.h>

#include <memory>
#include <string>
#include <utility>

#include "base/callback.h"
#include "base/files/file_path.h"
#include "base/memory/scoped_refptr.h"
#include "base/memory/weak_ptr.h"
#include "base/prefs/persistent_pref_store.h"
#include "base/sequence_checker.h"
#include "base/sequenced_task_runner.h"
#include "base/values.h"

namespace base {

// A preference store over one JSON file holding a dictionary.
//
// The file is read synchronously by ReadPrefs on the store's sequence. Each
// write replaces the whole file through a temporary file and a rename
// (ImportantFileWriter), as a task on `file_task_runner`; writes of stores
// sharing that runner land in the order they were committed. The changes
// made during one task of the store's sequence are written once, right
// after it (when the sequence has a runner); CommitPendingWrite starts a
// write at once, and the destructor commits what is left.
//
// A store opened while another store's committed write of the same file is
// still queued reads that write's contents, not the older file, so that
// opening, changing and releasing stores one after another never loses a
// change.
//
// Threading: made and used on one sequence, apart from the file writes.
class JsonPrefStore : public PersistentPrefStore {
 public:
  // What reading the file gave. `value` is the dictionary read when `error`
  // is PREF_READ_ERROR_NONE, else null.
  struct ReadResult {
    ReadResult();
    ReadResult(ReadResult&& other) noexcept;
    ReadResult& operator=(ReadResult&& other) noexcept;
    ~ReadResult();

    std::unique_ptr<Value> value;
    PrefReadError error = PREF_READ_ERROR_NONE;
    // The file's folder does not exist.
    bool no_dir = false;
    // The bytes read from the file (0 when it could not be read).
    size_t read_size = 0;
  };

  // Reads a store's file on its sequence.
  using FileReader = ReadResult (*)(const FilePath& path);

  // Run on the writing sequence: the first before a write, the second after
  // it with whether the file now holds the new contents.
  using OnWriteCallbackPair = std::pair<OnceClosure, OnceCallback<void(bool success)>>;

  // `file_task_runner` runs the writes. `file_reader` reads the file for
  // ReadPrefs; null means ReadPrefsFile with the ".bad" name beside it.
  JsonPrefStore(const FilePath& pref_filename,
                scoped_refptr<SequencedTaskRunner> file_task_runner,
                FileReader file_reader = nullptr);
  JsonPrefStore(const JsonPrefStore&) = delete;
  JsonPrefStore& operator=(const JsonPrefStore&) = delete;

  // Reads `path` as a preference file. The folder's absence sets `no_dir`.
  // The deserializer's file errors become errors 3 to 6. A file that is read
  // but does not parse is moved to `bad_path`, replacing an older one there,
  // and gives PREF_READ_ERROR_JSON_REPEAT when `bad_path` existed before,
  // else PREF_READ_ERROR_JSON_PARSE. Blocking file I/O.
  static ReadResult ReadPrefsFile(const FilePath& path, const FilePath& bad_path);

  // PersistentPrefStore:
  bool IsInitializationComplete() const override;
  bool GetValue(const std::string& key, const Value** result) const override;
  void SetValue(const std::string& key, std::unique_ptr<Value> value, uint32_t flags) override;
  void RemoveValue(const std::string& key, uint32_t flags) override;
  bool ReadOnly() const override;
  PrefReadError GetReadError() const override;
  PrefReadError ReadPrefs() override;
  void CommitPendingWrite(OnceClosure reply_callback = OnceClosure(),
                          OnceClosure synchronous_done_callback = OnceClosure()) override;

  // Hands `callbacks` to the next write that this store starts.
  void RegisterOnNextWriteSynchronousCallbacks(OnWriteCallbackPair callbacks);

 private:
  ~JsonPrefStore() override;

  void OnFileRead(ReadResult read_result);
  // Marks the values as changed and, on a sequence with a runner, posts one
  // commit for the changes of the current task.
  void ScheduleWrite();

  const FilePath path_;
  const scoped_refptr<SequencedTaskRunner> file_task_runner_;
  const FileReader file_reader_;

  // Always a dictionary.
  Value prefs_{Value::Type::DICTIONARY};
  PrefReadError read_error_ = PREF_READ_ERROR_NONE;
  bool read_only_ = false;
  bool initialized_ = false;
  // Changes not yet handed to a write.
  bool has_pending_write_ = false;
  bool commit_posted_ = false;
  OnWriteCallbackPair on_next_write_callbacks_;

  SEQUENCE_CHECKER(sequence_checker_);
  WeakPtrFactory<JsonPrefStore> weak_factory_{this};
};

}  // namespace base

#endif  // BASE_PREFS_JSON_PREF_STORE_H_
