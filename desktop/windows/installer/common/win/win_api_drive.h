// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_DRIVE_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_DRIVE_H_

#include <stdint.h>
// Included here for GetDriveType, which <windows.h> renames to GetDriveTypeW:
// every user must see the same name.
#include <windows.h>

#include <memory>

#include "base/files/file_path.h"

namespace velta {

// One logical drive, named by its letter. Asks Windows each time; virtual so
// that a fake can answer for drives the machine does not have. Owned by the
// caller; callable from any thread.
class WinApiDrive {
 public:
  // `letter` is an upper-case drive letter, "A" to "Z".
  explicit WinApiDrive(wchar_t letter);
  WinApiDrive(const WinApiDrive&) = delete;
  WinApiDrive& operator=(const WinApiDrive&) = delete;
  virtual ~WinApiDrive();

  // Whether the drive holds a medium: the storage check of the volume
  // succeeds or reports that the medium was changed. False when the volume
  // cannot be opened or the check fails otherwise (Wine does not support the
  // check, so there it is always false).
  virtual bool IsMediaPresent() const;
  // GetDriveTypeW of the root: DRIVE_FIXED, DRIVE_REMOVABLE, DRIVE_CDROM,
  // DRIVE_NO_ROOT_DIR, ...
  virtual unsigned int GetDriveType() const;
  // "X:\".
  virtual base::FilePath GetRootPath() const;
  // The whole megabytes (1048576 bytes) the current user may still write on
  // the drive, the fraction dropped; 0 when the drive cannot be asked.
  virtual uint64_t GetFreeMegabytes() const;

  wchar_t letter() const { return letter_; }

  // How IsMediaPresent reads the storage check's answer: `succeeded`, or the
  // error it failed with.
  static bool IsMediaPresentResult(bool succeeded, unsigned long error);

 private:
  const wchar_t letter_;
};

// The logical drives that a bit mask names (bit 0 "A" to bit 25 "Z"), handed
// out in letter order. The real list comes from GetLogicalDrives; tests make
// one from any mask. Owned by the caller; use on one sequence.
class WinApiDriveList {
 public:
  explicit WinApiDriveList(uint32_t drive_mask);
  WinApiDriveList(const WinApiDriveList&) = delete;
  WinApiDriveList& operator=(const WinApiDriveList&) = delete;
  virtual ~WinApiDriveList();

  // The next drive whose bit is set, up to "Z", or null when none is left.
  virtual std::unique_ptr<WinApiDrive> TakeDrive();

 protected:
  // Makes the drive object for `letter`; fakes return their own.
  virtual std::unique_ptr<WinApiDrive> CreateDrive(wchar_t letter);

 private:
  const uint32_t drive_mask_;
  // The last letter handed out; starts before "A".
  wchar_t last_letter_ = L'A' - 1;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_WIN_WIN_API_DRIVE_H_
