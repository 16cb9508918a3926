// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/installation_status_check.h"

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_loader.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

struct NameCase {
  const wchar_t* name;
  bool is_version_folder;
};

TEST(IsVersionFolderNameTest, AcceptsOnlyDottedNumbersWithTheTakenSuffix) {
  const NameCase kCases[] = {
      {.name = L"1.0.2417.12", .is_version_folder = true},
      {.name = L"1.0.2417.12_0", .is_version_folder = true},
      {.name = L"7.1_15", .is_version_folder = true},
      {.name = L"7", .is_version_folder = true},
      {.name = L"", .is_version_folder = false},
      {.name = L"..", .is_version_folder = false},
      {.name = L"1..2", .is_version_folder = false},
      {.name = L"1.2.", .is_version_folder = false},
      {.name = L"1.2_", .is_version_folder = false},
      {.name = L"1.2_0_1", .is_version_folder = false},
      {.name = L"..\\..\\x", .is_version_folder = false},
      {.name = L"1.2\\..\\..\\x", .is_version_folder = false},
      {.name = L"C:\\Windows", .is_version_folder = false},
      {.name = L"1.2:stream", .is_version_folder = false},
      {.name = L"User Data", .is_version_folder = false},
  };
  for (const NameCase& c : kCases)
    EXPECT_EQ(c.is_version_folder, IsVersionFolderName(c.name)) << c.name;
}

struct RegistryCase {
  std::string path;
  int clean;
  bool own;
};

TEST(IsOwnRegistryRecordTest, AcceptsOnlyWhatTheTemplatesWriteAndDelete) {
  const std::string prog_id = "Software\\Classes\\" + GetBrandAndChannel();
  const std::string client = "Software\\Clients\\StartMenuInternet\\" + GetBrandAndChannel();
  const std::string uninstall = base::WideToUTF8(GetUninstallRegistryPath());
  const std::string entry = uninstall + "\\" + GetBrandName() + " 1.0.2417.12";
  const RegistryCase kCases[] = {
      // What an installation records.
      {.path = prog_id, .clean = 1, .own = true},
      {.path = prog_id + "\\shell\\open\\command", .clean = 2, .own = true},
      {.path = "SOFTWARE\\CLASSES\\" + GetBrandAndChannel(), .clean = 1, .own = true},
      {.path = client + "\\Capabilities\\URLAssociations", .clean = 1, .own = true},
      {.path = entry, .clean = 1, .own = true},
      {.path = entry + "1", .clean = 1, .own = true},
      {.path = "Software\\Classes\\.vex", .clean = 1, .own = true},
      {.path = "Software\\Classes\\.htm\\OpenWithProgIDs", .clean = 0, .own = true},
      {.path = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", .clean = 0, .own = true},
      {.path = "Software\\RegisteredApplications", .clean = 0, .own = true},
      {.path = "Software\\Classes\\Applications\\" + GetBrowserExeName() + "\\shell\\open\\command",
       .clean = 4,
       .own = true},
      // Deeper than the templates delete, or keys of other programs.
      {.path = prog_id, .clean = 2, .own = false},
      {.path = prog_id + "\\shell\\open\\command", .clean = 4, .own = true},
      {.path = prog_id + "\\shell\\open\\command", .clean = 5, .own = false},
      {.path = "Software\\Classes\\.htm\\OpenWithProgIDs", .clean = 1, .own = false},
      {.path = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", .clean = 1, .own = false},
      {.path = "Software\\Microsoft\\Windows\\CurrentVersion\\Run", .clean = 0, .own = false},
      {.path = uninstall + "\\Other Program", .clean = 1, .own = false},
      {.path = uninstall, .clean = 1, .own = false},
      {.path = entry, .clean = 2, .own = false},
      {.path = "Software\\Other\\Program\\Settings", .clean = 1, .own = false},
      {.path = "Software\\Other\\Program\\Settings", .clean = 0, .own = false},
      {.path = "Software\\Classes\\CLSID", .clean = 1, .own = false},
      {.path = "", .clean = 0, .own = false},
      {.path = prog_id, .clean = -1, .own = false},
  };
  for (const RegistryCase& c : kCases)
    EXPECT_EQ(c.own, IsOwnRegistryRecord(c.path, c.clean)) << c.path << " " << c.clean;
}

// A status file of a real folder read as the loader reads it, JSON and
// legacy XML alike.
class StatusFileCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
  }

  base::FilePath Folder() const { return dir_.GetPath(); }
  std::string FolderUtf8() const { return Folder().AsUTF8Unsafe(); }

  std::unique_ptr<InstallationStatus> ReadJson(const std::string& text) {
    return Read(kInstallationStatusJsonFileName, StatusSource::kPrimary, text);
  }
  std::unique_ptr<InstallationStatus> ReadXml(const std::string& text) {
    return Read(kInstallationStatusXmlFileName, StatusSource::kLegacyXml, text);
  }

  std::string error_;

 private:
  std::unique_ptr<InstallationStatus> Read(const wchar_t* name,
                                           StatusSource source,
                                           const std::string& text) {
    const base::FilePath file = Folder().Append(name);
    EXPECT_TRUE(base::WriteFile(file, text));
    std::unique_ptr<InstallationStatus> status;
    error_.clear();
    internal::ReadStatusFile(&status, file, source, &error_);
    return status;
  }

  base::win::ScopedCOMInitializer com_;
  base::ScopedTempDir dir_;
};

