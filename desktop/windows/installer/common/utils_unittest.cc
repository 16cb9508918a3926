// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/utils.h"

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/path_service.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/scoped_com_initializer.h"
#include "base/win/shortcut.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

struct PathCase {
  const wchar_t* path;
  bool is_directory;
  bool is_valid;
};

void PrintTo(const PathCase& path_case, std::ostream* os) {
  *os << base::WideToUTF8(path_case.path) << (path_case.is_directory ? " (folder)" : " (file)");
}

class IsValidPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(IsValidPathTest, AnswersAsAUserTypedPathWouldWork) {
  EXPECT_EQ(GetParam().is_valid, IsValidPath(GetParam().path, GetParam().is_directory));
}

INSTANTIATE_TEST_SUITE_P(
    Names, IsValidPathTest,
    ::testing::Values(PathCase{L"", true, false},
                      PathCase{L"C:", true, true},
                      PathCase{L"C:\\", true, true},
                      PathCase{L"C:\\Program Files\\Velta", true, true},
                      PathCase{L"C:/Program Files//Velta\\\\", true, true},
                      PathCase{L"relative\\folder", true, true},
                      PathCase{L"C:\\a.", true, false},
                      PathCase{L"C:\\a \\b", true, false},
                      PathCase{L"C:\\ a", true, false},
                      PathCase{L"C:\\..\\b", true, false},
                      PathCase{L"C:\\aux", true, false},
                      PathCase{L"C:\\x\\Com1.log", false, false},
                      PathCase{L"C:\\con.txt", false, false},
                      PathCase{L"C:\\NuL", true, false},
                      PathCase{L"C:\\lpt3.a.b", true, false},
                      PathCase{L"C:\\con1", true, true},
                      PathCase{L"C:\\comx", true, true},
                      PathCase{L"C:\\COM5", true, true},
                      PathCase{L"C:\\LPT4", true, true},
                      PathCase{L"C:\\console", true, true},
                      PathCase{L"C:\\.hidden", true, true},
                      PathCase{L"C:\\a|b", true, false},
                      PathCase{L"C:\\a:b", true, false},
                      PathCase{L"C:\\a?", true, false},
                      PathCase{L"C:\\a*", true, false},
                      PathCase{L"C:\\<a>", true, false},
                      PathCase{L"C:\\\"a\"", true, false},
                      PathCase{L"C:\\a\tb", true, false},
                      PathCase{L"C:\\a\x1f", true, false}));

INSTANTIATE_TEST_SUITE_P(
    UncPaths, IsValidPathTest,
    ::testing::Values(PathCase{L"\\\\server\\share", true, false},
                      PathCase{L"\\\\server\\share\\", true, true},
                      PathCase{L"\\\\server\\share\\folder", true, true},
                      PathCase{L"//server/share/folder", true, true},
                      PathCase{L"\\\\server", true, false},
                      PathCase{L"\\\\", true, false},
                      PathCase{L"\\\\\\share\\folder", true, false},
                      PathCase{L"\\\\server\\share\\bad|name", true, false}));

std::wstring PathOfLength(size_t length) {
  std::wstring path = L"C:\\";
  while (path.size() < length)
    path += (path.size() % 100 == 99) ? L'\\' : L'a';
  path.back() = L'z';
  return path;
}

TEST(IsValidPathLengthTest, FolderPathsStayBelow248Characters) {
  EXPECT_TRUE(IsValidPath(PathOfLength(247), true));
  EXPECT_FALSE(IsValidPath(PathOfLength(248), true));
}

TEST(IsValidPathLengthTest, FilePathsStayBelow260Characters) {
  EXPECT_TRUE(IsValidPath(PathOfLength(259), false));
  EXPECT_FALSE(IsValidPath(PathOfLength(260), false));
  EXPECT_TRUE(IsValidPath(PathOfLength(250), false));
  EXPECT_FALSE(IsValidPath(PathOfLength(250), true));
}

TEST(MakeNamedObjectNameTest, TurnsBackslashesIntoSlashesAfterTheNamespace) {
  EXPECT_EQ(L"Global\\P/C:/Program Files/X",
            MakeNamedObjectName(L"C:\\Program Files\\X", L"P", true));
  EXPECT_EQ(L"Local\\VeltaInstaller/GiveInstallPermission/C:/a/b",
            MakeNamedObjectName(L"C:\\a\\b", L"VeltaInstaller\\GiveInstallPermission", false));
}

TEST(MakeNamedObjectNameTest, MakesNamesWindowsAccepts) {
  // A backslash after "Local\" is refused with ERROR_PATH_NOT_FOUND; the
  // converted name must make a real event.
  std::wstring name = MakeNamedObjectName(L"C:\\Program Files\\Velta Test", L"UtilsTest", false);
  HANDLE event = ::CreateEventW(nullptr, TRUE, FALSE, name.c_str());
  DWORD error = ::GetLastError();
  ASSERT_NE(nullptr, event) << error;
  ::CloseHandle(event);
}

