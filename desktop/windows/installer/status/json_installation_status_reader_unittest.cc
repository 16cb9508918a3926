// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/status/json_installation_status_reader.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_reader.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::StartsWith;

// A status document: the required keys with valid values, then `changes`
// applied (a key set to the given JSON text, or removed when nullopt).
std::string StatusDocument(
    const std::vector<std::pair<std::string, std::optional<std::string>>>& changes) {
  std::map<std::string, std::string> keys = {
      {"version", R"("7.1")"}, {"copy_only", "false"}, {"_all_users", "false"},
      {"path", R"("C:\\Velta")"}, {"files", "[]"},     {"registry", "{}"},
  };
  for (const auto& [key, json] : changes) {
    if (json)
      keys[key] = *json;
    else
      keys.erase(key);
  }
  std::string document = "{";
  for (const auto& [key, json] : keys)
    document += (document.size() > 1 ? ",\"" : "\"") + key + "\":" + json;
  return document + "}";
}

// A registry dictionary with one HKLM key whose members are `members`.
std::string RegistryWithKey(const std::string& members) {
  return R"({"HKLM":[{)" + members + "}]}";
}

struct MalformedCase {
  const char* name;
  std::string document;
  const char* error;
};

class JsonStatusErrorTest : public ::testing::TestWithParam<MalformedCase> {};

TEST_P(JsonStatusErrorTest, FailsWithItsReason) {
  JsonInstallationStatusReader reader;
  std::unique_ptr<InstallationStatus> status;
  EXPECT_FALSE(reader.Read(&status, GetParam().document, StatusSource::kPrimary));
  EXPECT_FALSE(status);
  EXPECT_EQ(GetParam().error, reader.GetError());
}

const char kKeyPathClean[] = R"("path":"Software\\Velta","clean":1,)";

