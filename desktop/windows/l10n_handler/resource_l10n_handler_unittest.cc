// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/l10n_handler/resource_l10n_handler.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "base/process_wide.h"
#include "base/test/scoped_log_collector.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "host/resource_ids.h"
#include "testing/host_resources.h"

namespace velta {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::Not;

// A handler over the host's strings whose language list and system
// preferences are the test's.
class ListedL10nHandler : public ResourceL10nHandler {
 public:
  ListedL10nHandler(HMODULE module,
                    std::vector<std::wstring> available,
                    std::vector<std::wstring> preferred)
      : ResourceL10nHandler(module),
        available_(std::move(available)),
        preferred_(std::move(preferred)) {}

  std::vector<std::wstring> GetAvailableLanguages() const override { return available_; }

 protected:
  std::vector<std::wstring> GetPreferredLanguages() const override { return preferred_; }

 private:
  const std::vector<std::wstring> available_;
  const std::vector<std::wstring> preferred_;
};

class ResourceL10nHandlerTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(host_.module()) << ::GetLastError(); }

  test::ScopedHostResources host_;
};

struct EnglishCase {
  uint32_t id;
  std::vector<std::wstring> args;
  const wchar_t* expected;
};

class EnglishStringsTest : public ResourceL10nHandlerTest,
                           public testing::WithParamInterface<EnglishCase> {};

// "en-US", as the list spells it, must select the English table.
TEST_P(EnglishStringsTest, FoundByIdInTheUsEnglishTable) {
  ResourceL10nHandler handler(host_.module());
  std::wstring language = L"en-US";
  handler.SelectLanguage(&language);
  EXPECT_EQ(L"en-US", language);
  EXPECT_EQ(0x0409, handler.GetLangId());
  EXPECT_EQ(GetParam().expected, handler.GetStringWithArgs(GetParam().id, GetParam().args));
}

INSTANTIATE_TEST_SUITE_P(
    Ids,
    EnglishStringsTest,
    testing::Values(
        EnglishCase{IDS_INSTALLER_CAPTION, {}, L"Velta Installer"},
        EnglishCase{IDS_TERMS_LINE,
                    {L"Install"},
                    L"By clicking on \"Install\" you are agreeing to Velta's "
                    L"<a href=\"tos\">Terms of Service</a>"},
        EnglishCase{IDS_STATUS_INSTALLING_FOR_USER, {L"Ann"}, L"Installing for current user (Ann)\u2026"},
        EnglishCase{IDS_DRIVE_SPACE_NEEDED, {L"C:", L"350"}, L"drive C: (350 MB needed)"},
        EnglishCase{IDS_CONFIRM_UNINSTALL,
                    {},
                    L"By continuing, you will not be able to browse the Internet with the safe and "
                    L"secure Velta browser.\nAre you sure you want to continue?"},
        // Without arguments a placeholder stays as it is.
        EnglishCase{IDS_INSUFFICIENT_SPACE, {}, L"Insufficient space on $1"},
        EnglishCase{IDS_LANGUAGE_NAME, {}, L"English (United States)"},
        // First and last entries of their blocks: the walk stops at the right one.
        EnglishCase{37008, {}, L"Accept and Install"},
        EnglishCase{37007, {}, L"Install"},
        EnglishCase{IDS_LAST, {}, L"Sign in once, and your bookmarks, passwords and open tabs "
                                  L"follow you from one device to the next."}));

