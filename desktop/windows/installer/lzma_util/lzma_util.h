// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/win/scoped_handle.h"

// <windows.h> turns CreateDirectory into a macro (CreateDirectoryW). The same
// definition here gives LzmaUtil::CreateDirectory one spelling in every file,
// whether or not it includes <windows.h>, before or after this header.
#ifndef CreateDirectory
#define CreateDirectory CreateDirectoryW
#endif

namespace velta {

namespace seven_zip {
class ArchiveReader;
class BlockCache;
struct ArchiveEntry;
}  // namespace seven_zip

class FolderPrefetch;
class InPageErrorGuard;
class InPageWorkerGuard;
class UnpackProgressDelegate;

// Extracts a 7z archive (possibly behind a self-extracting stub) into a
// folder. Serves the undoable unpack operation of the install transaction,
// the installer, and the package fetcher (which extracts single files).
// Lives on one thread.
class LzmaUtil {
 public:
  // Results of Open.
  enum OpenResult : int {
    kOpenSuccess = 0,
    kOpenFileNotFound = 1,
    kOpenFailed = 2,
  };

  // Results of Unpack.
  enum UnpackResult : int {
    kUnpackSuccess = 0,
    kUnpackNoArchive = 1,
    kUnpackArchiveOpenFailed = 3,
    kUnpackExtractFailed = 4,
    kUnpackInPageError = 5,
    kUnpackNameUnreadable = 6,
    kUnpackCreateFileFailed = 7,
    kUnpackWriteFailed = 8,
    kUnpackSetFileTimeFailed = 9,
    kUnpackCloseFailed = 10,
    kUnpackNoSignature = 11,
  };

  LzmaUtil();
  LzmaUtil(const LzmaUtil&) = delete;
  LzmaUtil& operator=(const LzmaUtil&) = delete;
  // Closes the archive.
  virtual ~LzmaUtil();

  // Closes any open archive, then opens `archive` for reading (others may
  // read it meanwhile). Returns an OpenResult.
  virtual int Open(const base::FilePath& archive);
  // Closes the archive if one is open. Safe to call twice.
  virtual void Close();

  // Extracts into `location` every entry, or only those whose full output
  // paths (`location` joined with the entry's name) are in `wanted` when it
  // is not empty; then it stops after the last wanted one. The archive may
  // sit behind a stub of up to 1 MiB; each call searches it from the file's
  // start, so Unpack may run any number of times on one open archive.
  // Entry names have been checked by the reader not to leave `location`
  // (an archive with such a name fails to open and writes nothing).
  // Files written and folders created (every missing folder level, parents
  // first) are appended to the lists (when given) also on failure, for the
  // caller's rollback. Blocks on disk work. Returns an UnpackResult.
  virtual int Unpack(const base::FilePath& location,
                     const std::set<base::FilePath>& wanted,
                     UnpackProgressDelegate* delegate,
                     std::vector<base::FilePath>* files,
                     std::vector<base::FilePath>* folders);

  // The NTSTATUS of the last in-page error met while writing into the mapped
  // output buffer; 0 when none.
  virtual uint32_t GetLastInPageError() const;

  // When the last Unpack failed because the disk was full (writing a file,
  // or paging in the output buffer): "not enough disk space in <location>
  // for <entry>", the entry as the archive names it. Empty otherwise.
  virtual std::string GetLastDiskFullError() const;

  // Where an entry goes (`location` joined with its name), and whether it is
  // a folder.
  struct EntryPath {
    base::FilePath path;
    bool is_directory = false;
  };

  // Lists where the open archive's entries go (`location` joined with each
  // entry's name), in the archive's order, without writing anything. Lets a
  // caller make room for the entries (park files in their way) before
  // Unpack. The list is replaced, and left empty on failure. Returns
  // kUnpackSuccess, or Unpack's code for the same failure: kUnpackNoArchive,
  // kUnpackNoSignature, kUnpackArchiveOpenFailed (logged as Unpack logs
  // them) or kUnpackNameUnreadable.
  virtual int ListEntryPaths(const base::FilePath& location, std::vector<EntryPath>* entries);

  // True when `folder` exists or is made now with its missing parents.
  bool CreateDirectory(const base::FilePath& folder);

 private:
  // Makes the entry's EntryPath. False (logged) when the name does not make
  // a path inside `location`.
  static bool MakeEntryPath(const base::FilePath& location,
                            const seven_zip::ArchiveEntry& entry,
                            EntryPath* output);

  // Decodes entry `index` while `guard` catches in-page errors in the output
  // block (a file mapped in `location`) on this thread, and `worker_guard`
  // (the cache's) on the reader's decoding threads; its bytes are then at
  // `cache->data() + *offset`, `*size` of them. Logs a failure and returns
  // its UnpackResult; an in-page error's status is kept for
  // GetLastInPageError, and one that a full disk caused says so.
  int ExtractEntry(const base::FilePath& location,
                   seven_zip::ArchiveReader* reader,
                   size_t index,
                   seven_zip::BlockCache* cache,
                   InPageErrorGuard* guard,
                   InPageWorkerGuard* worker_guard,
                   size_t* offset,
                   size_t* size);

  // Logs an in-page error of status `status` in a mapping of `mapped_size`
  // bytes in `location` while `entry` was extracted, and keeps the status
  // for GetLastInPageError (and a full disk for GetLastDiskFullError).
  void ReportInPageError(const base::FilePath& location,
                         const seven_zip::ArchiveEntry& entry,
                         uint32_t status,
                         size_t mapped_size);

  // Makes the folders an entry needs (a folder entry itself, else its
  // parent) and appends those made to `folders` when given. A folder that
  // cannot be made is no error here: a file in it then cannot be created.
  static void PrepareFolders(const EntryPath& entry, std::vector<base::FilePath>* folders);

  // Writes `size` bytes at `data` as the file `path` (in `location`),
  // replacing any, with the entry's modification time; appends `path` to
  // `files` (when given) as soon as the file exists. Logs a failure; returns
  // an UnpackResult.
  int WriteEntryFile(const base::FilePath& location,
                     const base::FilePath& path,
                     const seven_zip::ArchiveEntry& entry,
                     const uint8_t* data,
                     size_t size,
                     std::vector<base::FilePath>* files);

  // Writes all `size` bytes at `data` to the open `file` of `entry` in
  // `location`, in pieces that WriteFile takes. Logs a failure, saying so
  // when the disk is full (kept for GetLastDiskFullError); returns an
  // UnpackResult.
  int WriteContents(void* file,
                    const base::FilePath& location,
                    const seven_zip::ArchiveEntry& entry,
                    const uint8_t* data,
                    size_t size);

  // Gives the open `file` the entry's modification time, when the archive
  // stored one. Logs a failure; returns an UnpackResult.
  static int SetModificationTime(void* file, const seven_zip::ArchiveEntry& entry);

  // Starts decoding the second folder of `entries` (in their order) on a
  // thread of its own, when the archive has one and it can be read a second
  // time; null otherwise (the folders are then decoded one by one).
  std::unique_ptr<FolderPrefetch> StartFolderPrefetch(
      const base::FilePath& location,
      const std::vector<seven_zip::ArchiveEntry>& entries);
  // CreateDirectory that also appends each folder it makes to `created`.
  static bool CreateDirectoryAndReport(const base::FilePath& folder,
                                       std::vector<base::FilePath>* created);

  // The archive file; empty when none is open. Its path opens it a second
  // time for the decoding ahead.
  base::win::ScopedHandle archive_;
  base::FilePath archive_path_;
  uint32_t last_in_page_error_ = 0;
  std::string last_disk_full_error_;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_
