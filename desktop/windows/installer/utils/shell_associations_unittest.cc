// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/shell_associations.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/process_wide.h"
#include "base/test/registry_sandbox.h"
#include "base/test/unique_names.h"
#include "base/win/registry.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/utils/fake_shell_default_apps.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(ShellAssociationsTest, NamesAreExtensionsOrProtocolsButNeverBoth) {
  EXPECT_TRUE(IsFileExtension(L".html"));
  EXPECT_FALSE(IsProtocolName(L".html"));
  EXPECT_TRUE(IsProtocolName(L"http"));
  EXPECT_FALSE(IsFileExtension(L"http"));
  EXPECT_FALSE(IsFileExtension(L""));
  EXPECT_FALSE(IsProtocolName(L""));
}

struct LegacyBuildCase {
  uint32_t build;
  uint32_t revision;
  bool is_legacy;
};

class LegacyAssociationBuildTest : public ::testing::TestWithParam<LegacyBuildCase> {};

TEST_P(LegacyAssociationBuildTest, SwitchesAtBuild16299Revision248) {
  base::win::OSInfo::VersionNumber version;
  version.major = 10;
  version.build = GetParam().build;
  version.patch = GetParam().revision;
  EXPECT_EQ(GetParam().is_legacy, IsLegacyAssociationBuild(version));
}

INSTANTIATE_TEST_SUITE_P(Builds,
                         LegacyAssociationBuildTest,
                         ::testing::Values(LegacyBuildCase{7601, 0, true},
                                           LegacyBuildCase{16298, 999, true},
                                           LegacyBuildCase{16299, 247, true},
                                           LegacyBuildCase{16299, 248, false},
                                           LegacyBuildCase{16300, 0, false},
                                           LegacyBuildCase{19045, 3803, false}));

// Wine's association registration object answers none of the internal
// interfaces and the handler enumeration does not exist there: every road
// must end quietly in "not available" and a failed set.
TEST(ShellAssociationsTest, WithoutShellInterfacesNothingIsSetAndNothingBreaks) {
  base::win::ScopedCOMInitializer com;
  ASSERT_TRUE(com.Succeeded());
  EXPECT_EQ(nullptr, GetLegacyAssociationRegistration());
  EXPECT_EQ(nullptr, GetProtocolHandlerAssociation(L"http", L"Internet Explorer"));
  EXPECT_EQ(nullptr, GetProtocolHandlerAssociation(L"http", L""));
  EXPECT_FALSE(IsAssociationRegistrationAvailable());
  for (const wchar_t* name : {L"http", L".html", L""})
    EXPECT_FALSE(SetDefaultHandler(L"Veltamarlin", L"Velta", L"Veltamarlin", name)) << name;
}

class ShellDefaultAppsCallsTest : public ::testing::Test {
 protected:
  FakeShellDefaultApps shell_;
  base::ProcessWide<ShellDefaultApps>::ScopedOverride override_{&shell_};
};

struct SettingsTargetCase {
  const wchar_t* name;
  const wchar_t* target;
};

class DefaultAppsSettingsTest : public ShellDefaultAppsCallsTest,
                                public ::testing::WithParamInterface<SettingsTargetCase> {};

constexpr wchar_t kSettingsActivation[] =
    L"ActivateApplication "
    L"windows.immersivecontrolpanel_cw5n1h2txyewy!microsoft.windows.immersivecontrolpanel "
    L"page=SettingsPageAppsDefaults";

TEST_P(DefaultAppsSettingsTest, OpensThePageThenTheEntryForTheName) {
  EXPECT_TRUE(OpenDefaultAppsSettings(GetParam().name));
  EXPECT_THAT(shell_.calls(),
              ElementsAre(kSettingsActivation,
                          std::wstring(kSettingsActivation) + L"&target=" + GetParam().target));
}

INSTANTIATE_TEST_SUITE_P(
    Names,
    DefaultAppsSettingsTest,
    ::testing::Values(SettingsTargetCase{L"http", L"SystemSettings_DefaultApps_Browser"},
                      SettingsTargetCase{L"mailto", L"SystemSettings_DefaultApps_Email"},
                      SettingsTargetCase{L"https", L"SettingsPageAppsDefaultsProtocolView"},
                      SettingsTargetCase{L"ftp", L"SettingsPageAppsDefaultsProtocolView"}));

TEST_F(ShellDefaultAppsCallsTest, EitherFailedActivationFailsTheSettingsRoad) {
  shell_.QueueResult(E_NOTIMPL);
  EXPECT_FALSE(OpenDefaultAppsSettings(L"http"));
  EXPECT_EQ(1u, shell_.calls().size()) << "no entry without the page";

  FakeShellDefaultApps second_fails;
  base::ProcessWide<ShellDefaultApps>::ScopedOverride override(&second_fails);
  second_fails.QueueResult(S_OK);
  second_fails.QueueResult(E_ACCESSDENIED);
  EXPECT_FALSE(OpenDefaultAppsSettings(L"http"));
  EXPECT_EQ(2u, second_fails.calls().size());
}