TEST_F(ResourceL10nHandlerTest, ProcessWideFunctionsUseTheHandlerInPlace) {
  ListedL10nHandler handler(host_.module(), {L"en-US"}, {});
  base::ProcessWide<L10nHandler>::ScopedOverride override_handler(&handler);
  std::wstring language = L"EN-us";
  SetL10nLanguage(&language);
  EXPECT_EQ(0x0409, GetL10nHandler()->GetLangId());
  EXPECT_EQ(L"Cancel", GetL10nString(IDS_BUTTON_CANCEL));
  EXPECT_EQ(L"The folder D:\\x could not be created.",
            GetL10nStringWithOneArg(IDS_ERROR_FOLDER_NOT_CREATED, L"D:\\x"));
  EXPECT_EQ(L"drive E: (12 MB needed)",
            GetL10nHandler()->GetStringWithArgs(IDS_DRIVE_SPACE_NEEDED, {L"E:", L"12"}));
  EXPECT_EQ(L"drive F: (7 MB needed)",
            GetL10nStringWithTwoArgs(IDS_DRIVE_SPACE_NEEDED, L"F:", L"7"));
}

TEST_F(ResourceL10nHandlerTest, LanguageWithoutTableFallsBackToEnglish) {
  // Georgian has no table: neither the wanted code nor the system's
  // preference is listed, so the strings come from the English table.
  ListedL10nHandler handler(host_.module(), ResourceL10nHandler(host_.module()).GetAvailableLanguages(),
                            {L"ka-GE", L"ka"});
  base::test::ScopedLogCollector warnings(logging::LOG_WARNING);
  std::wstring language = L"ka";
  handler.SelectLanguage(&language);
  EXPECT_EQ(L"en", language);
  EXPECT_EQ(0x0409, handler.GetLangId());
  EXPECT_EQ(L"Velta failed to install", handler.GetStringWithArgs(IDS_INSTALL_FAILED_TITLE, {}));
  EXPECT_THAT(warnings.lines, Contains(HasSubstr("Falling back to english")));
}

TEST_F(ResourceL10nHandlerTest, HostListsOnlyLanguagesWithAKnownLangId) {
  const std::vector<std::wstring> languages =
      ResourceL10nHandler(host_.module()).GetAvailableLanguages();
  EXPECT_THAT(languages, Contains(L"en-US"));
  for (const std::wstring& code : languages) {
    EXPECT_NE(0, LookupLangId(code)) << code;
    // Each language names itself in its own table.
    EXPECT_FALSE(ResourceL10nHandler(host_.module()).GetStringForLanguage(code, IDS_LANGUAGE_NAME).empty())
        << code;
  }
}

// The language list shows each language by its own name, string 37055 of
// its table. A table that the executable lacks under its code's LANGID reads
// as another table's name or as nothing, so every name must be there and
// differ from every other.
TEST_F(ResourceL10nHandlerTest, EachListedLanguageHasANameOfItsOwn) {
  ResourceL10nHandler handler(host_.module());
  std::map<std::wstring, std::wstring> owner_of_name;
  for (const std::wstring& code : handler.GetAvailableLanguages()) {
    const std::wstring name = handler.GetStringForLanguage(code, IDS_LANGUAGE_NAME);
    ASSERT_FALSE(name.empty()) << code;
    EXPECT_EQ(std::wstring::npos, name.find_first_of(L"?\uFFFD")) << code;
    const auto [it, added] = owner_of_name.emplace(name, code);
    EXPECT_TRUE(added) << code << " shows the name of " << it->second;
  }
}

struct OwnLanguageCase {
  const char* name;
  const wchar_t* code;
  const wchar_t* own_name;
  const wchar_t* cancel;
  // A system preference that only the language's prefix matches.
  const wchar_t* preferred;
};

void PrintTo(const OwnLanguageCase& c, std::ostream* os) {
  *os << c.name;
}

class OwnLanguageTest : public ResourceL10nHandlerTest,
                        public testing::WithParamInterface<OwnLanguageCase> {};

