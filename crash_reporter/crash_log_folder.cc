// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_log_folder.h"

#include <ctype.h>
#include <stdio.h>
#include <windows.h>

#include <atomic>

#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/no_destructor.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/crash_environment.h"
#include "desktop/windows/installer/common/product/product_constants.h"

namespace velta {
namespace {

constexpr char kUserDataDirSwitch[] = "user-data-dir";
// The base library's key of the user data folder.
constexpr int kUserDataDirKey = 1002;

std::atomic<uint32_t> g_dump_sequence{0};

base::FilePath& CrashLogDirectory() {
  static base::NoDestructor<base::FilePath> path;
  return *path;
}
base::FilePath& ReporterCrashCountFile() {
  static base::NoDestructor<base::FilePath> path;
  return *path;
}
base::FilePath& LocalStateFile() {
  static base::NoDestructor<base::FilePath> path;
  return *path;
}

}  // namespace

bool InitCrashLogDirectory() {
  if (base::CommandLine::InitializedForCurrentProcess()) {
    const base::FilePath user_data =
        base::CommandLine::ForCurrentProcess()->GetSwitchValuePath(kUserDataDirSwitch);
    if (!user_data.empty() &&
        (base::DirectoryExists(user_data) || base::CreateDirectory(user_data))) {
      base::PathService::OverrideAndCreateIfNeeded(
          kUserDataDirKey, base::MakeAbsoluteFilePath(user_data), true, false);
    }
  }

  ReporterCrashCountFile().clear();
  LocalStateFile().clear();
  base::PathService::Get(kReporterCrashCountFileKey, &ReporterCrashCountFile());
  base::PathService::Get(kLocalStateFileKey, &LocalStateFile());

  CrashLogDirectory().clear();
  const std::string from_environment = GetEnvironmentUtf8(GetCrashEnvVarName("CRASH_LOG_DIR"));
  if (!from_environment.empty()) {
    const base::FilePath folder(base::UTF8ToWide(from_environment));
    if (base::CreateDirectory(folder)) {
      CrashLogDirectory() = folder;
      return true;
    }
  }
  base::FilePath temp;
  if (!base::GetTempDir(&temp))
    return false;
  CrashLogDirectory() = temp.StripTrailingSeparators();
  return true;
}

const base::FilePath& GetCrashLogDirectory() {
  return CrashLogDirectory();
}

const base::FilePath& GetReporterCrashCountFile() {
  return ReporterCrashCountFile();
}

const base::FilePath& GetLocalStateFile() {
  return LocalStateFile();
}

uint32_t NextDumpSequenceNumber() {
  return g_dump_sequence.fetch_add(1) + 1;
}

std::string MakeDumpFileName(uint32_t sequence) {
  std::string word = GetBrandName();
  for (char& c : word)
    c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  char name[128];
  snprintf(name, sizeof(name), "%s-crashlog-%ld-%u%s", word.c_str(),
           static_cast<long>(::GetCurrentProcessId()), sequence, ".dmp");
  return name;
}

}  // namespace velta
