// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLATION_LEFTOVER_REMOVER_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLATION_LEFTOVER_REMOVER_H_

#include <optional>
#include <string_view>
#include <vector>

#include "base/files/file_path.h"
#include "base/time/time.h"
#include "desktop/windows/installer/status/installation_status.h"

namespace velta {

// Whether `name` is the name a transaction gives a file it parks:
// "<name>.<seconds>.old" or "<name>.<seconds>.<n>.old", the seconds since
// the Unix epoch (nine digits or more).
bool IsParkedFileName(std::wstring_view name);

// The name of the file that `name` is a parked copy of ("velta.dll" for
// "velta.dll.1765000000.2.old"), or nullopt when `name` is no parked name.
std::optional<std::wstring_view> ParkedFileOrigin(std::wstring_view name);

// Whether `name` is named as a run names the version folders it makes:
// four or more dot-separated numbers, optionally followed by "_<n>"
// ("1.0.0.2", "1.0.0.2_0"). Only such a folder may be taken away for a
// journal's word.
bool IsJournaledVersionFolderName(std::wstring_view name);

// Takes away what runs that never finished (killed, or ended with the
// machine) left in an installation folder, once a later run there has
// succeeded and its own transaction has committed. Only what a run of ours
// recorded goes, and only while no status records it (the statuses given to
// Keep and every record of old_status):
// - what a left run journal (RunJournal) records, when it is a plain file
//   owned by this user, SYSTEM or Administrators (else it is left alone with
//   all it names): the version folders that run made (named as such, and
//   made no earlier than the journal), and the files and folders it parked
//   under ".old" names (whose seconds are no earlier than the journal's);
//   the journal itself goes once all of that is gone;
// - the parked copies of the files a status records, beside those files
//   ("<recorded file>.<seconds>.old"), which runs of installers that kept no
//   journal left too; only while the recorded file is there (else the
//   parked copy is the only one) and no other run still goes in the folder
//   (holds its journal; this process's and those it was started from are
//   this run's).
// Whatever its name, a folder or file that neither records is never touched,
// and nothing is reached through a link (a junction or symbolic link that
// replaced a folder): a link that is itself a leftover goes as a link. What
// cannot be removed (in use) is logged, and its journal kept for the next
// run.
class LeftoverRemover {
 public:
  explicit LeftoverRemover(const base::FilePath& folder);
  LeftoverRemover(const LeftoverRemover&) = delete;
  LeftoverRemover& operator=(const LeftoverRemover&) = delete;
  ~LeftoverRemover();

  // The version folder and files of `status` stay.
  void Keep(const InstallationStatus& status);

  void Run();

 private:
  // Reads every record of old_status into `kept_`.
  void KeepOldStatusRecords();
  // Removes what the run journal `journal` records, when its run has ended,
  // then the journal, unless something of it stays. False when a run that
  // still goes holds it.
  bool RemoveJournaled(const base::FilePath& journal);
  // Removes the journal entry `entry` (relative to the folder) of a journal
  // made at `journal_created` when it is a version folder or a parked name
  // of that run's that no status records; false when it is one but cannot
  // go.
  bool RemoveJournaledEntry(const base::FilePath& entry, base::Time journal_created);
  // Removes the parked copies of the files the kept statuses record.
  void RemoveParkedCopiesOfKeptFiles();
  bool IsKeptFolder(const base::FilePath& name) const;
  bool IsKeptFile(const base::FilePath& path) const;

  const base::FilePath folder_;
  std::vector<InstallationStatus> kept_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLATION_LEFTOVER_REMOVER_H_
