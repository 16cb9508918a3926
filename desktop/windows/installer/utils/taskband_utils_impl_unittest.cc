// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/taskband_utils_impl.h"

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/registry_sandbox.h"
#include "base/test/scoped_log_collector.h"
#include "base/test/scoped_path_override.h"
#include "base/time/time.h"
#include "base/win/registry.h"
#include "base/win/scoped_handle.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/shortcut.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/test/fake_win_api.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;
using testing::UnorderedElementsAre;

class TaskbandUtilsImplTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    pins_ = dir_.GetPath().Append(L"TaskBar");
    ASSERT_TRUE(base::CreateDirectory(pins_));
    pins_override_.emplace(base::DIR_TASKBAR_PINS, pins_);
    install_ = dir_.GetPath().Append(L"Velta marlin");
    ASSERT_TRUE(base::CreateDirectory(install_));
    launcher_ = install_.Append(L"launcher.exe");
    ASSERT_TRUE(base::WriteFile(launcher_, "MZ", 2));
  }

  // A shortcut in the pins folder (or `folder`) to `target`.
  base::FilePath Pin(const std::wstring& name, const base::FilePath& target,
                     const base::FilePath& folder = base::FilePath()) {
    base::win::ShortcutProperties properties;
    properties.set_target(target);
    properties.set_app_id(L"VeltaSoftware.VeltaWebBrowser.abc");
    const base::FilePath path = (folder.empty() ? pins_ : folder).Append(name);
    EXPECT_TRUE(base::win::CreateOrUpdateShortcutLink(path, properties,
                                                      base::win::SHORTCUT_CREATE_ALWAYS));
    return path;
  }

  std::vector<base::FilePath> Find(const base::FilePath& target, const std::wstring& suffix,
                                   const BY_HANDLE_FILE_INFORMATION* identity = nullptr) {
    std::vector<base::FilePath> pins;
    TaskbandUtilsImpl().FindPinnedShortcuts(target, suffix, identity, &pins);
    return pins;
  }

  base::win::ScopedCOMInitializer com_;
  base::ScopedTempDir dir_;
  base::FilePath pins_;
  std::optional<base::ScopedPathOverride> pins_override_;
  base::FilePath install_;
  base::FilePath launcher_;
};

TEST_F(TaskbandUtilsImplTest, FindsOnlyShortcutsOfTheFolderThatStartTheTarget) {
  const base::FilePath ours = Pin(L"Velta.lnk", launcher_);
  // The same target spelled in other letter case.
  const base::FilePath upper =
      Pin(L"Upper.lnk", base::FilePath(base::ToUpperASCII(launcher_.value())));
  Pin(L"Other.lnk", install_.Append(L"other.exe"));
  // Not a shortcut by name, and one in a sub-folder: neither is looked at.
  ASSERT_TRUE(base::CopyFile(ours, pins_.Append(L"Velta.lnk.bak")));
  const base::FilePath nested = pins_.Append(L"ImplicitAppShortcuts");
  ASSERT_TRUE(base::CreateDirectory(nested));
  Pin(L"Nested.lnk", launcher_, nested);
  EXPECT_THAT(Find(launcher_, L""), UnorderedElementsAre(ours, upper));
}

TEST_F(TaskbandUtilsImplTest, FindsThePinOfTheSameFileThroughAnotherPathWithItsIdentity) {
  // A hard link is the same file under another name.
  const base::FilePath alias = install_.Append(L"alias.exe");
  ASSERT_TRUE(::CreateHardLinkW(alias.value().c_str(), launcher_.value().c_str(), nullptr));
  const base::FilePath pin = Pin(L"Alias.lnk", alias);
  EXPECT_THAT(Find(launcher_, L""), IsEmpty());
  BY_HANDLE_FILE_INFORMATION identity = {};
  ASSERT_TRUE(GetFileInformationForPath(launcher_, &identity));
  EXPECT_THAT(Find(launcher_, L"", &identity), ElementsAre(pin));
}

// Wine does not save a shortcut's app id (its property store cannot even be
// read), so a suffix matches nothing there. On Windows the app id above ends with "abc".
TEST_F(TaskbandUtilsImplTest, AnAppIdSuffixMustEndTheShortcutsAppId) {
  Pin(L"Velta.lnk", launcher_);
  base::win::ShortcutProperties read;
  const bool app_id_saved =
      base::win::ResolveShortcutProperties(pins_.Append(L"Velta.lnk"),
                                           base::win::ShortcutProperties::PROPERTIES_APP_ID,
                                           &read) &&
      !read.app_id.empty();
  EXPECT_EQ(app_id_saved ? 1u : 0u, Find(launcher_, L".ABC").size());
  EXPECT_THAT(Find(launcher_, L".abc1"), IsEmpty());
}