TEST_F(ShellDefaultAppsCallsTest, OpenWithDialogMarksOnlyProtocolsAndNotifiesOnlyOnSuccess) {
  EXPECT_TRUE(ShowOpenWithDialogFor(L"http"));
  EXPECT_TRUE(ShowOpenWithDialogFor(L".html"));
  shell_.QueueResult(HRESULT_FROM_WIN32(ERROR_CANCELLED));
  EXPECT_FALSE(ShowOpenWithDialogFor(L"https"));
  EXPECT_FALSE(ShowOpenWithDialogFor(L""));
  const std::wstring protocol_flags =
      std::to_wstring(OAIF_REGISTER_EXT | OAIF_FORCE_REGISTRATION | OAIF_URL_PROTOCOL);
  const std::wstring extension_flags = std::to_wstring(OAIF_REGISTER_EXT | OAIF_FORCE_REGISTRATION);
  EXPECT_THAT(shell_.calls(), ElementsAre(L"ShowOpenWithDialog http " + protocol_flags,
                                          L"NotifyAssociationsChanged",
                                          L"ShowOpenWithDialog .html " + extension_flags,
                                          L"NotifyAssociationsChanged",
                                          L"ShowOpenWithDialog https " + protocol_flags));
}

TEST_F(ShellDefaultAppsCallsTest, SetAppAsDefaultPassesTheTypeOfTheNameAndItsResult) {
  EXPECT_TRUE(SetAppAsDefaultFor(L"Velta", L".html"));
  EXPECT_TRUE(SetAppAsDefaultFor(L"Velta", L"http"));
  EXPECT_TRUE(SetAppAsDefaultStartMenuInternet(L"Velta"));
  shell_.QueueResult(E_FAIL);
  EXPECT_FALSE(SetAppAsDefaultFor(L"Velta", L"https"));
  shell_.QueueResult(E_FAIL);
  EXPECT_FALSE(SetAppAsDefaultStartMenuInternet(L"Velta"));
  EXPECT_FALSE(SetAppAsDefaultFor(L"Velta", L""));
  EXPECT_THAT(shell_.calls(), ElementsAre(L"SetAppAsDefault Velta .html 0",
                                          L"SetAppAsDefault Velta http 1",
                                          L"SetAppAsDefault Velta StartmenuInternet 2",
                                          L"SetAppAsDefault Velta https 1",
                                          L"SetAppAsDefault Velta StartmenuInternet 2"));
}

TEST_F(ShellDefaultAppsCallsTest, DefaultClientQueryTrustsTheAnswerOnlyWhenItSucceeded) {
  shell_.set_is_default(TRUE);
  EXPECT_TRUE(IsAppDefaultStartMenuInternet(L"Velta"));
  shell_.QueueResult(E_NOTIMPL);
  EXPECT_FALSE(IsAppDefaultStartMenuInternet(L"Velta"));
  shell_.set_is_default(FALSE);
  EXPECT_FALSE(IsAppDefaultStartMenuInternet(L"Velta"));
  EXPECT_EQ(L"QueryAppIsDefault StartmenuInternet 2 1 Velta", shell_.calls().front());
}

// The association keys, laid out below a key of the test's own.
class AssociationRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.is_valid());
    keys_.user_root = keys_.classes_root = keys_.machine_root = sandbox_.root();
    keys_.user_prefix = sandbox_.Path(L"user\\");
    keys_.classes_prefix = sandbox_.Path(L"classes\\");
    keys_.machine_prefix = sandbox_.Path(L"machine\\");
  }

  void WriteUser(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    Write(keys_.user_prefix + path, name, value);
  }
  void WriteClasses(const std::wstring& path, const std::wstring& value) {
    Write(keys_.classes_prefix + path, L"", value);
  }
  void WriteMachine(const std::wstring& path, const std::wstring& value) {
    Write(keys_.machine_prefix + path, L"", value);
  }
  void Write(const std::wstring& path, const wchar_t* name, const std::wstring& value) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(sandbox_.root(), path.c_str(), KEY_SET_VALUE));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(name, value.c_str()));
  }

  // What ReadOpenCommand answers: the command, or "(none)".
  std::wstring OpenCommand(const std::wstring& name, bool machine_level) {
    std::wstring command;
    return ReadOpenCommand(keys_, name, machine_level, &command) ? command : L"(none)";
  }

  static constexpr wchar_t kUrlChoice[] =
      L"Software\\Microsoft\\Windows\\Shell\\Associations\\UrlAssociations\\";
  static constexpr wchar_t kFileChoice[] =
      L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";

  test::RegistrySandbox sandbox_;
  AssociationKeys keys_;
};

