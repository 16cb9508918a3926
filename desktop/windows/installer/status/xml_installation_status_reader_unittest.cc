// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/xml_installation_status_reader.h"

#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_reader.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kXmlPath[] = "<path>C:\\Velta</path>";
constexpr char kXmlFiles[] = "<files><file>a.dll</file></files>";
constexpr char kXmlKey[] = R"(<key path="Software\Velta" clean="1"/>)";
constexpr char kXmlComponent[] =
    "<component><name>codecs</name><path>C:\\Velta\\codecs</path></component>";

// A status document: the root element with its required attributes around
// `body`.
std::string XmlStatus(const std::string& body) {
  return R"(<install_log version="7.1" copy_only="False" all_users="False">)" + body +
         "</install_log>";
}

// The path and files every document needs, then `rest`.
std::string XmlStatusWith(const std::string& rest) {
  return XmlStatus(std::string(kXmlPath) + kXmlFiles + rest);
}

// Reads status documents the way the installer does: written to a status
// file, read back, and handed to the reader for their source.
class XmlStatusReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
  }

  std::unique_ptr<InstallationStatus> ReadDocument(
      const std::string& document,
      StatusSource source = StatusSource::kLegacyXml) {
    base::FilePath file = dir_.GetPath().Append(kInstallationStatusXmlFileName);
    std::string content;
    EXPECT_TRUE(base::WriteFile(file, document));
    EXPECT_TRUE(base::ReadFileToString(file, &content));
    std::unique_ptr<InstallationStatus> status;
    reader_ = CreateInstallationStatusReader(source);
    EXPECT_TRUE(reader_);
    bool is_read = reader_->Read(&status, content, source);
    EXPECT_EQ(is_read, status != nullptr);
    return status;
  }

  base::win::ScopedCOMInitializer com_;
  base::ScopedTempDir dir_;
  std::unique_ptr<InstallationStatusReader> reader_;
};

TEST_F(XmlStatusReaderTest, ReadsEveryPartOfAnInstallation) {
  // As an older installer wrote it: a declaration, CRLF line ends, comments,
  // padded texts, and UTF-8 outside the ANSI code page.
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<install_log version=\"7.1.2\" app_id=\"B\xC3\xB6rk\" copy_only=\"True\" "
      "all_users=\"true\">\r\n"
      "  <!-- written by the installer -->\r\n"
      "  <path subfolder=\" 7.1.2 \">\r\n C:\\\xD0\x92\xD0\xB5\xD0\xBB\xD1\x82\xD0\xB0 \r\n</path>\r\n"
      "  <files><file> velta.dll </file><file>locales\\en.pak</file></files>\r\n"
      "  <root_files><file>launcher.exe</file></root_files>\r\n"
      "  <registry hive=\"HKLM\">\r\n"
      "    <key path=\"Software\\Velta\" clean=\"2\">\r\n"
      "      <value name=\"Version\" type=\"REG_SZ\"> 1 \n</value>\r\n"
      "      <value name=\"\" type=\"REG_DWORD\"/>\r\n"
      "    </key>\r\n"
      "    <key path=\"Software\\Classes\\VeltaHTML\" clean=\"-1\"/>\r\n"
      "  </registry>\r\n"
      "  <registry hive=\"HKCU\"><key path=\"Software\\Velta\" clean=\"0\"/></registry>\r\n"
      "  <shortcut type=\"SC_DEST_DESKTOP\">C:\\Users\\a\\Desktop\\Velta.lnk</shortcut>\r\n"
      "  <shortcut type=\"SC_DEST_COMMON_MENU\">C:\\Start\\Velta.lnk</shortcut>\r\n"
      "  <shortcut type=\"SC_DEST_QUICK_LAUNCH\"> C:\\Quick\\Velta.lnk</shortcut>\r\n"
      "  <shortcut type=\"SC_DEST_COMMON_DESKTOP\">C:\\Public\\Velta.lnk</shortcut>\r\n"
      "  <components>\r\n"
      "    <component><name>codecs</name><path> C:\\Velta\\codecs </path></component>\r\n"
      "    <component><name>widevine</name><path>C:\\Velta\\wv</path></component>\r\n"
      "  </components>\r\n"
      "</install_log>\r\n";
  std::unique_ptr<InstallationStatus> status =
      ReadDocument(document, StatusSource::kLegacyXmlRecoveredFromOldFiles);
  ASSERT_TRUE(status) << reader_->GetError();

  InstallationStatus expected(StatusSource::kLegacyXmlRecoveredFromOldFiles);
  expected.version = "7.1.2";
  expected.app_id = L"B\u00F6rk";
  expected.copy_only = true;
  // Only "True" counts.
  expected.all_users = false;
  expected.path = base::FilePath(L"C:\\\u0412\u0435\u043B\u0442\u0430");
  expected.subfolder = base::FilePath(L"7.1.2");
  expected.files = {base::FilePath(L"velta.dll"), base::FilePath(L"locales\\en.pak")};
  expected.root_files = {base::FilePath(L"launcher.exe")};
  expected.hklm_keys = {{2, "Software\\Velta", {{"REG_SZ", "Version", "1"}, {"REG_DWORD", "", ""}}},
                        {-1, "Software\\Classes\\VeltaHTML", {}}};
  expected.hkcu_keys = {{0, "Software\\Velta", {}}};
  // The later desktop shortcut replaces the earlier one.
  expected.desktop_shortcut = base::FilePath(L"C:\\Public\\Velta.lnk");
  expected.menu_shortcut = base::FilePath(L"C:\\Start\\Velta.lnk");
  expected.quick_launch_shortcut = base::FilePath(L"C:\\Quick\\Velta.lnk");
  expected.components = {{"codecs", base::FilePath(L"C:\\Velta\\codecs")},
                         {"widevine", base::FilePath(L"C:\\Velta\\wv")}};
  EXPECT_EQ(expected, *status);
}