TEST_F(TaskbandUtilsImplTest, NothingWithoutThePinsFolderOrBeforeWindows7) {
  const base::FilePath pin = Pin(L"Velta.lnk", launcher_);
  {
    FakeWinApi fake;
    fake.SetWindowsVersion(base::win::VERSION_VISTA);
    base::ProcessWide<WinApi>::ScopedOverride override_win_api(&fake);
    EXPECT_THAT(Find(launcher_, L""), IsEmpty());
  }
  EXPECT_THAT(Find(launcher_, L""), ElementsAre(pin));
  ASSERT_TRUE(base::DeletePathRecursively(pins_));
  EXPECT_THAT(Find(launcher_, L""), IsEmpty());
}

// A band check value `days` ago.
std::wstring DaysAgo(int64_t days) {
  const base::Time then = base::Time::Now() - base::TimeDelta::FromDays(days);
  return std::to_wstring(then.ToDeltaSinceWindowsEpoch().InMicroseconds());
}

// The time of the last pin, as the band check value holds it.
class RepinTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(user_.is_valid());
    user_override_.emplace(HKEY_CURRENT_USER, user_);
    ASSERT_TRUE(user_override_->is_valid());
  }
  void TearDown() override { user_override_.reset(); }

  static std::wstring ValueName() {
    return base::UTF8ToWide(GetChannelName()) + L" Last Band Check";
  }
  static std::wstring Read() {
    base::win::RegKey key(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(), KEY_QUERY_VALUE);
    std::wstring value;
    key.ReadValue(ValueName().c_str(), &value);
    return value;
  }
  static void Write(const std::wstring& value) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS,
              key.Create(HKEY_CURRENT_USER, GetCompanyRegistryPath().c_str(), KEY_SET_VALUE));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(ValueName().c_str(), value.c_str()));
  }

  test::RegistrySandbox user_;
  std::optional<test::ScopedRegistryRootOverride> user_override_;
};

struct RepinCase {
  const char* name;
  // The stored value, or null for none.
  std::optional<std::wstring> stored;
  bool due;
  // The value is replaced by the present time.
  bool replaced;
};

class ShouldRepinTest : public RepinTest, public testing::WithParamInterface<RepinCase> {};

TEST_P(ShouldRepinTest, RepinsAfter182Days) {
  const RepinCase& c = GetParam();
  if (c.stored)
    Write(*c.stored);
  const int64_t before = base::Time::Now().ToDeltaSinceWindowsEpoch().InMicroseconds();
  EXPECT_EQ(c.due, TaskbandUtilsImpl::ShouldRepin());
  if (c.replaced) {
    int64_t stored = 0;
    ASSERT_TRUE(base::StringToInt64(Read(), &stored)) << Read();
    EXPECT_GE(stored, before);
  } else {
    EXPECT_EQ(*c.stored, Read());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    ShouldRepinTest,
    testing::Values(RepinCase{"Missing", std::nullopt, false, true},
                    RepinCase{"NotANumber", L"soon", false, true},
                    RepinCase{"Zero", L"0", false, true},
                    RepinCase{"InTheFuture", L"99999999999999999", false, true},
                    RepinCase{"181DaysAgo", DaysAgo(181), false, false},
                    RepinCase{"182DaysAgo", DaysAgo(182), true, false}),
    [](const auto& info) { return info.param.name; });

// From Windows 10 on the helper pins: a copy named explorer.exe in the
// temporary folder, gone again afterwards whatever the outcome.
class HelperPinTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    temp_ = dir_.GetPath().Append(L"temp");
    helpers_ = dir_.GetPath().Append(L"helpers");
    ASSERT_TRUE(base::CreateDirectory(temp_));
    ASSERT_TRUE(base::CreateDirectory(helpers_));
    temp_override_.emplace(base::DIR_TEMP, temp_);
    win_api_.SetWindowsVersion(base::win::VERSION_WIN10);
    win_api_.SetOsArchitecture(base::win::OSInfo::X64_ARCHITECTURE);
    shortcut_ = dir_.GetPath().Append(L"Velta.lnk");
    ASSERT_TRUE(base::WriteFile(shortcut_, "lnk"));
  }

  void PutHelper(const std::string& kind) {
    const base::FilePath helper = helpers_.Append(L"installer_helper_64.exe");
    if (kind == "program") {
      ASSERT_TRUE(base::CopyFile(
          test::FromBuildPath(VELTA_TEST_SIGNED_FILES).Append(L"unsigned.exe"), helper));
    } else if (kind == "stuck") {
      ASSERT_TRUE(base::CopyFile(test::FromBuildPath(VELTA_STUCK_HELPER), helper));
    } else if (kind == "text") {
      ASSERT_TRUE(base::WriteFile(helper, "not a program"));
    }
  }

  base::ScopedTempDir dir_;
  base::FilePath temp_;
  base::FilePath helpers_;
  base::FilePath shortcut_;
  std::optional<base::ScopedPathOverride> temp_override_;
  FakeWinApi win_api_;
  base::ProcessWide<WinApi>::ScopedOverride win_api_override_{&win_api_};
};