TEST_F(AssociationRegistryTest, UserChoiceWinsForTheUserAndIsIgnoredForTheMachine) {
  WriteClasses(L"http\\shell\\open\\command", L"classes http");
  WriteClasses(L"Chosen\\shell\\open\\command", L"chosen");
  WriteMachine(L"SOFTWARE\\Classes\\http\\shell\\open\\command", L"machine http");
  EXPECT_EQ(L"classes http", OpenCommand(L"http", false));
  WriteUser(std::wstring(kUrlChoice) + L"http\\UserChoice", L"ProgId", L"Chosen");
  EXPECT_EQ(L"chosen", OpenCommand(L"http", false));
  EXPECT_EQ(L"machine http", OpenCommand(L"http", true));

  WriteClasses(L".html", L"HtmlFile");
  WriteClasses(L"HtmlFile\\shell\\open\\command", L"html file");
  WriteMachine(L"SOFTWARE\\Classes\\.html", L"MachineHtml");
  WriteMachine(L"SOFTWARE\\Classes\\MachineHtml\\shell\\open\\command", L"machine html");
  EXPECT_EQ(L"html file", OpenCommand(L".html", false));
  EXPECT_EQ(L"machine html", OpenCommand(L".html", true));
  WriteUser(std::wstring(kFileChoice) + L".html\\UserChoice", L"ProgId", L"Chosen");
  EXPECT_EQ(L"chosen", OpenCommand(L".html", false));
  // An empty choice is no choice.
  WriteUser(std::wstring(kFileChoice) + L".html\\UserChoice", L"ProgId", L"");
  EXPECT_EQ(L"html file", OpenCommand(L".html", false));
}

TEST_F(AssociationRegistryTest, MissingUnreadableOrEscapingNamesGiveNoCommand) {
  WriteClasses(L"http\\shell\\open\\command", L"classes http");
  WriteClasses(L"shell\\open\\command", L"the root's own");
  WriteClasses(L"nested\\key\\shell\\open\\command", L"a nested key's");
  WriteClasses(L".empty", L"");
  WriteClasses(L".escape", L"nested\\key");
  WriteClasses(L".noprogid\\OpenWithProgids", L"");
  for (const wchar_t* name :
       {L"", L"nested\\key", L"x\\..\\http", L".absent", L"absent", L".empty", L".escape",
        L".noprogid"}) {
    EXPECT_EQ(L"(none)", OpenCommand(name, false)) << name;
  }
  // A choice that cannot be read as text fails the read instead of falling
  // back to a handler the user did not choose.
  base::win::RegKey choice;
  ASSERT_EQ(ERROR_SUCCESS,
            choice.Create(sandbox_.root(),
                          (keys_.user_prefix + kUrlChoice + L"http\\UserChoice").c_str(),
                          KEY_SET_VALUE));
  ASSERT_EQ(ERROR_SUCCESS, choice.WriteValue(L"ProgId", DWORD{1}));
  EXPECT_EQ(L"(none)", OpenCommand(L"http", false));
  EXPECT_EQ(L"(none)", OpenCommand(L"http", true));
}

TEST_F(AssociationRegistryTest, StartMenuClientFallsBackToTheMachineOnlyWhenTheUserHasNone) {
  std::wstring client;
  EXPECT_FALSE(ReadStartMenuInternetClient(keys_, &client));
  WriteMachine(L"Software\\Clients\\StartMenuInternet", L"IEXPLORE.EXE");
  Write(keys_.user_prefix + L"Software\\Clients\\StartMenuInternet", L"other", L"x");
  ASSERT_TRUE(ReadStartMenuInternetClient(keys_, &client));
  EXPECT_EQ(L"IEXPLORE.EXE", client);
  WriteUser(L"Software\\Clients\\StartMenuInternet", L"", L"Veltamarlin");
  ASSERT_TRUE(ReadStartMenuInternetClient(keys_, &client));
  EXPECT_EQ(L"Veltamarlin", client);
}

// The real keys: a protocol registered for the machine is seen in the merged
// classes too.
TEST(AssociationRealRegistryTest, ReadsTheMachineClassesAndTheMergedView) {
  const std::wstring protocol = test::UniqueWideName("velta-test-protocol");
  const std::wstring key_path = L"SOFTWARE\\Classes\\" + protocol;
  {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, (key_path + L"\\shell\\open\\command").c_str(),
                                        KEY_SET_VALUE));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"", L"\"C:\\velta\\launcher.exe\" \"%1\""));
  }
  std::wstring machine_command;
  std::wstring user_command;
  const bool machine_found = ReadOpenCommand(protocol, true, &machine_command);
  const bool user_found = ReadOpenCommand(protocol, false, &user_command);
  ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, key_path.c_str());
  ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key_path.c_str());
  ASSERT_TRUE(machine_found);
  EXPECT_EQ(L"\"C:\\velta\\launcher.exe\" \"%1\"", machine_command);
  ASSERT_TRUE(user_found);
  EXPECT_EQ(machine_command, user_command);
}

}  // namespace
}  // namespace velta
