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
#include "base/strings/string_util.h"
#include "base/test/scoped_path_override.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/shortcut.h"
#include "desktop/windows/installer/common/fake_win_api.h"
#include "desktop/windows/installer/common/process_wide.h"
#include "desktop/windows/installer/common/utils.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

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
    ProcessWide<WinApi>::ScopedOverride override_win_api(&fake);
    EXPECT_THAT(Find(launcher_, L""), IsEmpty());
  }
  EXPECT_THAT(Find(launcher_, L""), ElementsAre(pin));
  ASSERT_TRUE(base::DeletePathRecursively(pins_));
  EXPECT_THAT(Find(launcher_, L""), IsEmpty());
}

}  // namespace
}  // namespace velta