TEST_F(HelperPinTest, PinsThroughTheHelperCopy) {
  TaskbandUtilsImpl taskband;
  // No helper: nothing to copy.
  EXPECT_FALSE(taskband.Pin(helpers_, shortcut_, TaskbandUtils::PinMode::kPin));
  EXPECT_FALSE(taskband.PinToStart(helpers_, shortcut_));
  // A helper that cannot run.
  PutHelper("text");
  EXPECT_FALSE(taskband.Pin(helpers_, shortcut_, TaskbandUtils::PinMode::kPin));
  EXPECT_FALSE(base::PathExists(temp_.Append(L"explorer.exe")));
  // A helper that answers 0, also with a stale copy in the way.
  PutHelper("program");
  ASSERT_TRUE(base::WriteFile(temp_.Append(L"explorer.exe"), "stale"));
  EXPECT_TRUE(taskband.Pin(helpers_, shortcut_, TaskbandUtils::PinMode::kPin));
  EXPECT_FALSE(base::PathExists(temp_.Append(L"explorer.exe")));
  EXPECT_TRUE(taskband.PinToStart(helpers_, shortcut_));
  // Before Windows 10 nothing pins to Start.
  win_api_.SetWindowsVersion(base::win::VERSION_WIN8_1);
  EXPECT_FALSE(taskband.PinToStart(helpers_, shortcut_));
}

// A helper that cannot pin its shortcut and waits for something that does
// not come is ended once its time is up: the pin fails with one log line,
// and nothing of the helper is left running.
struct StuckHelperCase {
  const char* name;
  bool to_start;
  // Where the helper runs, under the test's folder.
  const wchar_t* runs_as;
};

class StuckHelperTest : public HelperPinTest,
                        public testing::WithParamInterface<StuckHelperCase> {};

TEST_P(StuckHelperTest, IsEndedOnceItsTimeIsUp) {
  const StuckHelperCase& c = GetParam();
  PutHelper("stuck");
  TaskbandUtilsImpl taskband(base::TimeDelta::FromSeconds(2));
  base::test::ScopedLogCollector log(logging::LOG_ERROR);
  const bool pinned = c.to_start ? taskband.PinToStart(helpers_, shortcut_)
                                 : taskband.Pin(helpers_, shortcut_, TaskbandUtils::PinMode::kPin);
  EXPECT_FALSE(pinned);
  EXPECT_THAT(log.lines, ElementsAre("The helper did not end within 2 s: ended it"));
  // The helper held this file open without sharing while it ran.
  const base::FilePath held(dir_.GetPath().Append(c.runs_as).value() + L".held");
  ASSERT_TRUE(base::PathExists(held));
  base::win::ScopedHandle free(::CreateFileW(held.value().c_str(), GENERIC_WRITE, 0, nullptr,
                                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_TRUE(free.IsValid()) << ::GetLastError();
  EXPECT_FALSE(base::PathExists(temp_.Append(L"explorer.exe")));
}

INSTANTIATE_TEST_SUITE_P(
    Pins,
    StuckHelperTest,
    testing::Values(StuckHelperCase{"Taskbar", false, L"temp\\explorer.exe"},
                    StuckHelperCase{"Start", true, L"helpers\\installer_helper_64.exe"}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace velta