// The handler settles on the language from a regional system preference and
// then reads its texts from the executable: its own name, a button, and a
// text with its placeholder replaced.
TEST_P(OwnLanguageTest, ChosenFromTheSystemAndReadInItsOwnScript) {
  const OwnLanguageCase& c = GetParam();
  ListedL10nHandler handler(host_.module(), ResourceL10nHandler(host_.module()).GetAvailableLanguages(),
                            {c.preferred});
  std::wstring language = L"xx";
  handler.SelectLanguage(&language);
  EXPECT_EQ(c.code, language);
  EXPECT_EQ(LookupLangId(c.code), handler.GetLangId());
  EXPECT_EQ(c.own_name, handler.GetStringForLanguage(c.code, IDS_LANGUAGE_NAME));
  EXPECT_EQ(c.cancel, handler.GetStringWithArgs(IDS_BUTTON_CANCEL, {}));
  const std::wstring folder_error = handler.GetStringWithArgs(IDS_ERROR_FOLDER_NOT_CREATED, {L"D:\\x"});
  EXPECT_THAT(folder_error, HasSubstr(L"D:\\x"));
  EXPECT_THAT(folder_error, Not(HasSubstr(L"$1")));
  EXPECT_NE(handler.GetStringForLanguage(L"en-US", IDS_ERROR_FOLDER_NOT_CREATED),
            handler.GetStringWithArgs(IDS_ERROR_FOLDER_NOT_CREATED, {}));
}

INSTANTIATE_TEST_SUITE_P(
    Languages,
    OwnLanguageTest,
    testing::Values(
        OwnLanguageCase{"Amharic", L"am", L"\u12A0\u121B\u122D\u129B", L"\u12ED\u1245\u122D", L"am-ET"},
        OwnLanguageCase{"Bengali", L"bn", L"\u09AC\u09BE\u0982\u09B2\u09BE",
                        L"\u09AC\u09BE\u09A4\u09BF\u09B2 \u0995\u09B0\u09C1\u09A8", L"bn-BD"},
        OwnLanguageCase{"Gujarati", L"gu", L"\u0A97\u0AC1\u0A9C\u0AB0\u0ABE\u0AA4\u0AC0",
                        L"\u0AB0\u0AA6 \u0A95\u0AB0\u0ACB", L"gu-IN"},
        OwnLanguageCase{"Kannada", L"kn", L"\u0C95\u0CA8\u0CCD\u0CA8\u0CA1",
                        L"\u0CB0\u0CA6\u0CCD\u0CA6\u0CC1\u0CAE\u0CBE\u0CA1\u0CBF", L"kn-IN"},
        OwnLanguageCase{"Malayalam", L"ml", L"\u0D2E\u0D32\u0D2F\u0D3E\u0D33\u0D02",
                        L"\u0D31\u0D26\u0D4D\u0D26\u0D3E\u0D15\u0D4D\u0D15\u0D41\u0D15", L"ml-IN"},
        OwnLanguageCase{"Marathi", L"mr", L"\u092E\u0930\u093E\u0920\u0940",
                        L"\u0930\u0926\u094D\u0926 \u0915\u0930\u093E", L"mr-IN"},
        OwnLanguageCase{"Nepali", L"ne", L"\u0928\u0947\u092A\u093E\u0932\u0940",
                        L"\u0930\u0926\u094D\u0926 \u0917\u0930\u094D\u0928\u0941\u0939\u094B\u0938\u094D",
                        L"ne-NP"},
        OwnLanguageCase{"Odia", L"or", L"\u0B13\u0B21\u0B3C\u0B3F\u0B06",
                        L"\u0B2C\u0B3E\u0B24\u0B3F\u0B32\u0B4D \u0B15\u0B30\u0B28\u0B4D\u0B24\u0B41", L"or-IN"},
        OwnLanguageCase{"Punjabi", L"pa", L"\u0A2A\u0A70\u0A1C\u0A3E\u0A2C\u0A40",
                        L"\u0A30\u0A71\u0A26 \u0A15\u0A30\u0A4B", L"pa-Guru-IN"},
        OwnLanguageCase{"Sanskrit", L"sa", L"\u0938\u0902\u0938\u094D\u0915\u0943\u0924\u092E\u094D",
                        L"\u0928\u093F\u0930\u0938\u094D\u092F\u0924\u093E\u092E\u094D", L"sa-IN"},
        OwnLanguageCase{"Sinhala", L"si", L"\u0DC3\u0DD2\u0D82\u0DC4\u0DBD",
                        L"\u0D85\u0DC0\u0DBD\u0D82\u0D9C\u0DD4 \u0D9A\u0DBB\u0DB1\u0DCA\u0DB1", L"si-LK"},
        OwnLanguageCase{"Tamil", L"ta", L"\u0BA4\u0BAE\u0BBF\u0BB4\u0BCD",
                        L"\u0BB0\u0BA4\u0BCD\u0BA4\u0BC1\u0B9A\u0BC6\u0BAF\u0BCD", L"ta-LK"},
        OwnLanguageCase{"Telugu", L"te", L"\u0C24\u0C46\u0C32\u0C41\u0C17\u0C41",
                        L"\u0C30\u0C26\u0C4D\u0C26\u0C41 \u0C1A\u0C47\u0C2F\u0C3F", L"te-IN"},
        // Tigrinya's LANGID is Eritrea's (sublanguage 2), not the default.
        OwnLanguageCase{"Tigrinya", L"ti", L"\u1275\u130D\u122D\u129B", L"\u1230\u122D\u12DD", L"ti-ER"},
        OwnLanguageCase{"Urdu", L"ur", L"\u0627\u0631\u062F\u0648",
                        L"\u0645\u0646\u0633\u0648\u062E \u06A9\u0631\u06CC\u06BA", L"ur-PK"},
        OwnLanguageCase{"Zulu", L"zu", L"isiZulu", L"Khansela", L"zu-ZA"}),
    [](const testing::TestParamInfo<OwnLanguageCase>& info) { return info.param.name; });

