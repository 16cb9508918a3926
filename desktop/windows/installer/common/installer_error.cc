// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/installer_error.h"

#include <memory>

namespace velta {
namespace {

// The calling thread's record; destroyed with the thread if it was not
// destroyed before.
std::unique_ptr<InstallerError>& ThreadRecord() {
  thread_local std::unique_ptr<InstallerError> record;
  return record;
}

}  // namespace

void CreateInstallerErrorRecord() {
  ThreadRecord() = std::make_unique<InstallerError>();
}

void DestroyInstallerErrorRecord() {
  ThreadRecord().reset();
}

bool SetInstallerError(uint32_t code, const std::string& detail, const std::wstring& text) {
  InstallerError* record = ThreadRecord().get();
  if (!record)
    return false;
  record->code = code;
  record->detail = detail;
  record->text = text;
  return false;
}

bool AppendInstallerError(const std::string& detail, uint32_t code, const std::wstring& text) {
  InstallerError* record = ThreadRecord().get();
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
  const InstallerError* record = ThreadRecord().get();
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
  const InstallerError* record = ThreadRecord().get();
  return record ? record->code : 0;
}

}  // namespace velta
