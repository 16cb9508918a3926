// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_json_writer.h"

#include <windows.h>

#include <memory>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/values.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/json_installation_status_reader.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

// Everything a status can hold, every list with more than one entry.
InstallationStatus FullStatus(bool all_users) {
  InstallationStatus status(StatusSource::kGenerated);
  status.copy_only = false;
  status.all_users = all_users;
  status.app_id = L"5F2A0C\u00e9";
  status.path = base::FilePath(L"C:\\Program Files\\Velta \u00c5");
  status.subfolder = base::FilePath(L"7.1.2.3");
  status.version = "7.1.2.3";
  status.desktop_shortcut = base::FilePath(L"C:\\Users\\Public\\Desktop\\Velta.lnk");
  status.menu_shortcut = base::FilePath(L"C:\\ProgramData\\Start Menu\\Velta.lnk");
  status.quick_launch_shortcut = base::FilePath(L"C:\\Quick Launch\\Velta.lnk");
  status.files = {base::FilePath(L"7.1.2.3\\browser.dll"), base::FilePath(L"7.1.2.3\\a b.pak")};
  status.root_files = {base::FilePath(L"launcher.exe"), base::FilePath(L"update.exe")};
  status.hklm_keys = {
      {RegistryKeyEntry::kCleanKey,
       "Software\\Clients\\StartMenuInternet\\Velta",
       {{"REG_SZ", "", "Velta"}, {"REG_DWORD", "IconsVisible", "1"}}},
      {3, "Software\\Classes\\VeltaHTM\\shell\\open", {}},
  };
  status.hkcu_keys = {
      {RegistryKeyEntry::kCleanValues, "Software\\RegisteredApplications", {{"REG_SZ", "Velta", ""}}},
  };
  status.components = {InstallationComponent("assistant", base::FilePath(L"C:\\v\\assistant")),
                       InstallationComponent("media.codecs", base::FilePath(L"C:\\v\\codecs"))};
  return status;
}

std::unique_ptr<InstallationStatus> ReadBack(const base::FilePath& file) {
  std::string content;
  EXPECT_TRUE(base::ReadFileToString(file, &content));
  JsonInstallationStatusReader reader;
  std::unique_ptr<InstallationStatus> status;
  EXPECT_TRUE(reader.Read(&status, content, StatusSource::kPrimary)) << reader.GetError();
  return status;
}

class InstallationStatusJsonWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    file_ = temp_dir_.GetPath().Append(kInstallationStatusJsonFileName);
  }

  std::string FileText() const {
    std::string content;
    EXPECT_TRUE(base::ReadFileToString(file_, &content));
    return content;
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath file_;
};

// The parameter is `all_users`.
class StatusRoundTripTest : public InstallationStatusJsonWriterTest,
                            public ::testing::WithParamInterface<bool> {};

TEST_P(StatusRoundTripTest, FullRecordReadsBackEqual) {
  const bool all_users = GetParam();
  const InstallationStatus written = FullStatus(all_users);
  ASSERT_TRUE(WriteInstallationStatusJson(written, file_));

  std::unique_ptr<InstallationStatus> read = ReadBack(file_);
  ASSERT_TRUE(read);
  InstallationStatus expected = written;
  expected.source = StatusSource::kPrimary;
  EXPECT_EQ(expected, *read);

  // The dotted component name stays one key; the shortcut keys follow the
  // installation's scope.
  const std::string text = FileText();
  EXPECT_THAT(text, HasSubstr(R"("media.codecs":"C:\\v\\codecs")"));
  EXPECT_THAT(text, HasSubstr(all_users ? R"("SC_DEST_COMMON_DESKTOP":)" : R"("SC_DEST_DESKTOP":)"));
  EXPECT_THAT(text, HasSubstr(all_users ? R"("SC_DEST_COMMON_MENU":)" : R"("SC_DEST_MENU":)"));
  EXPECT_EQ(text, InstallationStatusToJson(written));
}

INSTANTIATE_TEST_SUITE_P(AllUsersAndPerUser, StatusRoundTripTest, ::testing::Bool());

TEST_F(InstallationStatusJsonWriterTest, SparseRecordWritesOnlyTheAlwaysKeys) {
  InstallationStatus written(StatusSource::kGenerated);
  written.copy_only = true;
  written.path = base::FilePath(L"D:\\Velta");
  written.version = "1.0";
  ASSERT_TRUE(WriteInstallationStatusJson(written, file_));

  EXPECT_EQ(
      R"({"_all_users":false,"_subfolder":"","copy_only":true,"files":[],)"
      R"("path":"D:\\Velta","registry":{},"version":"1.0"})",
      FileText());
  std::unique_ptr<InstallationStatus> read = ReadBack(file_);
  ASSERT_TRUE(read);
  written.source = StatusSource::kPrimary;
  EXPECT_EQ(written, *read);
}

TEST_F(InstallationStatusJsonWriterTest, FailedWriteLeavesPreviousFileWhole) {
  const InstallationStatus previous = FullStatus(/*all_users=*/false);
  ASSERT_TRUE(WriteInstallationStatusJson(previous, file_));
  const std::string previous_text = FileText();

  // A reader holding the file without delete sharing makes the replacement
  // fail.
  HANDLE reader = ::CreateFileW(file_.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  InstallationStatus next(StatusSource::kGenerated);
  next.version = "8.0";
  EXPECT_FALSE(WriteInstallationStatusJson(next, file_));
  ::CloseHandle(reader);

  EXPECT_EQ(previous_text, FileText());
}

TEST_F(InstallationStatusJsonWriterTest, UnserializableValueLeavesFileAlone) {
  ASSERT_TRUE(WriteInstallationStatusJson(FullStatus(/*all_users=*/true), file_));
  const std::string previous_text = FileText();

  base::Value root(base::Value::Type::DICTIONARY);
  root.SetKey("blob", base::Value(base::Value::BlobStorage{1, 2, 3}));
  EXPECT_FALSE(internal::WriteStatusValueToFile(root, file_));
  EXPECT_EQ(previous_text, FileText());

  const base::FilePath absent = temp_dir_.GetPath().Append(L"absent.json");
  EXPECT_FALSE(internal::WriteStatusValueToFile(root, absent));
  EXPECT_FALSE(base::PathExists(absent));
}

}  // namespace
}  // namespace velta
