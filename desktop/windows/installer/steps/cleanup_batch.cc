// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/cleanup_batch.h"

#include <windows.h>

#include <limits>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"

namespace velta {
namespace {

// Switches the script to UTF-8 for the lines that follow it.
constexpr char kUtf8Line[] = "chcp 65001 >nul\n";

// The path between double quotes, each "%" doubled.
std::wstring QuotedPath(const base::FilePath& path) {
  std::wstring quoted = L"\"";
  for (wchar_t c : path.value()) {
    if (c == L'%')
      quoted += L'%';
    quoted += c;
  }
  return quoted + L"\"";
}

}  // namespace

std::string EncodeCleanupBatchText(const std::wstring& text, uint32_t code_page) {
  // A console already in UTF-8 reads the script so.
  if (text.empty() || code_page == CP_UTF8)
    return base::WideToUTF8(text);
  if (text.size() < static_cast<size_t>(std::numeric_limits<int>::max())) {
    // Without WC_NO_BEST_FIT_CHARS an L with stroke would become a plain "L"
    // and name another file. Code pages that refuse the flags
    // (ERROR_INVALID_PARAMETER) get the UTF-8 form.
    const int length = static_cast<int>(text.size());
    BOOL used_default = FALSE;
    const int size = ::WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, text.data(), length,
                                           nullptr, 0, nullptr, &used_default);
    if (size > 0 && !used_default) {
      std::string encoded(static_cast<size_t>(size), '\0');
      if (::WideCharToMultiByte(code_page, WC_NO_BEST_FIT_CHARS, text.data(), length,
                                encoded.data(), size, nullptr, &used_default) == size &&
          !used_default) {
        return encoded;
      }
    }
  }
  return kUtf8Line + base::WideToUTF8(text);
}

std::string MakeCleanupBatchText(const CleanupBatch& batch, uint32_t code_page) {
  struct Watched {
    const wchar_t* label;
    uint32_t pid;
  };
  std::vector<Watched> watched = {{L"PID1", batch.writer_pid}};
  if (batch.initial_pid)
    watched.push_back({L"PID2", batch.initial_pid});
  if (batch.parent_pid)
    watched.push_back({L"PID3", batch.parent_pid});

  std::wstring text;
  for (const Watched& w : watched)
    text += std::wstring(L"SET ") + w.label + L"_RUNNING=TRUE\n";
  text += L":again\n";
  for (const Watched& w : watched) {
    text += std::wstring(L"IF %") + w.label + L"_RUNNING%==TRUE (\n";
    text += L"TASKLIST /FI \"PID eq " + std::to_wstring(w.pid) + L"\" | FIND /c /i \".exe\"\n";
    text += std::wstring(L"IF ERRORLEVEL 1 SET ") + w.label + L"_RUNNING=FALSE\n";
    text += L")\n";
  }
  text += L"ping -n 2 127.0.0.1\n";
  for (const Watched& w : watched)
    text += std::wstring(L"IF %") + w.label + L"_RUNNING%==TRUE GOTO :again\n";
  for (const base::FilePath& file : batch.files)
    text += L"del " + QuotedPath(file) + L"\n";
  for (const base::FilePath& folder : batch.folders)
    text += L"rmdir " + QuotedPath(folder) + L"\n";
  text += L"del %0\n";
  return EncodeCleanupBatchText(text, code_page);
}

bool WriteCleanupBatch(const base::FilePath& folder, const CleanupBatch& batch) {
  const std::string text = MakeCleanupBatchText(batch, ::GetOEMCP());
  const base::FilePath path = folder.Append(kCleanupBatchName);
  if (text.size() >= static_cast<size_t>(std::numeric_limits<int>::max()) ||
      !base::WriteFile(path, text)) {
    LOG(ERROR) << "Cannot write the clean-up script " << path.value();
    return false;
  }
  return true;
}

}  // namespace velta
