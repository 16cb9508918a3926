// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/installer_main.h"

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "base/at_exit.h"
#include "base/base_paths.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/common/exit_codes.h"
#include "desktop/windows/installer/common/installer_error.h"
#include "desktop/windows/installer/common/product_constants.h"
#include "desktop/windows/installer/runnable_folder.h"

namespace velta {
namespace {

constexpr char kVersionSwitch[] = "version";
constexpr char kInternalVersionSwitch[] = "internal-version";
constexpr char kStreamSwitch[] = "stream";
constexpr char kVerbositySwitch[] = "v";
constexpr wchar_t kVerbosityVariable[] = L"VELTA_INSTALLER_VERBOSITY";

// printf-style output to standard output. A GUI program has no console; its
// output still reaches a parent that captures it through a pipe.
void ConsolePrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vfprintf(stdout, format, args);
  va_end(args);
  fflush(stdout);
}

// Applies VELTA_INSTALLER_VERBOSITY (a whole number from 0 to 9) as the `v`
// switch when that switch is absent.
void ApplyVerbosityVariable(base::CommandLine* command_line) {
  if (command_line->HasSwitch(kVerbositySwitch))
    return;
  wchar_t value[16];
  const DWORD length = ::GetEnvironmentVariableW(kVerbosityVariable, value, 16);
  if (length == 0 || length >= 16)
    return;
  const std::wstring text(value, length);
  if (text.size() != 1 || !base::IsAsciiDigit(text[0]))
    return;
  command_line->AppendSwitchNative(kVerbositySwitch, text);
}

// The log file: "velta_installer_<date and time>.log" in the "Velta Installer"
// folder of the temporary folder, or in the current directory when that folder
// cannot be had.
base::FilePath GetLogFilePath() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  char suffix[64];
  snprintf(suffix, sizeof(suffix), "_%02d%02d%02d%02d%02d%02d%03d.log", now.wYear, now.wMonth,
           now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  const std::wstring name =
      base::UTF8ToWide(FormatWithProductName("%s_installer", true) + suffix);

  base::FilePath folder;
  if (!PrepareRunnableFolderAt(GetInstallerFolderName(), base::FilePath(), &folder,
                               base::DIR_TEMP)) {
    return base::FilePath(name);
  }
  return folder.Append(name);
}

void InitInstallerLogging() {
  const base::FilePath log_file = GetLogFilePath();
  logging::LoggingSettings settings;
  settings.logging_dest = logging::LOG_TO_FILE;
  settings.log_file_path = log_file.value().c_str();
  settings.lock_log = logging::LOCK_LOG_FILE;
  settings.delete_old = logging::DELETE_OLD_LOG_FILE;
  logging::InitLogging(settings);
}

uint32_t RunInstallerRole(const base::CommandLine& command_line) {
  LOG(INFO) << FormatWithProductName("%s installer starting - version ", false)
            << GetProductVersion() << " " << GetChannelName();
  LOG(INFO) << "Command line: " << command_line.GetCommandLineString();

  // The roles and their controllers are not part of this build yet: say so
  // rather than pretend success.
  LOG(ERROR) << "The requested installer role is not available in this build";
  return kInstallerResultNoResult;
}

}  // namespace
}  // namespace velta

uint32_t RunInstaller() {
  using velta::ConsolePrintf;
  base::CommandLine::Init(0, nullptr);
  base::CommandLine* command_line = base::CommandLine::ForCurrentProcess();

  // Answered before anything else is set up.
  if (command_line->HasSwitch(velta::kVersionSwitch)) {
    ConsolePrintf("%s", velta::GetProductVersion().c_str());
    return 0;
  }
  if (command_line->HasSwitch(velta::kInternalVersionSwitch)) {
    ConsolePrintf("%s", velta::GetInternalVersion().c_str());
    return 0;
  }
  if (command_line->HasSwitch(velta::kStreamSwitch)) {
    ConsolePrintf("%s", velta::GetChannelName().c_str());
    return 0;
  }

  uint32_t result;
  {
    // Destroyed last: runs the at-exit tasks of everything made below.
    base::AtExitManager at_exit_manager;
    base::win::ScopedCOMInitializer com_initializer;
    velta::ScopedInstallerErrorRecord error_record;

    velta::ApplyVerbosityVariable(command_line);
    velta::InitInstallerLogging();

    result = velta::RunInstallerRole(*command_line);
  }
  return velta::InstallerResultToExitCode(result);
}
