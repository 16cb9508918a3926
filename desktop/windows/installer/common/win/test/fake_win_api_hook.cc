// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/win/test/fake_win_api_hook.h"

#include <stdint.h>

#include <memory>
#include <string_view>

#include "base/files/file_path.h"
#include "base/process_wide.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_split.h"
#include "base/strings/string_util.h"
#include "desktop/windows/installer/common/win/test/fake_hooks.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"

namespace velta::test {
namespace {

FakeWinApi* g_installed_fake_win_api = nullptr;

// A whole non-negative number, decimal or with "0x" in hex.
bool ParseNumber(const std::string& text, uint32_t* number) {
  if (text.empty() || !base::IsAsciiDigit(text[0]))
    return false;
  if (base::StartsWith(text, "0x", base::CompareCase::INSENSITIVE_ASCII))
    return base::HexStringToUInt(text, number);
  unsigned decimal = 0;
  if (!base::StringToUint(text, &decimal))
    return false;
  *number = decimal;
  return true;
}

bool Apply(const std::string& key, const std::string& value, FakeWinApi* fake) {
  uint32_t number = 0;
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
    if (value.empty())
      return false;
    bool answer = false;
    for (const std::string& piece :
         base::SplitString(value, ",", base::KEEP_WHITESPACE, base::SPLIT_WANT_ALL)) {
      if (!ParseYesNo(piece, &answer))
        return false;
      fake->QueueMessageBoxAnswer(answer);
    }
    fake->set_default_message_box_answer(answer);
    return true;
  }
  if (key == "drives") {
    if (!ParseNumber(value, &number) || number >= (1u << 26))
      return false;
    fake->SetDriveMask(number);
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
  for (std::string_view piece :
       base::SplitStringPiece(settings, ";", base::KEEP_WHITESPACE, base::SPLIT_WANT_NONEMPTY)) {
    const size_t equals = piece.find('=');
    if (equals == std::string_view::npos || equals == 0) {
      *error = "setting \"" + std::string(piece) + "\" is not key=value";
      return false;
    }
    pairs->emplace_back(piece.substr(0, equals), piece.substr(equals + 1));
  }
  return true;
}

bool ParseYesNo(const std::string& text, bool* yes) {
  if (text != "yes" && text != "no")
    return false;
  *yes = text == "yes";
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
  new base::ProcessWide<WinApi>::ScopedOverride(g_installed_fake_win_api);
  return true;
}

FakeWinApi* GetInstalledFakeWinApi() {
  return g_installed_fake_win_api;
}

}  // namespace velta::test