struct ChoiceCase {
  const char* name;
  std::vector<std::wstring> available;
  std::vector<std::wstring> preferred;
  const wchar_t* wanted;
  const wchar_t* chosen;
  uint16_t lang_id;
};

class LanguageChoiceTest : public testing::TestWithParam<ChoiceCase> {};

TEST_P(LanguageChoiceTest, SettlesOnAnAvailableLanguage) {
  const ChoiceCase& c = GetParam();
  ListedL10nHandler handler(nullptr, c.available, c.preferred);
  std::wstring language = c.wanted;
  handler.SelectLanguage(&language);
  EXPECT_EQ(c.chosen, language);
  EXPECT_EQ(c.lang_id, handler.GetLangId());
}

INSTANTIATE_TEST_SUITE_P(
    Cases,
    LanguageChoiceTest,
    testing::Values(
        ChoiceCase{"AvailableAsAsked", {L"de", L"fr"}, {}, L"fr", L"fr", 0x040C},
        ChoiceCase{"CaseIgnored", {L"de"}, {}, L"DE", L"DE", 0x0407},
        ChoiceCase{"PtBecomesPtPtEvenWhenPtIsListed", {L"pt", L"pt-PT"}, {}, L"pt", L"pt-PT", 0x0816},
        ChoiceCase{"NoBecomesNb", {L"no", L"nb"}, {}, L"no", L"nb", 0x0414},
        ChoiceCase{"TlBecomesFil", {L"fil", L"tl"}, {}, L"tl", L"fil", 0x0464},
        ChoiceCase{"PreferredAsItStands", {L"de"}, {L"de"}, L"xx", L"de", 0x0407},
        ChoiceCase{"ZhHkTriesZhTw", {L"zh-TW", L"zh-CN"}, {L"zh-HK"}, L"xx", L"zh-TW", 0x0404},
        ChoiceCase{"ZhSgTriesZhCn", {L"zh-TW", L"zh-CN"}, {L"zh-SG"}, L"", L"zh-CN", 0x0804},
        ChoiceCase{"EnAuBecomesEnGb", {L"en-GB", L"en-US"}, {L"en-AU"}, L"", L"en-GB", 0x0809},
        ChoiceCase{"EnIeBecomesEnUs", {L"en-GB", L"en-US"}, {L"en-IE"}, L"", L"en-US", 0x0409},
        ChoiceCase{"EsMxBecomesEs419", {L"es", L"es-419"}, {L"es-MX"}, L"", L"es-419", 0x080A},
        ChoiceCase{"EsEsBecomesEs", {L"es", L"es-419"}, {L"es-ES"}, L"", L"es", 0x0C0A},
        ChoiceCase{"FilWithRegionBecomesTl", {L"tl"}, {L"fil-PH"}, L"", L"tl", 0x0400},
        ChoiceCase{"NoWithRegionBecomesNb", {L"nb"}, {L"no-NO"}, L"", L"nb", 0x0414},
        ChoiceCase{"LaterPreferenceWins", {L"fr"}, {L"ko-KR", L"fr-CH"}, L"", L"fr", 0x040C},
        ChoiceCase{"HyphenFirstIsNotSplit", {L"de"}, {L"-de"}, L"", L"en", 0x0409},
        ChoiceCase{"NothingAvailable", {}, {L"de-DE"}, L"de", L"en", 0x0409},
        ChoiceCase{"NoPreferences", {L"de"}, {}, L"it", L"en", 0x0409},
        ChoiceCase{"NonAsciiNeverAvailable", {L"d\u00E9"}, {}, L"d\u00E9", L"en", 0x0409},
        // An empty entry (a list ending in a line feed) does not make the empty
        // code available: that would leave LANGID 0 and no language at all.
        ChoiceCase{"EmptyCodeNeverAvailable", {L"de", L""}, {}, L"", L"en", 0x0409}),
    [](const testing::TestParamInfo<ChoiceCase>& info) { return info.param.name; });

