// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_STEPS_CLEANUP_BATCH_H_
#define DESKTOP_WINDOWS_INSTALLER_STEPS_CLEANUP_BATCH_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "base/files/file_path.h"

namespace velta {

// The file name of the uninstall clean-up script in the install folder.
inline constexpr wchar_t kCleanupBatchName[] = L"k.bat";

// What the uninstall clean-up script does: wait until up to three processes
// have ended, then delete the files and remove the folders in list order,
// then delete itself.
struct CleanupBatch {
  // The process that writes the script.
  uint32_t writer_pid = 0;
  // The main process, or 0 when unknown.
  uint32_t initial_pid = 0;
  // The backend that started an elevated run, or 0 when unknown.
  uint32_t parent_pid = 0;
  std::vector<base::FilePath> files = {};
  std::vector<base::FilePath> folders = {};
};

// The script's text: narrow, one command per line, each ended by a line
// feed. A "%" in a path is doubled, since cmd would read it as the start of a
// variable and delete the wrong file or none. cmd reads a script in the
// console's code page, so the text is in `code_page` when every character
// converts to it exactly; otherwise it starts with "chcp 65001 >nul" and the
// rest is UTF-8, so that no path is turned into another one.
std::string MakeCleanupBatchText(const CleanupBatch& batch, uint32_t code_page);

// `text` in `code_page` (UTF-8 for CP_UTF8), or "chcp 65001 >nul" and `text`
// in UTF-8 when some character has no exact counterpart there (best-fit
// look-alikes count as none) or the code page cannot be asked.
std::string EncodeCleanupBatchText(const std::wstring& text, uint32_t code_page);

// Writes the script into `folder` as k.bat, in the OEM code page when its
// paths allow it, replacing one already there. False, with a log line, when it
// cannot be written whole.
bool WriteCleanupBatch(const base::FilePath& folder, const CleanupBatch& batch);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_STEPS_CLEANUP_BATCH_H_