INSTANTIATE_TEST_SUITE_P(
    Cases,
    JsonStatusErrorTest,
    ::testing::Values(
        MalformedCase{"RootList", "[]", "The root is not a dictionary"},
        MalformedCase{"NoVersion", StatusDocument({{"version", std::nullopt}}),
                      "No version information"},
        MalformedCase{"AppIdNumber", StatusDocument({{"app_id", "5"}}), "Invalid app id type"},
        MalformedCase{"CopyOnlyText", StatusDocument({{"copy_only", R"("yes")"}}),
                      "No copy only information"},
        MalformedCase{"NoAllUsers", StatusDocument({{"_all_users", std::nullopt}}),
                      "No all users information"},
        MalformedCase{"PathList", StatusDocument({{"path", "[]"}}), "No install path information"},
        MalformedCase{"SubfolderNumber", StatusDocument({{"_subfolder", "1"}}),
                      "Subfolder not a string"},
        MalformedCase{"NoFiles", StatusDocument({{"files", std::nullopt}}), "No files list"},
        MalformedCase{"FilesText", StatusDocument({{"files", R"("a")"}}), "No files list"},
        MalformedCase{"FileNumber", StatusDocument({{"files", R"(["a",1])"}}),
                      "Element on files list is not a string"},
        MalformedCase{"RootFilesText", StatusDocument({{"root_files", R"("a")"}}),
                      "root_files is not a list"},
        MalformedCase{"RootFileNull", StatusDocument({{"root_files", "[null]"}}),
                      "Element on files list is not a string"},
        MalformedCase{"NoRegistry", StatusDocument({{"registry", std::nullopt}}),
                      "No registry dictionary"},
        MalformedCase{"RegistryList", StatusDocument({{"registry", "[]"}}),
                      "No registry dictionary"},
        MalformedCase{"HklmDictionary", StatusDocument({{"registry", R"({"HKLM":{}})"}}),
                      ""},
        MalformedCase{"HkcuText", StatusDocument({{"registry", R"({"HKCU":"x"})"}}),
                      ""},
        MalformedCase{"KeyNumber", StatusDocument({{"registry", R"({"HKCU":[1]})"}}),
                      "Registry key not a dictionary"},
        MalformedCase{"KeyWithoutPath",
                      StatusDocument({{"registry", RegistryWithKey(R"("clean":0,"values":[])")}}),
                      "Registry key dictionary doesn't specify a path"},
        MalformedCase{"CleanBoolean",
                      StatusDocument({{"registry", RegistryWithKey(
                                                       R"("path":"S","clean":true,"values":[])")}}),
                      "No cleanup information on a registry key"},
        MalformedCase{"CleanFraction",
                      StatusDocument({{"registry", RegistryWithKey(
                                                       R"("path":"S","clean":1.5,"values":[])")}}),
                      "No cleanup information on a registry key"},
        MalformedCase{"NoValues",
                      StatusDocument({{"registry", RegistryWithKey(R"("path":"S","clean":0)")}}),
                      "No values list in a registry key"},
        MalformedCase{"ValueList",
                      StatusDocument({{"registry",
                                       RegistryWithKey(std::string(kKeyPathClean) +
                                                       R"("values":[[]])")}}),
                      "Registry value is not a dictionary"},
        MalformedCase{"ValueWithoutName",
                      StatusDocument({{"registry",
                                       RegistryWithKey(std::string(kKeyPathClean) +
                                                       R"("values":[{"type":"REG_SZ"}])")}}),
                      "No name in a registry key value"},
        MalformedCase{"ValueWithoutType",
                      StatusDocument({{"registry",
                                       RegistryWithKey(std::string(kKeyPathClean) +
                                                       R"("values":[{"name":"a","data":"b"}])")}}),
                      "No type information on a registry key value"},
        MalformedCase{"ShortcutsList", StatusDocument({{"shortcuts", "[]"}}),
                      "Shortcuts not a dictionary"},
        MalformedCase{"ShortcutNumber", StatusDocument({{"shortcuts", R"({"SC_DEST_MENU":1})"}}),
                      "Shorcut path is not a string"},
        MalformedCase{"UnknownShortcut",
                      StatusDocument({{"shortcuts", R"({"SC_DEST_STARTUP":"C:\\a.lnk"})"}}),
                      "Invalid shortcut type SC_DEST_STARTUP"},
        MalformedCase{"ComponentNumber", StatusDocument({{"components", R"({"codecs":7})"}}),
                      "Shorcut path is not a string"}),
    [](const ::testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

TEST(JsonStatusReaderTest, TextThatIsNotJsonGivesTheParserMessage) {
  JsonInstallationStatusReader reader;
  std::unique_ptr<InstallationStatus> status;
  for (const char* text : {"", "{\"version\":", "not json"}) {
    EXPECT_FALSE(reader.Read(&status, text, StatusSource::kPrimary));
    EXPECT_FALSE(status);
    EXPECT_THAT(reader.GetError(), StartsWith("Cannot parse the file as JSON: Line: 1, column: "))
        << text;
  }
  // A later good file leaves no reason behind.
  EXPECT_TRUE(reader.Read(&status, StatusDocument({}), StatusSource::kPrimary));
  EXPECT_EQ("", reader.GetError());
}

TEST(JsonStatusReaderTest, ReadsTheLenientForms) {
  const std::string document = StatusDocument({
      {"_all_users", "true"},
      {"path", R"(" \tC:\\Velta Browser \r\n")"},
      {"_subfolder", R"(" 7.1 ")"},
      {"files", R"([" a.dll ","b.pak"])"},
      {"registry", R"({"HKCU":[{"path":"S","clean":2,"values":[{"name":"n","type":"t"},)"
                   R"({"name":"m","type":"t","data":5}]}]})"},
      {"shortcuts", R"({"SC_DEST_COMMON_DESKTOP":"C:\\common.lnk","SC_DEST_DESKTOP":" C:\\mine.lnk",)"
                    R"("SC_DEST_COMMON_MENU":"C:\\menu.lnk"})"},
      {"components", "[]"},
  });
  std::unique_ptr<InstallationStatusReader> reader =
      CreateInstallationStatusReader(StatusSource::kRecoveredFromOldFiles);
  ASSERT_TRUE(reader);
  std::unique_ptr<InstallationStatus> status;
  ASSERT_TRUE(reader->Read(&status, document, StatusSource::kRecoveredFromOldFiles))
      << reader->GetError();

  InstallationStatus expected(StatusSource::kRecoveredFromOldFiles);
  expected.all_users = true;
  expected.path = base::FilePath(L"C:\\Velta Browser");
  expected.subfolder = base::FilePath(L"7.1");
  expected.version = "7.1";
  expected.files = {base::FilePath(L"a.dll"), base::FilePath(L"b.pak")};
  expected.hkcu_keys = {{2, "S", {{"t", "n", ""}, {"t", "m", ""}}}};
  // The per-user key sorts after the all-users one and wins; shortcut paths
  // are not trimmed.
  expected.desktop_shortcut = base::FilePath(L" C:\\mine.lnk");
  expected.menu_shortcut = base::FilePath(L"C:\\menu.lnk");
  EXPECT_EQ(expected, *status);
}

}  // namespace
}  // namespace velta
