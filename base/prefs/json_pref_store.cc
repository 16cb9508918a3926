// Copyright 2026 Velta Software. All rights reserved.

#include "base/prefs/json_pref_store.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/files/important_file_writer.h"
#include "base/json/json_file_value_serializer.h"
#include "base/json/json_reader.h"
#include "base/json/json_writer.h"
#include "base/lazy_instance.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/strings/string_split.h"
#include "base/synchronization/lock.h"
#include "base/threading/sequenced_task_runner_handle.h"

namespace base {
namespace {

// The contents of the committed writes not yet on disk, by file, so that a
// store opened meanwhile reads what the file is about to hold. Used from
// the stores' sequences and the writing ones.
class WritesInFlight {
 public:
  // Records `data` as the newest contents of `path`; returns its ticket.
  uint64_t Add(const FilePath& path, const std::string& data) {
    AutoLock hold(lock_);
    Write& write = writes_[path.value()];
    write.ticket = ++last_ticket_;
    write.data = data;
    return write.ticket;
  }

  // Forgets `path`'s contents unless a newer write recorded its own.
  void Remove(const FilePath& path, uint64_t ticket) {
    AutoLock hold(lock_);
    auto found = writes_.find(path.value());
    if (found != writes_.end() && found->second.ticket == ticket)
      writes_.erase(found);
  }

  bool Find(const FilePath& path, std::string* data) const {
    AutoLock hold(lock_);
    auto found = writes_.find(path.value());
    if (found == writes_.end())
      return false;
    *data = found->second.data;
    return true;
  }

 private:
  struct Write {
    uint64_t ticket = 0;
    std::string data;
  };
  // File names compare as Windows compares them.
  struct PathLess {
    bool operator()(const FilePath::StringType& a, const FilePath::StringType& b) const {
      return FilePath::CompareIgnoreCase(a, b) < 0;
    }
  };

  mutable Lock lock_;
  uint64_t last_ticket_ = 0;
  std::map<FilePath::StringType, Write, PathLess> writes_;
};

LazyInstance<WritesInFlight>::Leaky g_writes_in_flight = LAZY_INSTANCE_INITIALIZER;

PersistentPrefStore::PrefReadError ReadErrorOfFileError(int error_code) {
  switch (error_code) {
    case JSONFileValueDeserializer::JSON_ACCESS_DENIED:
      return PersistentPrefStore::PREF_READ_ERROR_ACCESS_DENIED;
    case JSONFileValueDeserializer::JSON_CANNOT_READ_FILE:
      return PersistentPrefStore::PREF_READ_ERROR_FILE_OTHER;
    case JSONFileValueDeserializer::JSON_FILE_LOCKED:
      return PersistentPrefStore::PREF_READ_ERROR_FILE_LOCKED;
    case JSONFileValueDeserializer::JSON_NO_SUCH_FILE:
      return PersistentPrefStore::PREF_READ_ERROR_NO_FILE;
    default:
      return PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE;
  }
}

JsonPrefStore::ReadResult ReadPrefsFileBesideBadCopy(const FilePath& path) {
  return JsonPrefStore::ReadPrefsFile(path, path.ReplaceExtension(L"bad"));
}

// Keeps a write's contents readable through g_writes_in_flight until the
// write task has run, or was dropped unrun because its runner stopped.
class WriteInFlight {
 public:
  WriteInFlight(const FilePath& path, const std::string& data)
      : path_(path), ticket_(g_writes_in_flight.Get().Add(path, data)) {}
  WriteInFlight(const WriteInFlight&) = delete;
  WriteInFlight& operator=(const WriteInFlight&) = delete;
  ~WriteInFlight() { g_writes_in_flight.Get().Remove(path_, ticket_); }