std::string Escaped(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += '\\';
    out += c;
  }
  return out;
}

std::string JsonStatus(const std::string& version, const std::string& subfolder) {
  return R"({"version": ")" + Escaped(version) +
         R"(", "copy_only": false, "_all_users": false, "path": "C:\\Velta", "_subfolder": ")" +
         Escaped(subfolder) + R"(", "files": ["velta.exe"], "registry": {}})";
}

std::string XmlStatus(const std::string& version, const std::string& subfolder) {
  return "<install_log version=\"" + version +
         "\" copy_only=\"False\" all_users=\"False\"><path subfolder=\"" + subfolder +
         "\">C:\\Velta</path><files><file>velta.exe</file></files></install_log>";
}

struct HeaderCase {
  const char* name;
  const char* version;
  const char* subfolder;
  // Empty when the status is usable.
  const char* refusal;
};

class StatusHeaderCheckTest : public StatusFileCheckTest,
                              public ::testing::WithParamInterface<HeaderCase> {};

// A version or subfolder that is no version folder name makes the file
// unusable, whatever its format: the roads that append them to the
// installation folder never see it.
TEST_P(StatusHeaderCheckTest, RefusesAVersionOrSubfolderThatIsNoVersionFolder) {
  const HeaderCase& c = GetParam();
  for (bool json : {true, false}) {
    SCOPED_TRACE(json ? "JSON" : "XML");
    std::unique_ptr<InstallationStatus> status = json ? ReadJson(JsonStatus(c.version, c.subfolder))
                                                      : ReadXml(XmlStatus(c.version, c.subfolder));
    if (std::string(c.refusal).empty()) {
      ASSERT_TRUE(status) << error_;
      EXPECT_EQ(c.version, status->version);
      EXPECT_EQ(base::FilePath::FromUTF8Unsafe(c.subfolder), status->subfolder);
    } else {
      EXPECT_FALSE(status);
      EXPECT_EQ(c.refusal, error_);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Headers,
    StatusHeaderCheckTest,
    ::testing::Values(HeaderCase{"Plain", "1.0.2417.12", "1.0.2417.12", ""},
                      HeaderCase{"TakenSuffix", "1.0.2417.12", "1.0.2417.12_1", ""},
                      HeaderCase{"NoSubfolder", "1.0.2417.12", "", ""},
                      HeaderCase{"AbsoluteSubfolder", "1.0.2417.12", "C:\\Windows",
                                 "The subfolder \"C:\\Windows\" is not a version folder name"},
                      HeaderCase{"SubfolderOutside", "1.0.2417.12", "..\\outside",
                                 "The subfolder \"..\\outside\" is not a version folder name"},
                      HeaderCase{"VersionOutside", "..\\..\\x", "1.0.2417.12",
                                 "The version \"..\\..\\x\" is not a version folder name"},
                      HeaderCase{"EmptyVersion", "", "1.0.2417.12", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// Every kind of record, once inside the installation and once reaching out
// of it: only the records inside stay, the rest of the status as written.
TEST_F(StatusFileCheckTest, DropsTheRecordsThatReachOutsideAndKeepsTheRest) {
  const std::string prog_id = "Software\\Classes\\" + GetBrandAndChannel();
  const std::string folder = FolderUtf8();
  const std::string json =
      R"({"version": "1.0.2417.12", "copy_only": false, "_all_users": false,)"
      R"( "path": ")" +
      Escaped(folder) +
      R"(", "_subfolder": "1.0.2417.12",)"
      R"( "files": ["velta.exe", "..\\..\\outside.dll", "C:\\Windows\\win.ini"],)"
      R"( "root_files": ["launcher.exe", "\\rooted.exe", "D:relative.exe"],)"
      R"( "registry": {"HKCU": [)"
      R"({"path": ")" +
      Escaped(prog_id) +
      R"(", "clean": 1, "values": []},)"
      R"({"path": "Software\\Other\\Program\\Settings", "clean": 1, "values": []}],)"
      R"( "HKLM": [{"path": "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "clean": 0,)"
      R"( "values": [{"name": "Other", "type": "REG_SZ"}]}]},)"
      R"( "shortcuts": {"SC_DEST_DESKTOP": "C:\\Users\\a\\Desktop\\Velta.lnk",)"
      R"( "SC_DEST_MENU": "C:\\Users\\a\\Documents\\thesis.docx",)"
      R"( "SC_DEST_QUICK_LAUNCH": "Velta.lnk"},)"
      R"( "components": {"codecs": ")" +
      Escaped(folder) +
      R"(\\codecs",)"
      R"( "evil": "C:\\Windows\\System32", "up": ")" +
      Escaped(folder) + R"(\\..\\up"}})";
  std::unique_ptr<InstallationStatus> status = ReadJson(json);
  ASSERT_TRUE(status) << error_;

  EXPECT_EQ("1.0.2417.12", status->version);
  EXPECT_EQ(base::FilePath(L"1.0.2417.12"), status->subfolder);
  EXPECT_THAT(status->files, ElementsAre(base::FilePath(L"velta.exe")));
  EXPECT_THAT(status->root_files, ElementsAre(base::FilePath(L"launcher.exe")));
  ASSERT_EQ(1u, status->hkcu_keys.size());
  EXPECT_EQ(prog_id, status->hkcu_keys[0].path);
  EXPECT_THAT(status->hklm_keys, IsEmpty());
  EXPECT_EQ(base::FilePath(L"C:\\Users\\a\\Desktop\\Velta.lnk"), status->desktop_shortcut);
  EXPECT_TRUE(status->menu_shortcut.empty());
  EXPECT_TRUE(status->quick_launch_shortcut.empty());
  ASSERT_EQ(1u, status->components.size());
  EXPECT_EQ("codecs", status->components[0].name);
}

