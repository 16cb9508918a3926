// Copyright 2026 Velta Software. All rights reserved.

#include "base/win/shortcut.h"

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/scoped_com_initializer.h"
#include "gtest/gtest.h"

namespace base::win {
namespace {

// Real .lnk files in a scratch folder, with targets that exist.
class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    dir_ = temp_dir_.GetPath();
    link_ = dir_.Append(L"Link.lnk");
    old_target_ = dir_.Append(L"old.exe");
    new_target_ = dir_.Append(L"new.exe");
    ASSERT_TRUE(WriteFile(old_target_, "old"));
    ASSERT_TRUE(WriteFile(new_target_, "new"));
  }

  ShortcutProperties ReadAll() {
    ShortcutProperties properties;
    EXPECT_TRUE(ResolveShortcutProperties(link_, ShortcutProperties::PROPERTIES_BASIC,
                                          &properties));
    EXPECT_EQ(ShortcutProperties::PROPERTIES_BASIC, properties.options);
    return properties;
  }

  ScopedCOMInitializer com_;
  ScopedTempDir temp_dir_;
  FilePath dir_;
  FilePath link_;
  FilePath old_target_;
  FilePath new_target_;
};

TEST_F(ShortcutTest, SavesAndResolvesEveryProperty) {
  // Longer than MAX_PATH: a fixed-size read buffer would cut it silently.
  const std::wstring arguments = L"--profile=\"" + std::wstring(400, L'p') + L"\"";
  ShortcutProperties written;
  written.set_target(new_target_);
  written.set_working_dir(dir_);
  written.set_arguments(arguments);
  written.set_description(L"Browse the web");
  written.set_icon(old_target_, 3);
  // Wine keeps no AppUserModelID in the file, so only the write road is
  // exercised here: the call must succeed and not spoil the other fields.
  written.set_app_id(L"Velta.Browser.Test");
  ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, written, SHORTCUT_CREATE_ALWAYS));

  ShortcutProperties read = ReadAll();
  EXPECT_EQ(new_target_, read.target);
  EXPECT_EQ(dir_, read.working_dir);
  EXPECT_EQ(arguments, read.arguments);
  EXPECT_EQ(L"Browse the web", read.description);
  EXPECT_EQ(old_target_, read.icon);
  EXPECT_EQ(3, read.icon_index);

  FilePath target;
  std::wstring args;
  ASSERT_TRUE(ResolveShortcut(link_, &target, &args));
  EXPECT_EQ(new_target_, target);
  EXPECT_EQ(arguments, args);
  ASSERT_TRUE(ResolveShortcut(link_, &target, nullptr));
}

TEST_F(ShortcutTest, ResolvingFailsForMissingFilesAndOtherFiles) {
  ShortcutProperties properties;
  EXPECT_FALSE(ResolveShortcutProperties(link_, ShortcutProperties::PROPERTIES_TARGET,
                                         &properties));
  EXPECT_FALSE(ResolveShortcutProperties(old_target_, ShortcutProperties::PROPERTIES_TARGET,
                                         &properties));
  FilePath target;
  EXPECT_FALSE(ResolveShortcut(link_, &target, nullptr));
}

// What each operation leaves when a link to the old target with arguments,
// a description and an icon exists (or none does), given a new target and
// description only.
struct ShortcutOperationCase {
  const char* name;
  ShortcutOperation operation;
  bool link_existed;
  bool succeeds;
  const wchar_t* arguments;
  const wchar_t* description;
  bool keeps_icon;
};

class ShortcutOperationTest : public ShortcutTest,
                              public ::testing::WithParamInterface<ShortcutOperationCase> {};

TEST_P(ShortcutOperationTest, WritesOnlyWhatTheOperationAllows) {
  const ShortcutOperationCase& c = GetParam();
  if (c.link_existed) {
    ShortcutProperties old;
    old.set_target(old_target_);
    old.set_arguments(L"--old");
    old.set_description(L"old");
    old.set_icon(old_target_, 1);
    ASSERT_TRUE(CreateOrUpdateShortcutLink(link_, old, SHORTCUT_CREATE_ALWAYS));
  }
  ShortcutProperties next;
  next.set_target(new_target_);
  next.set_description(L"new");
  ASSERT_EQ(c.succeeds, CreateOrUpdateShortcutLink(link_, next, c.operation));
  if (!c.succeeds) {
    EXPECT_FALSE(PathExists(link_));
    return;
  }
  ShortcutProperties read = ReadAll();
  EXPECT_EQ(new_target_, read.target);
  EXPECT_EQ(c.arguments, read.arguments);
  EXPECT_EQ(c.description, read.description);
  EXPECT_EQ(c.keeps_icon ? old_target_ : FilePath(), read.icon);
}

INSTANTIATE_TEST_SUITE_P(
    All,
    ShortcutOperationTest,
    ::testing::Values(
        ShortcutOperationCase{"CreateOverwrites", SHORTCUT_CREATE_ALWAYS, true, true, L"", L"new",
                              false},
        ShortcutOperationCase{"CreateMakes", SHORTCUT_CREATE_ALWAYS, false, true, L"", L"new",
                              false},
        ShortcutOperationCase{"ReplaceKeepsArguments", SHORTCUT_REPLACE_EXISTING, true, true,
                              L"--old", L"new", false},
        ShortcutOperationCase{"ReplaceNeedsLink", SHORTCUT_REPLACE_EXISTING, false, false, L"",
                              L"", false},
        ShortcutOperationCase{"UpdateKeepsUnset", SHORTCUT_UPDATE_EXISTING, true, true, L"--old",
                              L"new", true},
        ShortcutOperationCase{"UpdateNeedsLink", SHORTCUT_UPDATE_EXISTING, false, false, L"", L"",
                              false}),
    [](const ::testing::TestParamInfo<ShortcutOperationCase>& info) {
      return std::string(info.param.name);
    });

}  // namespace
}  // namespace base::win