TEST(StreamNameTest, NamesTheFourStreamsAndFallsBackToTheChannel) {
  EXPECT_EQ("Sorrel", GetStreamName(1));
  EXPECT_EQ("Marlin", GetStreamName(2));
  EXPECT_EQ("Kestrel", GetStreamName(3));
  EXPECT_EQ("Granite", GetStreamName(4));
  EXPECT_EQ("marlin", GetStreamName(0));
  EXPECT_EQ("marlin", GetStreamName(5));
  EXPECT_EQ("Marlin", GetBuildStreamName());
}

TEST(RegistryPathTest, FormatsTheFourRootsAndLeavesOthersBare) {
  struct {
    HKEY root;
    const wchar_t* expected;
  } cases[] = {
      {HKEY_CLASSES_ROOT, L"CLASSES_ROOT\\Software\\X"},
      {HKEY_CURRENT_USER, L"CURRENT_USER\\Software\\X"},
      {HKEY_LOCAL_MACHINE, L"MACHINE\\Software\\X"},
      {HKEY_USERS, L"USERS\\Software\\X"},
      {HKEY_CURRENT_CONFIG, L"Software\\X"},
  };
  for (const auto& test_case : cases) {
    std::wstring text;
    FormatRegistryPath(test_case.root, L"Software\\X", &text);
    EXPECT_EQ(test_case.expected, text);
  }
  std::wstring text = L"Key ";
  FormatRegistryPath(HKEY_CURRENT_USER, L"A", &text);
  EXPECT_EQ(L"Key CURRENT_USER\\A", text);
}

TEST(RegistryPathTest, NamesTheInstallerKeys) {
  EXPECT_EQ(L"Software\\Velta Software", GetCompanyRegistryPath());
  EXPECT_EQ(L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
            GetUninstallRegistryPath());
  EXPECT_EQ("velta.exe", GetBrowserExeName());
}

TEST(IsParentPathIgnoringCaseTest, ComparesWholeComponentsWithoutCase) {
  EXPECT_TRUE(IsParentPathIgnoringCase(L"C:\\Program Files\\Velta",
                                       L"c:\\PROGRAM FILES\\velta\\Application\\velta.exe"));
  EXPECT_TRUE(IsParentPathIgnoringCase(L"C:\\Velta\\", L"C:\\velta\\a"));
  EXPECT_FALSE(IsParentPathIgnoringCase(L"C:\\Velta", L"C:\\VeltaX\\a"));
  EXPECT_FALSE(IsParentPathIgnoringCase(L"C:\\Velta", L"C:\\Velta"));
  EXPECT_FALSE(IsParentPathIgnoringCase(L"C:\\Velta\\a", L"C:\\Velta"));
}

TEST(ParseVersionFolderNameTest, AcceptsFourOrFiveNumericParts) {
  uint32_t major = 0;
  EXPECT_TRUE(ParseVersionFolderName(base::FilePath(L"C:\\x\\12.0.345.6"), &major));
  EXPECT_EQ(12u, major);
  EXPECT_TRUE(ParseVersionFolderName(base::FilePath(L"7.0.345.6.7"), &major));
  EXPECT_EQ(7u, major);
  EXPECT_TRUE(ParseVersionFolderName(base::FilePath(L"1.0_1.2.3"), nullptr));
}

TEST(ParseVersionFolderNameTest, RefusesOtherNamesAndKeepsMajor) {
  const wchar_t* const kNames[] = {L"12.0.345",    L"12.0.a.0",   L"1_2.0.0.0",
                                   L".0.0.0",      L"1.2.3.4.5.6", L"",
                                   L"99999999999.0.0.0",
                                   L"-1.0.0.0"};
  for (const wchar_t* name : kNames) {
    uint32_t major = 77;
    EXPECT_FALSE(ParseVersionFolderName(base::FilePath(name), &major))
        << base::WideToUTF8(name);
    EXPECT_EQ(77u, major);
  }
}

TEST(InstallerResultTest, TellsSuccessAndMeaningfulResults) {
  EXPECT_TRUE(IsInstallerResultSuccess(0));
  EXPECT_FALSE(IsInstallerResultSuccess(1));
  EXPECT_FALSE(IsMeaningfulInstallerResult(13));
  EXPECT_FALSE(IsMeaningfulInstallerResult(15));
  EXPECT_TRUE(IsMeaningfulInstallerResult(0));
  EXPECT_TRUE(IsMeaningfulInstallerResult(14));
  EXPECT_TRUE(IsMeaningfulInstallerResult(26));
}