 private:
  const FilePath path_;
  const uint64_t ticket_;
};

void RunIfSet(OnceClosure closure) {
  if (closure)
    std::move(closure).Run();
}

// Runs on the writing sequence.
void WriteToDisk(const FilePath& path,
                 const std::string& data,
                 std::unique_ptr<WriteInFlight> in_flight,
                 JsonPrefStore::OnWriteCallbackPair callbacks,
                 OnceClosure synchronous_done_callback) {
  RunIfSet(std::move(callbacks.first));
  const bool success = ImportantFileWriter::WriteFileAtomically(path, data);
  in_flight.reset();
  if (callbacks.second)
    std::move(callbacks.second).Run(success);
  RunIfSet(std::move(synchronous_done_callback));
}

// Sets `key` (a dotted path) in `prefs`, replacing whatever is not a
// dictionary on the way, as a new value for a name always wins.
void SetPathOverwriting(Value* prefs, const std::string& key, Value value) {
  const std::vector<std::string_view> parts =
      SplitStringPiece(key, ".", KEEP_WHITESPACE, SPLIT_WANT_ALL);
  if (parts.empty())
    return;
  Value* dict = prefs;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    Value* next = dict->FindKey(parts[i]);
    dict = next && next->is_dict() ? next : dict->SetKey(parts[i], Value(Value::Type::DICTIONARY));
  }
  dict->SetKey(parts.back(), std::move(value));
}

}  // namespace

JsonPrefStore::ReadResult::ReadResult() = default;
JsonPrefStore::ReadResult::ReadResult(ReadResult&& other) noexcept = default;
JsonPrefStore::ReadResult& JsonPrefStore::ReadResult::operator=(ReadResult&& other) noexcept =
    default;
JsonPrefStore::ReadResult::~ReadResult() = default;

JsonPrefStore::JsonPrefStore(const FilePath& pref_filename,
                             scoped_refptr<SequencedTaskRunner> file_task_runner,
                             FileReader file_reader)
    : path_(pref_filename),
      file_task_runner_(std::move(file_task_runner)),
      file_reader_(file_reader ? file_reader : &ReadPrefsFileBesideBadCopy) {
  DCHECK(file_task_runner_);
}

JsonPrefStore::~JsonPrefStore() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  CommitPendingWrite();
}

// static
JsonPrefStore::ReadResult JsonPrefStore::ReadPrefsFile(const FilePath& path,
                                                       const FilePath& bad_path) {
  ReadResult result;
  int error_code = JSONFileValueDeserializer::JSON_NO_ERROR;
  std::string error_message;
  JSONFileValueDeserializer deserializer(path, JSON_ALLOW_TRAILING_COMMAS);
  std::unique_ptr<Value> value = deserializer.Deserialize(&error_code, &error_message);
  result.read_size = deserializer.get_last_read_size();
  if (value) {
    if (value->is_dict())
      result.value = std::move(value);
    else
      result.error = PREF_READ_ERROR_JSON_TYPE;
  } else {
    result.error = ReadErrorOfFileError(error_code);
    if (result.error == PREF_READ_ERROR_JSON_PARSE) {
      LOG(ERROR) << "Preference file " << path << " does not parse: " << error_message;
      const bool bad_existed = PathExists(bad_path);
      // Setting the damaged file aside keeps its bytes for a later look and
      // lets the next write start a whole new file.
      if (!Move(path, bad_path))
        PLOG(ERROR) << "Cannot move the damaged preference file to " << bad_path;
      if (bad_existed)
        result.error = PREF_READ_ERROR_JSON_REPEAT;
    }
  }
  result.no_dir = !DirectoryExists(path.DirName());
  return result;
}

bool JsonPrefStore::IsInitializationComplete() const {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  return initialized_;
}

bool JsonPrefStore::GetValue(const std::string& key, const Value** result) const {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  const Value* value = prefs_.FindPath(key);
  if (!value)
    return false;
  if (result)
    *result = value;
  return true;
}

void JsonPrefStore::SetValue(const std::string& key, std::unique_ptr<Value> value, uint32_t) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  DCHECK(value);
  const Value* old_value = prefs_.FindPath(key);
  if (old_value && *old_value == *value)
    return;
  SetPathOverwriting(&prefs_, key, std::move(*value));
  ScheduleWrite();
}

void JsonPrefStore::RemoveValue(const std::string& key, uint32_t) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  if (prefs_.RemovePath(key))
    ScheduleWrite();
}

bool JsonPrefStore::ReadOnly() const {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  return read_only_;
}

PersistentPrefStore::PrefReadError JsonPrefStore::GetReadError() const {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  return read_error_;
}