TEST(LookupLangIdTest, MapsCodesIgnoringCase) {
  EXPECT_EQ(0x0409, LookupLangId(L"en-US"));
  EXPECT_EQ(0x0409, LookupLangId(L"en"));
  EXPECT_EQ(0x0809, LookupLangId(L"EN-gb"));
  EXPECT_EQ(0x0C04, LookupLangId(L"zh-HK"));
  EXPECT_EQ(0x040D, LookupLangId(L"iw"));
  EXPECT_EQ(0, LookupLangId(L""));
  EXPECT_EQ(0, LookupLangId(L"en-us-x"));
  EXPECT_EQ(0, LookupLangId(L"klingon"));
}

// The test binary's own resources (testdata/l10n_handler_unittests.rc).
TEST(ResourceL10nHandlerOwnResourcesTest, LanguageListIsReadWithinItsSize) {
  ResourceL10nHandler handler;
  EXPECT_THAT(handler.GetAvailableLanguages(), ElementsAre(L"fr", L"de"));
}

TEST(ResourceL10nHandlerOwnResourcesTest, CutStringBlockIsReadOnlyUpToItsEnd) {
  ResourceL10nHandler handler;
  base::test::ScopedLogCollector errors(logging::LOG_ERROR);
  EXPECT_EQ(L"AB", handler.GetStringForLanguage(L"en-US", 64000));
  EXPECT_EQ(L"C", handler.GetStringForLanguage(L"en-US", 64001));
  EXPECT_EQ(L"", handler.GetStringForLanguage(L"en-US", 64002));
  EXPECT_EQ(L"", handler.GetStringForLanguage(L"en-US", 64016));
  EXPECT_EQ(L"", handler.GetStringForLanguage(L"en-US", 64017));
  EXPECT_THAT(errors.lines, ElementsAre(HasSubstr("block 4001 ends before string 64002"),
                                        HasSubstr("block 4002 ends inside string 64016"),
                                        HasSubstr("block 4002 ends inside string 64017")));
  // A block that is not there at all.
  EXPECT_EQ(L"", handler.GetStringForLanguage(L"en-US", 64100));
  EXPECT_THAT(errors.lines.back(), HasSubstr("Failed to find string 64100"));
}

}  // namespace
}  // namespace velta