TEST(UserNameTest, GivesTheLogonNameAlsoInDomainForm) {
  std::wstring name;
  ASSERT_TRUE(GetCurrentUserName(&name));
  ASSERT_FALSE(name.empty());
  std::wstring sam_name;
  ASSERT_TRUE(GetUserNameSamCompatible(&sam_name));
  ASSERT_GT(sam_name.size(), name.size());
  EXPECT_EQ(L"\\" + name, sam_name.substr(sam_name.size() - name.size() - 1));
}

// A scratch folder under the temporary folder, removed with its files.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    dir_ = temp_dir_.GetPath();
  }

  base::FilePath WriteFile(const std::wstring& name, const std::string& bytes) {
    base::FilePath path = dir_.Append(name);
    EXPECT_TRUE(base::WriteFile(path, bytes)) << path.AsUTF8Unsafe();
    return path;
  }

  // The first 4096 bytes of this test executable: its headers.
  static std::string ReadOwnExecutable() {
    base::FilePath exe;
    EXPECT_TRUE(base::PathService::Get(base::FILE_EXE, &exe));
    std::string bytes(4096, '\0');
    const int read = base::ReadFile(exe, bytes.data(), static_cast<int>(bytes.size()));
    bytes.resize(read > 0 ? static_cast<size_t>(read) : 0);
    return bytes;
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath dir_;
};

using ExecutableArchitectureTest = ScratchFolderTest;

TEST_F(ExecutableArchitectureTest, ReadsTheMachineOfOurOwnExecutable) {
  base::FilePath exe;
  ASSERT_TRUE(base::PathService::Get(base::FILE_EXE, &exe));
  EXPECT_EQ(sizeof(void*) == 4 ? ExecutableArchitecture::kX86 : ExecutableArchitecture::kOther,
            GetExecutableArchitecture(exe));
}

TEST_F(ExecutableArchitectureTest, ReadsTheOtherMachineToo) {
  // Our own headers with the machine field set to the other architecture.
  std::string image = ReadOwnExecutable();
  ASSERT_GE(image.size(), 512u);
  uint32_t nt_offset = 0;
  memcpy(&nt_offset, image.data() + 0x3C, sizeof(nt_offset));
  ASSERT_LT(nt_offset + 6, image.size());
  uint16_t machine = 0;
  memcpy(&machine, image.data() + nt_offset + 4, sizeof(machine));
  const uint16_t other =
      machine == IMAGE_FILE_MACHINE_I386 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
  memcpy(image.data() + nt_offset + 4, &other, sizeof(other));
  EXPECT_EQ(other == IMAGE_FILE_MACHINE_I386 ? ExecutableArchitecture::kX86
                                             : ExecutableArchitecture::kOther,
            GetExecutableArchitecture(WriteFile(L"other.exe", image)));
}

TEST_F(ExecutableArchitectureTest, CallsMissingShortAndForeignFilesUnknown) {
  std::string image = ReadOwnExecutable();
  std::string pe_offset_past_end = image.substr(0, 64);
  std::string no_pe_signature = image;
  uint32_t nt_offset = 0;
  memcpy(&nt_offset, image.data() + 0x3C, sizeof(nt_offset));
  no_pe_signature[nt_offset] = 'X';
  std::string header_cut_short = image.substr(0, nt_offset + 8);

  EXPECT_EQ(ExecutableArchitecture::kUnknown,
            GetExecutableArchitecture(dir_.Append(L"missing.exe")));
  EXPECT_EQ(ExecutableArchitecture::kUnknown,
            GetExecutableArchitecture(WriteFile(L"empty.exe", std::string())));
  EXPECT_EQ(ExecutableArchitecture::kUnknown,
            GetExecutableArchitecture(WriteFile(L"text.exe", "MZ is not enough here\n")));
  EXPECT_EQ(ExecutableArchitecture::kUnknown,
            GetExecutableArchitecture(WriteFile(L"cut.exe", pe_offset_past_end)));
  EXPECT_EQ(ExecutableArchitecture::kUnknown,
            GetExecutableArchitecture(WriteFile(L"nope.exe", no_pe_signature)));
  EXPECT_EQ(ExecutableArchitecture::kUnknown,
            GetExecutableArchitecture(WriteFile(L"short.exe", header_cut_short)));
  EXPECT_EQ(ExecutableArchitecture::kUnknown, GetExecutableArchitecture(dir_));
}

using FileInformationTest = ScratchFolderTest;

