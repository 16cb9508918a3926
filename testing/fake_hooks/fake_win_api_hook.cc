// Copyright 2026 Velta Software. All rights reserved.

#include "testing/fake_hooks/fake_win_api_hook.h"

#include <errno.h>
#include <stdlib.h>

#include <memory>

#include "base/files/file_path.h"
#include "desktop/windows/installer/common/fake_win_api.h"
#include "desktop/windows/installer/common/process_wide.h"
#include "testing/fake_hooks/fake_hooks.h"

namespace velta::test {
namespace {

FakeWinApi* g_installed_fake_win_api = nullptr;

// A whole non-negative number, decimal or with "0x" in hex.
bool ParseNumber(const std::string& text, unsigned long* number) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ')
    return false;
  char* end = nullptr;
  errno = 0;
  *number = strtoul(text.c_str(), &end, 0);
  return errno == 0 && end && *end == '\0';
}

bool ParseAnswer(const std::string& text, bool* yes) {
  if (text != "yes" && text != "no")
    return false;
  *yes = text == "yes";
  return true;
}

bool Apply(const std::string& key, const std::string& value, FakeWinApi* fake) {
  unsigned long number = 0;
  if (key == "elevation") {
    if (value == "child")
      fake->set_elevation_mode(FakeWinApi::ElevationMode::kLaunchAsChild);
    else if (value == "decline")
      fake->set_elevation_mode(FakeWinApi::ElevationMode::kDecline);
    else if (value == "real")
      fake->set_elevation_mode(FakeWinApi::ElevationMode::kReal);
    else
      return false;
    return true;
  }
  if (key == "message_box") {
    size_t start = 0;
    bool answer = false;
    while (true) {
      size_t comma = value.find(',', start);
      if (!ParseAnswer(value.substr(start, comma - start), &answer))
        return false;
      fake->QueueMessageBoxAnswer(answer);
      if (comma == std::string::npos)
        break;
      start = comma + 1;
    }
    fake->set_default_message_box_answer(answer);
    return true;
  }
  if (key == "drives") {
    if (!ParseNumber(value, &number) || number >= (1ul << 26))
      return false;
    fake->SetDriveMask(static_cast<uint32_t>(number));
    return true;
  }
  if (key == "windows_version") {
    if (!ParseNumber(value, &number) || number >= base::win::VERSION_WIN_LAST)
      return false;
    fake->SetWindowsVersion(static_cast<base::win::Version>(number));
    return true;
  }
  if (key == "os_architecture") {
    if (!ParseNumber(value, &number) || number > base::win::OSInfo::OTHER_ARCHITECTURE)
      return false;
    fake->SetOsArchitecture(static_cast<base::win::OSInfo::WindowsArchitecture>(number));
    return true;
  }
  if (key == "app_output") {
    if (value != "fail")
      return false;
    fake->set_fail_app_output(true);
    return true;
  }
  if (key == "calls_file") {
    if (value.empty())
      return false;
    fake->set_call_log_path(base::FilePath::FromUTF8Unsafe(value));
    return true;
  }
  return false;
}

}  // namespace

bool SplitFakeSettings(const std::string& settings,
                       std::vector<std::pair<std::string, std::string>>* pairs,
                       std::string* error) {
  size_t start = 0;
  while (start <= settings.size()) {
    size_t end = settings.find(';', start);
    if (end == std::string::npos)
      end = settings.size();
    std::string piece = settings.substr(start, end - start);
    start = end + 1;
    if (piece.empty())
      continue;
    size_t equals = piece.find('=');
    if (equals == std::string::npos || equals == 0) {
      *error = "setting \"" + piece + "\" is not key=value";
      return false;
    }
    pairs->emplace_back(piece.substr(0, equals), piece.substr(equals + 1));
  }
  return true;
}

bool InstallFakeWinApi(const std::string& settings, std::string* error) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (!SplitFakeSettings(settings, &pairs, error))
    return false;
  auto fake = std::make_unique<FakeWinApi>();
  for (const auto& [key, value] : pairs) {
    if (!Apply(key, value, fake.get())) {
      *error = "cannot use the setting " + key + "=" + value;
      return false;
    }
  }
  // Both live until the process ends, like the real instance.
  g_installed_fake_win_api = fake.release();
  new ProcessWide<WinApi>::ScopedOverride(g_installed_fake_win_api);
  return true;
}

FakeWinApi* GetInstalledFakeWinApi() {
  return g_installed_fake_win_api;
}

}  // namespace velta::test