TEST_F(StatusFileCheckTest, DropsTheLegacyRecordsThatReachOutside) {
  const std::string folder = FolderUtf8();
  const std::string xml =
      "<install_log version=\"1.0.2417.12\" copy_only=\"False\" all_users=\"False\">"
      "<path subfolder=\"1.0.2417.12\">" +
      folder +
      "</path>"
      "<files><file>velta.exe</file><file>..\\outside.dll</file></files>"
      "<registry hive=\"HKCU\">"
      "<key path=\"Software\\Other\\Program\\Settings\" clean=\"1\"/>"
      "<key path=\"Software\\Classes\\" +
      GetBrandAndChannel() +
      "\" clean=\"1\"/>"
      "</registry>"
      "<shortcut type=\"SC_DEST_DESKTOP\">C:\\Users\\a\\Desktop\\notes.txt</shortcut>"
      "<shortcut type=\"SC_DEST_MENU\">C:\\Start\\Velta.LNK</shortcut>"
      "<components>"
      "<component><name>..\\evil</name><path>" +
      folder +
      "\\evil</path></component>"
      "<component><name>codecs</name><path>" +
      folder +
      "\\codecs</path></component>"
      "</components></install_log>";
  std::unique_ptr<InstallationStatus> status = ReadXml(xml);
  ASSERT_TRUE(status) << error_;

  EXPECT_THAT(status->files, ElementsAre(base::FilePath(L"velta.exe")));
  ASSERT_EQ(1u, status->hkcu_keys.size());
  EXPECT_EQ("Software\\Classes\\" + GetBrandAndChannel(), status->hkcu_keys[0].path);
  EXPECT_TRUE(status->desktop_shortcut.empty());
  EXPECT_EQ(base::FilePath(L"C:\\Start\\Velta.LNK"), status->menu_shortcut);
  ASSERT_EQ(1u, status->components.size());
  EXPECT_EQ("codecs", status->components[0].name);
}

}  // namespace
}  // namespace velta
