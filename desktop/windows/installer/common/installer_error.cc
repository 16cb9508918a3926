// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/installer_error.h"

namespace velta {
namespace {

// The calling thread's record. A plain pointer on purpose: i686 MinGW calls
// the destructors of thread_local objects with the wrong calling convention
// (seen as a page fault in ntdll at thread exit under Wine), so nothing with a
// destructor lives in thread-local storage. A thread that ends without
// destroying its record leaks it.
InstallerError*& ThreadRecord() {
  thread_local InstallerError* record = nullptr;
  return record;
}

}  // namespace

void CreateInstallerErrorRecord() {
  delete ThreadRecord();
  ThreadRecord() = new InstallerError();
}

void DestroyInstallerErrorRecord() {
  delete ThreadRecord();
  ThreadRecord() = nullptr;
}

bool SetInstallerError(uint32_t code, const std::string& detail, const std::wstring& text) {
  InstallerError* record = ThreadRecord();
  if (!record)
    return false;
  record->code = code;
  record->detail = detail;
  record->text = text;
  return false;
}

bool AppendInstallerError(const std::string& detail, uint32_t code, const std::wstring& text) {
  InstallerError* record = ThreadRecord();
  if (!record)
    return false;
  if (code != 0)
    record->code = code;
  if (!text.empty())
    record->text = text;
  record->detail += "\n";
  record->detail += detail;
  return false;
}

void GetInstallerError(uint32_t* code, std::string* detail, std::wstring* text) {
  const InstallerError* record = ThreadRecord();
  const InstallerError empty;
  if (!record)
    record = &empty;
  if (code)
    *code = record->code;
  if (detail)
    *detail = record->detail;
  if (text)
    *text = record->text;
}

uint32_t GetInstallerErrorCode() {
  const InstallerError* record = ThreadRecord();
  return record ? record->code : 0;
}

std::string GetInstallerErrorDetail() {
  const InstallerError* record = ThreadRecord();
  return record ? record->detail : std::string();
}

}  // namespace velta