TEST_F(XmlStatusReaderTest, ReadsDocumentsWithoutTheOptionalParts) {
  const char* const kAccepted[] = {
      // Ends with the files.
      "",
      // The registry, shortcuts or components right after the files.
      R"(<registry hive="HKCU">)" "<key path=\"S\" clean=\"1\"><value name=\"n\" type=\"t\"/></key>"
      "</registry>",
      R"(<shortcut type="SC_DEST_MENU">m.lnk</shortcut>)",
      "<components/>",
      // Root files followed by nothing, by the components, or by shortcuts.
      "<root_files><file>r</file></root_files>",
      "<root_files><file>r</file></root_files><components/>",
      R"(<root_files><file>r</file></root_files><shortcut type="SC_DEST_MENU">m</shortcut>)",
      // The registry followed by the components.
      R"(<registry hive="HKLM"><key path="S" clean="1"/></registry><components/>)",
  };
  for (const char* rest : kAccepted) {
    std::unique_ptr<InstallationStatus> status = ReadDocument(XmlStatusWith(rest));
    ASSERT_TRUE(status) << rest << ": " << reader_->GetError();
    EXPECT_EQ(StatusSource::kLegacyXml, status->source);
    EXPECT_EQ(std::vector<base::FilePath>{base::FilePath(L"a.dll")}, status->files) << rest;
  }
  // A byte-order mark, as editors and some writers put before UTF-8 text.
  EXPECT_TRUE(ReadDocument("\xEF\xBB\xBF" + XmlStatusWith(""))) << reader_->GetError();
}

struct MalformedXmlCase {
  const char* name;
  std::string document;
  // Empty for the failures that give no reason.
  const char* error;
};

class XmlStatusErrorTest : public XmlStatusReaderTest,
                           public ::testing::WithParamInterface<MalformedXmlCase> {};