TEST_F(FileInformationTest, IdentifiesOneFileThroughTwoSpellings) {
  base::FilePath file = WriteFile(L"a.txt", "abc");
  base::FilePath other = WriteFile(L"b.txt", "abc");
  BY_HANDLE_FILE_INFORMATION info = {};
  BY_HANDLE_FILE_INFORMATION same = {};
  BY_HANDLE_FILE_INFORMATION different = {};
  ASSERT_TRUE(GetFileInformationForPath(file, &info));
  ASSERT_TRUE(GetFileInformationForPath(dir_.Append(L"x\\..\\A.TXT"), &same));
  ASSERT_TRUE(GetFileInformationForPath(other, &different));
  EXPECT_EQ(3u, info.nFileSizeLow);
  EXPECT_EQ(info.dwVolumeSerialNumber, same.dwVolumeSerialNumber);
  EXPECT_EQ(info.nFileIndexLow, same.nFileIndexLow);
  EXPECT_EQ(info.nFileIndexHigh, same.nFileIndexHigh);
  EXPECT_FALSE(info.nFileIndexLow == different.nFileIndexLow &&
               info.nFileIndexHigh == different.nFileIndexHigh);
}

TEST_F(FileInformationTest, ReadsFilesHeldOpenForWritingAndFolders) {
  base::FilePath file = WriteFile(L"held.txt", "abc");
  HANDLE writer = ::CreateFileW(file.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, writer);
  BY_HANDLE_FILE_INFORMATION info = {};
  EXPECT_TRUE(GetFileInformationForPath(file, &info));
  ::CloseHandle(writer);
  EXPECT_TRUE(GetFileInformationForPath(dir_, &info));
  EXPECT_TRUE(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_FALSE(GetFileInformationForPath(dir_.Append(L"missing.txt"), &info));
}

// Links in a scratch folder to `target_`; `other_` is a different file with
// the same bytes.
class IsShortcutToTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.Succeeded());
    ScratchFolderTest::SetUp();
    target_ = WriteFile(L"velta.exe", "exe");
    other_ = WriteFile(L"other.exe", "exe");
    ASSERT_TRUE(GetFileInformationForPath(target_, &target_info_));
  }

  base::FilePath MakeLink(const std::wstring& name, const base::FilePath& target) {
    base::FilePath link = dir_.Append(name);
    base::win::ShortcutProperties properties;
    properties.set_target(target);
    EXPECT_TRUE(base::win::CreateOrUpdateShortcutLink(link, properties,
                                                      base::win::SHORTCUT_CREATE_ALWAYS));
    return link;
  }

  base::win::ScopedCOMInitializer com_;
  base::FilePath target_;
  base::FilePath other_;
  BY_HANDLE_FILE_INFORMATION target_info_ = {};
};

TEST_F(IsShortcutToTest, MatchesTheTargetByNameOrByFileIdentity) {
  base::FilePath hard_link = dir_.Append(L"hard.exe");
  ASSERT_TRUE(::CreateHardLinkW(hard_link.value().c_str(), target_.value().c_str(), nullptr));
  ASSERT_TRUE(base::CreateDirectory(dir_.Append(L"sub")));
  const base::FilePath upper_case(base::ToUpperASCII(target_.value()));
  const base::FilePath other_spelling = dir_.Append(L"sub\\..\\velta.exe");
  struct {
    base::FilePath link;
    bool given_info;
    bool expected;
  } cases[] = {
      {MakeLink(L"same.lnk", target_), false, true},
      {MakeLink(L"case.lnk", upper_case), false, true},
      {MakeLink(L"hard.lnk", hard_link), false, false},
      {MakeLink(L"hard.lnk", hard_link), true, true},
      {MakeLink(L"spelling.lnk", other_spelling), true, true},
      {MakeLink(L"other.lnk", other_), false, false},
      {MakeLink(L"other.lnk", other_), true, false},
      {dir_.Append(L"missing.lnk"), true, false},
      {base::FilePath(), true, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.expected, IsShortcutTo(c.link, target_, c.given_info ? &target_info_ : nullptr))
        << c.link << " with information " << c.given_info;
  }
}

TEST_F(IsShortcutToTest, ReadsTheTargetOfResolvedProperties) {
  base::win::ShortcutProperties properties;
  ASSERT_TRUE(base::win::ResolveShortcutProperties(
      MakeLink(L"same.lnk", target_), base::win::ShortcutProperties::PROPERTIES_TARGET,
      &properties));
  EXPECT_EQ(target_.value(), GetShortcutTargetPath(properties));
}

TEST(KnownFolderTest, FindsLocalAppDataByIdAndCreatesOnRequest) {
  base::FilePath path;
  ASSERT_TRUE(GetKnownFolderPath(FOLDERID_LocalAppData, CSIDL_LOCAL_APPDATA, &path, false));
  EXPECT_TRUE(path.IsAbsolute());
  EXPECT_TRUE(base::DirectoryExists(path));
  base::FilePath created;
  ASSERT_TRUE(GetKnownFolderPath(FOLDERID_LocalAppData, CSIDL_LOCAL_APPDATA, &created, true));
  EXPECT_EQ(path, created);
}

}  // namespace
}  // namespace velta