PersistentPrefStore::PrefReadError JsonPrefStore::ReadPrefs() {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  std::string data_in_flight;
  if (g_writes_in_flight.Get().Find(path_, &data_in_flight)) {
    // Our own serialization of a dictionary: it parses.
    ReadResult result;
    std::optional<Value> value = JSONReader::Read(data_in_flight);
    CHECK(value && value->is_dict());
    result.value = std::make_unique<Value>(std::move(*value));
    VLOG(1) << "Reading " << path_ << " from a write still queued";
    OnFileRead(std::move(result));
  } else {
    OnFileRead(file_reader_(path_));
  }
  return read_error_;
}

void JsonPrefStore::OnFileRead(ReadResult read_result) {
  read_error_ = read_result.error;
  read_only_ = false;
  prefs_ = Value(Value::Type::DICTIONARY);
  switch (read_error_) {
    case PREF_READ_ERROR_NONE:
      DCHECK(read_result.value && read_result.value->is_dict());
      prefs_ = std::move(*read_result.value);
      break;
    case PREF_READ_ERROR_JSON_TYPE:
    case PREF_READ_ERROR_ACCESS_DENIED:
    case PREF_READ_ERROR_FILE_OTHER:
    case PREF_READ_ERROR_FILE_LOCKED:
      // The file holds values we could not read: never write over them.
      LOG(ERROR) << "Preference file " << path_ << " cannot be read (" << read_error_
                 << "); changes will not be saved";
      read_only_ = true;
      break;
    case PREF_READ_ERROR_JSON_PARSE:
    case PREF_READ_ERROR_JSON_REPEAT:
    case PREF_READ_ERROR_NO_FILE:
      // Nothing readable is left at the path: start empty.
      break;
  }
  initialized_ = !read_result.no_dir;
  has_pending_write_ = false;
}

void JsonPrefStore::CommitPendingWrite(OnceClosure reply_callback,
                                       OnceClosure synchronous_done_callback) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  OnceClosure task;
  if (has_pending_write_ && read_only_) {
    LOG(ERROR) << "Not saving preference changes to " << path_ << ": the file could not be read";
    has_pending_write_ = false;
  }
  if (has_pending_write_) {
    has_pending_write_ = false;
    std::string data;
    if (JSONWriter::Write(prefs_, &data)) {
      auto in_flight = std::make_unique<WriteInFlight>(path_, data);
      task = BindOnce(&WriteToDisk, path_, std::move(data), std::move(in_flight),
                      std::move(on_next_write_callbacks_), std::move(synchronous_done_callback));
      on_next_write_callbacks_ = OnWriteCallbackPair();
    } else {
      LOG(ERROR) << "Cannot serialize the preferences of " << path_;
    }
  }
  if (!task) {
    if (!reply_callback && !synchronous_done_callback)
      return;
    task = BindOnce(&RunIfSet, std::move(synchronous_done_callback));
  }
  bool posted;
  if (reply_callback)
    posted =
        file_task_runner_->PostTaskAndReply(FROM_HERE, std::move(task), std::move(reply_callback));
  else
    posted = file_task_runner_->PostTask(FROM_HERE, std::move(task));
  if (!posted)
    LOG(ERROR) << "Cannot queue the write of " << path_ << ": its task runner has stopped";
}

void JsonPrefStore::RegisterOnNextWriteSynchronousCallbacks(OnWriteCallbackPair callbacks) {
  DCHECK_CALLED_ON_VALID_SEQUENCE(sequence_checker_);
  on_next_write_callbacks_ = std::move(callbacks);
}

void JsonPrefStore::ScheduleWrite() {
  has_pending_write_ = true;
  if (commit_posted_ || !SequencedTaskRunnerHandle::IsSet())
    return;
  commit_posted_ = true;
  SequencedTaskRunnerHandle::Get()->PostTask(FROM_HERE, BindOnce(
                                                            [](WeakPtr<JsonPrefStore> store) {
                                                              if (!store)
                                                                return;
                                                              store->commit_posted_ = false;
                                                              store->CommitPendingWrite();
                                                            },
                                                            weak_factory_.GetWeakPtr()));
}

}  // namespace base