TEST_P(XmlStatusErrorTest, FailsWithItsReason) {
  EXPECT_FALSE(ReadDocument(GetParam().document));
  EXPECT_EQ(GetParam().error, reader_->GetError());
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    XmlStatusErrorTest,
    ::testing::Values(
        MalformedXmlCase{"WrongRoot", "<status/>", "The root element's name is invalid"},
        MalformedXmlCase{"NoVersion", R"(<install_log copy_only="True" all_users="True"/>)",
                         "There's no version attribute on the root element"},
        MalformedXmlCase{"NoCopyOnly", R"(<install_log version="1" all_users="True"/>)",
                         "There's no copy_only attribute on the root element"},
        MalformedXmlCase{"NoAllUsers", R"(<install_log version="1" copy_only="True"/>)",
                         "There's no all_users attribute on the root element"},
        MalformedXmlCase{"NoPath", XmlStatus("<!-- empty -->"), "Cannot proceed to the path"},
        MalformedXmlCase{"PathMisnamed", XmlStatus("<folder>C:\\</folder>"),
                         "The path element is not named correctly"},
        MalformedXmlCase{"NoFiles", XmlStatus(kXmlPath), "Cannot go to files element"},
        MalformedXmlCase{"FilesMisnamed", XmlStatus(std::string(kXmlPath) + "<file_list/>"),
                         "Files element is incorrectly named"},
        MalformedXmlCase{"EmptyFiles", XmlStatus(std::string(kXmlPath) + "<files> </files>"),
                         "Cannot proceed to the first file on the list"},
        MalformedXmlCase{"FileMisnamed",
                         XmlStatus(std::string(kXmlPath) + "<files><file>a</file><dll/></files>"),
                         "File element is incorrectly named"},
        MalformedXmlCase{"UnknownAfterFiles", XmlStatusWith("<extra/>"),
                         "Invalid element in place of the optional root files list"},
        MalformedXmlCase{"EmptyRootFiles", XmlStatusWith("<root_files/>"),
                         "Cannot proceed to the first root file"},
        MalformedXmlCase{"RootFileMisnamed", XmlStatusWith("<root_files><dll/></root_files>"),
                         "A root file is incorrectly named"},
        MalformedXmlCase{"RootFilesTwice",
                         XmlStatusWith("<root_files><file>a</file></root_files><root_files/>"),
                         "Invalid successor of root files list"},
        MalformedXmlCase{"NoHive", XmlStatusWith(std::string("<registry>") + kXmlKey + "</registry>"),
                         "Cannot get the hive attibute of a registry element"},
        MalformedXmlCase{"UnknownHive",
                         XmlStatusWith(std::string(R"(<registry hive="HKCR">)") + kXmlKey +
                                       "</registry>"),
                         "The hive attribute is not HKLM nor HKCU"},
        MalformedXmlCase{"RootFilesAfterRegistry",
                         XmlStatusWith(std::string(R"(<registry hive="HKLM">)") + kXmlKey +
                                       "</registry><root_files><file>a</file></root_files>"),
                         "Invalid successor of the registry element"},
        MalformedXmlCase{"ShortcutWithoutType", XmlStatusWith("<shortcut>a.lnk</shortcut>"),
                         "A shortcut element doesn't feature a type attribute"},
        MalformedXmlCase{"UnknownShortcutType",
                         XmlStatusWith(R"(<shortcut type="SC_DEST_STARTUP">a.lnk</shortcut>)"),
                         "Invalid shortcut type SC_DEST_STARTUP"},
        MalformedXmlCase{"ComponentMisnamed",
                         XmlStatusWith("<components><codec/></components>"),
                         "A component element is not called component"},
        MalformedXmlCase{"EmptyComponent",
                         XmlStatusWith("<components><component/></components>"),
                         "Cannot go to first child of a component"},
        MalformedXmlCase{"ComponentWithoutName",
                         XmlStatusWith("<components><component><path>p</path></component>"
                                       "</components>"),
                         "Component's first child is not called name"},
        MalformedXmlCase{"ComponentWithoutPath",
                         XmlStatusWith("<components><component><name>n</name></component>"
                                       "</components>"),
                         "Cannot go to component.name sibling"},
        MalformedXmlCase{"ComponentPathMisnamed",
                         XmlStatusWith("<components><component><name>n</name><dir>p</dir>"
                                       "</component></components>"),
                         "component.path is not called path"},
        MalformedXmlCase{"ShortcutAfterComponents",
                         XmlStatusWith(std::string("<components>") + kXmlComponent +
                                       R"(</components><shortcut type="SC_DEST_MENU">m</shortcut>)"),
                         "Components are not the last element in status"},
        // A second list must not silently replace the first.
        MalformedXmlCase{"ComponentsTwice",
                         XmlStatusWith(std::string("<components>") + kXmlComponent +
                                       "</components><components/>"),
                         "Components are not the last element in status"},
        MalformedXmlCase{"ComponentsTwiceAfterRegistry",
                         XmlStatusWith(std::string(R"(<registry hive="HKLM">)") + kXmlKey +
                                       "</registry><components/><components>" + kXmlComponent +
                                       "</components>"),
                         "Components are not the last element in status"},
        MalformedXmlCase{"RegistryWithoutKeys", XmlStatusWith(R"(<registry hive="HKLM"/>)"), ""},
        MalformedXmlCase{"KeyWithoutClean",
                         XmlStatusWith(R"(<registry hive="HKLM"><key path="S"/></registry>)"), ""},
        MalformedXmlCase{"CleanNotANumber",
                         XmlStatusWith(R"(<registry hive="HKLM"><key path="S" clean="1x"/>)"
                                       "</registry>"),
                         ""},
        MalformedXmlCase{"ValueWithoutType",
                         XmlStatusWith(R"(<registry hive="HKLM"><key path="S" clean="1">)"
                                       R"(<value name="n">d</value></key></registry>)"),
                         ""},
        MalformedXmlCase{"RegistryAfterShortcut",
                         XmlStatusWith(R"(<shortcut type="SC_DEST_MENU">m</shortcut>)"
                                       R"(<registry hive="HKLM">)" +
                                       std::string(kXmlKey) + "</registry>"),
                         ""}),
    [](const ::testing::TestParamInfo<MalformedXmlCase>& info) { return info.param.name; });

TEST_F(XmlStatusReaderTest, TextThatIsNotXmlFailsToParse) {
  for (const char* text : {"", "not xml", "<install_log version=\"1\"", "<a></b>",
                           "<a/><b/>"}) {
    EXPECT_FALSE(ReadDocument(text)) << text;
    EXPECT_EQ("Cannot parse the file as XML: Cannot load the document from string w/err 1",
              reader_->GetError())
        << text;
  }
  // A later good document leaves no reason behind.
  EXPECT_TRUE(ReadDocument(XmlStatusWith("")));
  EXPECT_EQ("", reader_->GetError());
}

}  // namespace
}  // namespace velta
