// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_RUN_JOURNAL_H_
#define DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_RUN_JOURNAL_H_

#include <stdint.h>

#include <optional>
#include <string_view>
#include <vector>

#include "base/files/file.h"
#include "base/files/file_path.h"
#include "base/time/time.h"

namespace velta {

class SecurityUtils;

// What one installer process has begun and not yet finished in an
// installation folder: every folder its operations are about to create
// there (CreateFolderOperation, which also makes the version folder a
// package is unpacked or copied into) and every name they are about to
// park a file or folder under (DeleteFileOperation), each recorded before
// the change is made. Once the process's transaction has committed or
// rolled back, Close deletes the journal. A run that is killed, or ends with
// the machine, leaves it behind, and the next run there that succeeds takes
// away what it records (LeftoverRemover). Nothing is ever taken away for its
// name alone: a "2024" folder or a "notes.1700000000.old" file that no
// journal records is the user's.
//
// The journal is the file "unfinished_run.<process id>" ("...<process
// id>.<n>" when that name is taken) in the installation folder, made at the
// first record, as run_journal_format.h describes: one path relative to the
// folder per line, and a line taking back a folder the run did not make
// after all. Each line is written at once, so a killed process loses none;
// a machine that goes down may lose the last ones, and what they name then
// stays (or, for a lost retraction, may go). The
// process holds the file open without sharing write or delete access until
// Close, which marks it for deletion through that handle and only then
// closes it: another process cannot open it so (ReadLeftRunJournal) while
// the run goes, and leaves the journal of a run that is still going alone.
// (Never FILE_FLAG_DELETE_ON_CLOSE: a killed run's journal must stay.)
//
// What the journal records is made after it: a folder is recorded, and the
// journal made, before the folder is; a parked name's seconds are taken once
// the journal exists (MakeFor). The journal's last-write time is kept at its
// creation time, which Wine reports as a file's creation time.
//
// Held by the operation factory; used on its thread only.
class RunJournal {
 public:
  RunJournal();
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;
  // Closes.
  ~RunJournal();

  // Records from now on what lies below `folder`; before, and elsewhere,
  // nothing is recorded: only an installation folder's leftovers are
  // anyone's to find.
  void Start(const base::FilePath& folder);

  // Records `path` before it is made or parked under. False when it is
  // below the folder but cannot be recorded: the change may still go ahead,
  // and is then left behind for good if the run never ends.
  bool Record(const base::FilePath& path);

  // Makes the journal now when `path` lies below the folder and none is
  // open, so that a name chosen after (a parked name's seconds) is no earlier
  // than the journal. False when it cannot be made; true when there is
  // nothing to make.
  bool MakeFor(const base::FilePath& path);

  // `path`, recorded before, was not made by this run after all (another
  // process made it first, or it could not be made): records that it is not
  // the run's, so that nothing takes it away for being journaled. False when
  // that cannot be written.
  bool Retract(const base::FilePath& path);

  // The run's changes are committed or rolled back: deletes the journal,
  // unless KeepForNextRun asked for it to stay. A later record starts a new
  // one. Safe to call again.
  void Close();

  // A rollback could not remove a folder the run made (it is not empty):
  // Close then leaves the journal in place, so that the next run there that
  // succeeds takes away what it names.
  void KeepForNextRun();

  // A rollback is about to remove the folder `folder`, which the run made:
  // when the journal lies in it, closes the journal, since what the run did
  // there is undone by then (a folder is made before what goes into it, and
  // undone after).
  void CloseIfIn(const base::FilePath& folder);

  // The journal's file while it is open, else empty.
  const base::FilePath& path() const { return path_; }
  // The folder given to Start (the installation folder), else empty.
  const base::FilePath& folder() const { return folder_; }

 private:
  // Makes the journal file under the first free name.
  bool Open();
  // Writes the line that records `path`, or with `retraction` takes it back.
  bool Write(const base::FilePath& path, bool retraction);

  base::FilePath folder_;
  base::FilePath path_;
  base::File file_;
  // The open journal's creation time (FILETIME's 100 ns count), 0 when
  // unknown.
  uint64_t created_ = 0;
  bool keep_ = false;
};

// Whether `name` is the name a RunJournal gives its file.
bool IsRunJournalName(std::wstring_view name);

// The id of the process that named the run journal `name` ("unfinished_run.
// <id>[.<n>]"), or nullopt when `name` is no journal's name.
std::optional<uint32_t> RunJournalProcessId(std::wstring_view name);

// A journal file as ReadLeftRunJournal found it.
struct LeftRunJournal {
  enum class State {
    // An ended run's journal of ours, read.
    kRead,
    // A run that is still going holds it.
    kHeld,
    // It cannot be read (or is larger than any run writes), or is not to be
    // trusted: a link, a reparse point or a file with several names, or one
    // owned by another user than this one, SYSTEM or Administrators.
    kLeftAlone,
  };
  State state = State::kLeftAlone;
  // When read: the paths it records and does not take back that stay
  // inside its folder (others are dropped and logged), relative to the
  // folder...
  std::vector<base::FilePath> entries;
  // ...and its creation time: nothing made before is its run's.
  base::Time created;
};

// Reads the journal `file` that an ended run left behind. A journal not
// read is logged, and is to be left as it is with all it names.
// `security_utils` reads its owner.
LeftRunJournal ReadLeftRunJournal(const base::FilePath& file, SecurityUtils* security_utils);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TRANSACTIONS_RUN_JOURNAL_H_
