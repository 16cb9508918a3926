// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_

#include <stdint.h>

#include <set>
#include <vector>

#include "base/files/file_path.h"

namespace velta {

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

  // Closes any open archive, then opens `archive` for reading.
  virtual int Open(const base::FilePath& archive);
  virtual void Close();

  // Extracts into `location` every entry, or only those whose full output
  // paths are in `wanted` when it is not empty. Files written and folders
  // created are appended to the lists (when given) also on failure, for the
  // caller's rollback. Returns an UnpackResult.
  virtual int Unpack(const base::FilePath& location,
                     const std::set<base::FilePath>& wanted,
                     UnpackProgressDelegate* delegate,
                     std::vector<base::FilePath>* files,
                     std::vector<base::FilePath>* folders);

  // The NTSTATUS of the last in-page error met while writing into the mapped
  // output buffer; 0 when none.
  virtual uint32_t GetLastInPageError() const;

  // True when this object made `folder` before, or makes it now (then it is
  // remembered and reported once).
  bool CreateDirectory(const base::FilePath& folder);

 private:
  // The archive's file handle; null when none is open.
  void* archive_ = nullptr;
  std::set<base::FilePath> created_folders_;
  uint32_t last_in_page_error_ = 0;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_LZMA_UTIL_LZMA_UTIL_H_
