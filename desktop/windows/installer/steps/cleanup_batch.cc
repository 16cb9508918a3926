// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/steps/cleanup_batch.h"

#include <limits>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"

namespace velta {
namespace {

// The path in UTF-8 between double quotes, each "%" doubled.
std::string QuotedPath(const base::FilePath& path) {
  std::string quoted = "\"";
  for (char c : base::WideToUTF8(path.value())) {
    if (c == '%')
      quoted += '%';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

std::string MakeCleanupBatchText(const CleanupBatch& batch) {
  struct Watched {
    const char* label;
    uint32_t pid;
  };
  std::vector<Watched> watched = {{"PID1", batch.writer_pid}};
  if (batch.initial_pid)
    watched.push_back({"PID2", batch.initial_pid});
  if (batch.parent_pid)
    watched.push_back({"PID3", batch.parent_pid});

  std::string text;
  for (const Watched& w : watched)
    text += std::string("SET ") + w.label + "_RUNNING=TRUE\n";
  text += ":again\n";
  for (const Watched& w : watched) {
    text += std::string("IF %") + w.label + "_RUNNING%==TRUE (\n";
    text += "TASKLIST /FI \"PID eq " + std::to_string(w.pid) + "\" | FIND /c /i \".exe\"\n";
    text += std::string("IF ERRORLEVEL 1 SET ") + w.label + "_RUNNING=FALSE\n";
    text += ")\n";
  }
  text += "ping -n 2 127.0.0.1\n";
  for (const Watched& w : watched)
    text += std::string("IF %") + w.label + "_RUNNING%==TRUE GOTO :again\n";
  for (const base::FilePath& file : batch.files)
    text += "del " + QuotedPath(file) + "\n";
  for (const base::FilePath& folder : batch.folders)
    text += "rmdir " + QuotedPath(folder) + "\n";
  text += "del %0\n";
  return text;
}

bool WriteCleanupBatch(const base::FilePath& folder, const CleanupBatch& batch) {
  const std::string text = MakeCleanupBatchText(batch);
  const base::FilePath path = folder.Append(kCleanupBatchName);
  if (text.size() >= static_cast<size_t>(std::numeric_limits<int>::max()) ||
      !base::WriteFile(path, text)) {
    LOG(ERROR) << "Cannot write the clean-up script " << path.value();
    return false;
  }
  return true;
}

}  // namespace velta
