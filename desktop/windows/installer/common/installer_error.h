// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_ERROR_H_
#define DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_ERROR_H_

#include <stdint.h>

#include <string>

namespace velta {

// The last error that the code of one thread wants to show the user. Deep code
// sets or extends it and returns false; the controller, the window or the
// runner reads it when it decides what to report. Each thread that needs one
// makes its own record: RunInstaller for the main thread, the package fetch for
// its thread. Records are never shared, so they need no lock.
struct InstallerError {
  uint32_t code = 0;
  // The message for the user (may be empty).
  std::wstring text;
  // Technical detail for logs; appended parts are separated by a line feed.
  std::string detail;
};

// Makes an empty record for the calling thread (replacing one it had).
void CreateInstallerErrorRecord();
// Destroys the calling thread's record.
void DestroyInstallerErrorRecord();

// Replaces code, detail and text. Returns false, so that a failing function
// can `return SetInstallerError(...)`. Does nothing on a thread without a
// record.
bool SetInstallerError(uint32_t code, const std::string& detail, const std::wstring& text);

// Extends the record: the code is replaced when `code` is non-zero, the text
// when `text` is non-empty; the detail always gains a line feed and `detail`
// (so a first append starts the detail with a line feed). Returns false. Does
// nothing on a thread without a record.
bool AppendInstallerError(const std::string& detail, uint32_t code, const std::wstring& text);

// Copies the record out; any pointer may be null. On a thread without a
// record: code 0 and empty texts.
void GetInstallerError(uint32_t* code, std::string* detail, std::wstring* text);
uint32_t GetInstallerErrorCode();
std::string GetInstallerErrorDetail();

// Makes a record for the current scope and destroys it at the end: for
// threads that start and end in one function.
class ScopedInstallerErrorRecord {
 public:
  ScopedInstallerErrorRecord() { CreateInstallerErrorRecord(); }
  ScopedInstallerErrorRecord(const ScopedInstallerErrorRecord&) = delete;
  ScopedInstallerErrorRecord& operator=(const ScopedInstallerErrorRecord&) = delete;
  ~ScopedInstallerErrorRecord() { DestroyInstallerErrorRecord(); }
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_COMMON_INSTALLER_ERROR_H_
