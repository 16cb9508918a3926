// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/installer_window_impl.h"

#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <cstdint>
#include <cwctype>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop_for_ui.h"
#include "base/process_wide.h"
#include "base/run_loop.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/recording_stats_sender.h"
#include "desktop/windows/installer/flow/installer_progress.h"
#include "desktop/windows/installer/installation_folder_details_fetcher_impl.h"
#include "desktop/windows/installer/installation_folder_details_impl.h"
#include "desktop/windows/installer/settings_impl.h"
#include "desktop/windows/installer/status/installation_status.h"
#include "desktop/windows/installer/status/installation_status_json_writer.h"
#include "desktop/windows/installer/test/scoped_host_strings.h"
#include "desktop/windows/installer/test/scoped_installer_process.h"
#include "desktop/windows/installer/test/scoped_installer_sandbox.h"
#include "desktop/windows/installer/test/scoped_installer_threads.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/fake_web_page_opener.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/installer/utils/taskband_utils_impl.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "host/resource_ids.h"

namespace velta {
namespace window_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;


// A calculator that stands at a fixed place of a fixed range.
class FixedCalculator : public ProgressCalculator {
 public:
  void SetObserver(ProgressCalculatorObserver* observer) override { observer_ = observer; }
  uint32_t GetMaximum() const override { return 100; }
  uint32_t GetProgress() const override { return 0; }

  ProgressCalculatorObserver* observer_ = nullptr;
};

// Records the user's decisions the window reports.
class RecordingDelegate : public InstallerWindowDelegate {
 public:
  void OnAcceptClicked() override { calls_.push_back("accept"); }
  void OnCancelClicked() override { calls_.push_back("cancel"); }
  void OnRetryClicked() override { calls_.push_back("retry"); }
  void ObtainFullPackage() override { calls_.push_back("full"); }

  std::vector<std::string> calls_;
};

std::wstring TextOf(HWND window) {
  wchar_t text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

// Answers the next message box of this thread: records its button texts
// and presses `button`. Runs from a thread timer, which the box's own
// modal loop dispatches.
struct BoxAnswer {
  int button = IDNO;
  std::vector<std::wstring> texts;
  bool seen = false;
};
BoxAnswer* g_answer = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) == L"#32770" && ::GetDlgItem(window, IDNO) && ::IsWindowVisible(window)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), &FindBox, reinterpret_cast<LPARAM>(&box));
  if (!box || !g_answer || g_answer->seen)
    return;
  ::KillTimer(nullptr, timer);
  g_answer->seen = true;
  g_answer->texts = {TextOf(::GetDlgItem(box, IDYES)), TextOf(::GetDlgItem(box, IDNO))};
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(g_answer->button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(box, g_answer->button)));
}

// The window over real settings in a sandbox, the host's templates (linked
// into this binary), its strings, and a recording statistics sender.
class InstallerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RichStatic::InitializeLibraries();
    ASSERT_TRUE(dir_.CreateUniqueTempDir());
    ASSERT_TRUE(strings_.is_loaded());
    ASSERT_TRUE(sandbox_.is_valid());
    sandbox_.OverrideKnownFolders(dir_.GetPath());
    base::TaskScheduler::Create("installer");
    const base::SchedulerWorkerPoolParams one(1, base::TimeDelta::FromSeconds(30));
    base::TaskScheduler::GetInstance()->Start(base::TaskScheduler::InitParams(one, one, one, one));
  }

  void TearDown() override {
    window_.reset();
    settings_.reset();
    process_.reset();
    base::TaskScheduler::GetInstance()->JoinForTesting();
    base::TaskScheduler::SetInstance(nullptr);
  }

  // Makes the window of a process started with `switches`, once the
  // settings know their folder.
  void MakeWindow(std::vector<std::wstring> switches, bool simplified) {
    switches.push_back(L"installfolder=" + dir_.GetPath().Append(L"Target").value());
    process_.emplace(switches);
    settings_ = std::make_unique<SettingsImpl>(
        base::CommandLine::ForCurrentProcess()->GetSwitchValuePath("installfolder"),
        PackageArchitecture::kX64, false, InstallationFolderDetailsFetcherImpl::GetFactory());
    ASSERT_TRUE(WaitForFolderDetails(*settings_));
    window_ = InstallerWindowImpl::CreateVariant(settings_.get(), &progress_, &calculator_,
                                                 simplified);
    ASSERT_TRUE(window_);
    window_->AddObserver(&delegate_);
  }

  HWND Main() { return window_->GetHwnd(); }
  HWND Item(int id) {
    HWND item = ::GetDlgItem(Main(), id);
    return item ? item : ::GetDlgItem(window_->options_dialog(), id);
  }

  // Posts a key to the focused control and lets the UI loop, with the
  // dispatcher, handle it.
  void PressKey(WPARAM key) {
    ::SetForegroundWindow(Main());
    ::SetActiveWindow(Main());
    HWND target = ::GetFocus() ? ::GetFocus() : Main();
    ::PostMessageW(target, WM_KEYDOWN, key, 1);
    ::PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    base::RunLoop(base::RunLoop::Type::kDefault, Win32DialogDispatcher::GetInstance())
        .RunUntilIdle();
  }

  // Runs `action` while a timer answers the message box it opens.
  BoxAnswer AnswerNextBox(int button, base::OnceClosure action) {
    BoxAnswer answer;
    answer.button = button;
    g_answer = &answer;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &AnswerBox);
    std::move(action).Run();
    ::KillTimer(nullptr, timer);
    g_answer = nullptr;
    return answer;
  }

  base::MessageLoopForUI loop_;
  base::win::ScopedCOMInitializer com_;
  base::ScopedTempDir dir_;
  ScopedInstallerSandbox sandbox_;
  ScopedHostStrings strings_;
  std::vector<std::string> events_;
  RecordingStatsSender sender_{&events_};
  base::ProcessWide<AvroStatsSender>::ScopedOverride sender_override_{&sender_};
  std::optional<ScopedInstallerProcess> process_;
  InstallerProgress progress_;
  FixedCalculator calculator_;
  std::unique_ptr<SettingsImpl> settings_;
  std::unique_ptr<InstallerWindowImpl> window_;
  RecordingDelegate delegate_;
};

struct FirstPageCase {
  const char* name;
  std::vector<std::wstring> switches;
  bool simplified;
  uint32_t layout;
  // Shown on the first page.
  std::vector<int> shown;
  std::vector<int> hidden;
};

class InstallerWindowFirstPageTest : public InstallerWindowTest,
                                     public ::testing::WithParamInterface<FirstPageCase> {};

// The first page follows the mode; the first layout change is reported, and
// the window's end is reported as closed.
TEST_P(InstallerWindowFirstPageTest, ShowsTheModesPage) {
  MakeWindow(GetParam().switches, GetParam().simplified);
  EXPECT_EQ(GetParam().layout, window_->layout());
  EXPECT_TRUE(::IsWindowVisible(Main()));
  EXPECT_EQ(L"Velta Installer", TextOf(Main()));
  for (int id : GetParam().shown)
    EXPECT_TRUE(::IsWindowVisible(Item(id))) << id;
  for (int id : GetParam().hidden)
    EXPECT_FALSE(Item(id) && ::IsWindowVisible(Item(id))) << id;
  EXPECT_THAT(events_, ElementsAre("page_transition"));
  window_.reset();
  EXPECT_THAT(events_, ElementsAre("page_transition", "page_transition"));
}

INSTANTIATE_TEST_SUITE_P(
    Modes,
    InstallerWindowFirstPageTest,
    ::testing::Values(
        FirstPageCase{"install_classic",
                      {},
                      false,
                      LAYOUT_WELCOME,
                      {IDC_ACCEPT_BUTTON, IDC_OPTIONS_BUTTON, IDC_TERMS_LINE, IDC_LOGO},
                      {IDC_BACK_BUTTON, IDC_PROGRESS_BAR, IDC_REINSTALL_BUTTON}},
        FirstPageCase{"install_simplified",
                      {},
                      true,
                      LAYOUT_WELCOME,
                      {IDC_ACCEPT_BUTTON, IDC_CLOSE_BUTTON, IDC_FEATURE_ICON_1, IDC_FEATURE_TEXT_4},
                      {IDC_OPTIONS_BUTTON, IDC_BACK_BUTTON, IDC_SLIDE_PICTURE}},
        FirstPageCase{"run_immediately",
                      {L"runimmediately"},
                      true,
                      LAYOUT_PROGRESS,
                      {IDC_PROGRESS_BAR, IDC_STATUS_TEXT, IDC_SLIDE_PICTURE},
                      {IDC_BACK_BUTTON, IDC_ACCEPT_BUTTON, IDC_CLOSE_BUTTON}},
        FirstPageCase{"uninstall",
                      {L"uninstall"},
                      false,
                      LAYOUT_UNINSTALL,
                      {IDC_REINSTALL_BUTTON, IDC_UNINSTALL_BUTTON, IDC_DELETE_USER_DATA},
                      {IDC_ACCEPT_BUTTON, IDC_BACK_BUTTON}}),
    [](const ::testing::TestParamInfo<FirstPageCase>& info) { return info.param.name; });

// What the install folder holds decides whether Accept installs or upgrades;
// the terms line quotes the same text.
enum class FolderHolds { kNothing, kLauncherOnly, kInstallation };

struct AcceptTextCase {
  const char* name;
  FolderHolds holds;
  bool simplified;
  const wchar_t* text;
};

class InstallerWindowAcceptTextTest : public InstallerWindowTest,
                                      public ::testing::WithParamInterface<AcceptTextCase> {};

TEST_P(InstallerWindowAcceptTextTest, NamesWhatAcceptWillDo) {
  const AcceptTextCase& param = GetParam();
  const base::FilePath target = dir_.GetPath().Append(L"Target");
  ASSERT_TRUE(base::CreateDirectory(target));
  if (param.holds != FolderHolds::kNothing) {
    ASSERT_TRUE(base::WriteFile(target.Append(L"launcher.exe"), "MZ", 2));
  }
  if (param.holds == FolderHolds::kInstallation) {
    InstallationStatus status(StatusSource::kGenerated);
    status.path = target;
    status.app_id = L"abc";
    ASSERT_TRUE(WriteInstallationStatusJson(status, target.Append(L"installation_status.json")));
  }
  MakeWindow({}, param.simplified);
  EXPECT_EQ(param.text, TextOf(Item(IDC_ACCEPT_BUTTON)));
  const std::wstring terms = TextOf(Item(IDC_TERMS_LINE));
  EXPECT_NE(std::wstring::npos, terms.find(std::wstring(L"\"") + param.text + L"\"")) << terms;
}

INSTANTIATE_TEST_SUITE_P(
    Folders, InstallerWindowAcceptTextTest,
    ::testing::Values(
        AcceptTextCase{"EmptyClassic", FolderHolds::kNothing, false, L"Accept and Install"},
        AcceptTextCase{"EmptySimplified", FolderHolds::kNothing, true, L"Install"},
        AcceptTextCase{"LauncherLeftClassic", FolderHolds::kLauncherOnly, false,
                       L"Accept and Upgrade"},
        AcceptTextCase{"LauncherLeftSimplified", FolderHolds::kLauncherOnly, true,
                       L"Accept and Upgrade"},
        AcceptTextCase{"InstallationSimplified", FolderHolds::kInstallation, true,
                       L"Accept and Upgrade"}),
    [](const ::testing::TestParamInfo<AcceptTextCase>& info) { return info.param.name; });

TEST_F(InstallerWindowTest, TextsComeFromTheStringTables) {
  MakeWindow({}, false);
  EXPECT_EQ(L"&Options", TextOf(Item(IDC_OPTIONS_BUTTON)));
  EXPECT_EQ(L"Accept and Install", TextOf(Item(IDC_ACCEPT_BUTTON)));
  EXPECT_EQ(L"Install &path", TextOf(Item(IDC_INSTALL_PATH_LABEL)));
  EXPECT_EQ(L"&Try again", TextOf(Item(IDC_RETRY_BUTTON)));
  // The installer types, the second with the user's logon name.
  HWND types = Item(IDC_INSTALL_TYPE_LIST);
  ASSERT_EQ(3, ::SendMessageW(types, CB_GETCOUNT, 0, 0));
  wchar_t entry[128] = {};
  ::SendMessageW(types, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(entry));
  EXPECT_EQ(0u, std::wstring(entry).find(L"Current user"));
  // Every language the host offers, by its own name.
  EXPECT_EQ(static_cast<LRESULT>(GetL10nHandler()->GetAvailableLanguages().size()),
            ::SendMessageW(Item(IDC_LANGUAGE_LIST), CB_GETCOUNT, 0, 0));
}

// Tab walks only the controls the page shows.
struct TabCase {
  const char* name;
  bool simplified;
  bool options;
};

class InstallerWindowTabTest : public InstallerWindowTest,
                               public ::testing::WithParamInterface<TabCase> {};

TEST_P(InstallerWindowTabTest, WalksTheVisibleControls) {
  MakeWindow({}, GetParam().simplified);
  if (GetParam().options)
    ::SendMessageW(Main(), WM_COMMAND, MAKEWPARAM(IDC_OPTIONS_BUTTON, BN_CLICKED), 0);
  ASSERT_EQ(GetParam().options ? LAYOUT_OPTIONS : LAYOUT_WELCOME, window_->layout());
  std::vector<HWND> seen;
  for (int i = 0; i < 12; ++i) {
    PressKey(VK_TAB);
    HWND focus = ::GetFocus();
    ASSERT_TRUE(focus);
    EXPECT_TRUE(::IsWindowVisible(focus)) << ::GetDlgCtrlID(focus);
    seen.push_back(focus);
  }
  // The walk reaches the accept button and, on the options page, the
  // options' own controls.
  EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), Item(IDC_ACCEPT_BUTTON)));
  if (GetParam().options) {
    EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), Item(IDC_SEND_STATS_CHECK)));
  }
}

INSTANTIATE_TEST_SUITE_P(Pages,
                         InstallerWindowTabTest,
                         ::testing::Values(TabCase{"welcome_classic", false, false},
                                           TabCase{"welcome_simplified", true, false},
                                           TabCase{"options_classic", false, true}),
                         [](const ::testing::TestParamInfo<TabCase>& info) {
                           return info.param.name;
                         });

TEST_F(InstallerWindowTest, SpaceOnTheFocusedAcceptButtonAccepts) {
  MakeWindow({}, true);
  ASSERT_EQ(Item(IDC_ACCEPT_BUTTON), ::GetFocus());
  PressKey(VK_SPACE);
  EXPECT_THAT(delegate_.calls_, ElementsAre("accept"));
}

// The page changes of the buttons and the terms link, each reported with
// the button's name on the page it leaves.
TEST_F(InstallerWindowTest, ButtonsAndLinkChangeThePage) {
  MakeWindow({}, false);
  ::SendMessageW(Item(IDC_OPTIONS_BUTTON), BM_CLICK, 0, 0);
  EXPECT_EQ(LAYOUT_OPTIONS, window_->layout());
  EXPECT_TRUE(::IsWindowVisible(window_->options_dialog()));
  EXPECT_TRUE(::IsWindowVisible(Item(IDC_BACK_BUTTON)));
  ::SendMessageW(Item(IDC_BACK_BUTTON), BM_CLICK, 0, 0);
  EXPECT_EQ(LAYOUT_WELCOME, window_->layout());
  EXPECT_FALSE(::IsWindowVisible(window_->options_dialog()));

  // A click on the terms line's link, as the rich-edit control reports it.
  HWND terms_line = Item(IDC_TERMS_LINE);
  std::vector<RichStatic::Link> links;
  const std::wstring shown = RichStatic::ParseMarkup(
      GetL10nStringWithOneArg(IDS_TERMS_LINE, L"Accept and Install"), &links);
  ASSERT_EQ(1u, links.size());
  ENLINK link = {};
  link.nmhdr = {terms_line, IDC_TERMS_LINE, EN_LINK};
  link.msg = WM_LBUTTONUP;
  link.chrg = {links[0].start, links[0].end};
  ::SendMessageW(Main(), WM_NOTIFY, IDC_TERMS_LINE, reinterpret_cast<LPARAM>(&link));
  EXPECT_EQ(LAYOUT_TERMS, window_->layout());
  EXPECT_TRUE(::IsWindowVisible(Item(IDC_TERMS_TEXT)));
  EXPECT_EQ(0, TextOf(Item(IDC_TERMS_TEXT)).find(L"VELTA TERMS OF SERVICE\r\n"));
  EXPECT_EQ(4u, events_.size());
  EXPECT_TRUE(delegate_.calls_.empty());
}

struct OptionCase {
  const char* name;
  int control;
  bool (Settings::*getter)() const;
};

class InstallerWindowOptionTest : public InstallerWindowTest,
                                  public ::testing::WithParamInterface<OptionCase> {};

// A check box of the options page changes its option, and the change comes
// back to the box from the settings; while the settings refuse changes, a
// click is undone.
TEST_P(InstallerWindowOptionTest, ClickChangesTheSettingUnlessRefused) {
  MakeWindow({}, false);
  ::SendMessageW(Item(IDC_OPTIONS_BUTTON), BM_CLICK, 0, 0);
  HWND box = Item(GetParam().control);
  const bool before = (settings_.get()->*GetParam().getter)();
  EXPECT_EQ(before, ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED);
  ::SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(!before, (settings_.get()->*GetParam().getter)());
  EXPECT_EQ(!before, ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED);

  settings_->SetEditable(false);
  ::SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(!before, (settings_.get()->*GetParam().getter)());
  EXPECT_EQ(!before, ::SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes,
    InstallerWindowOptionTest,
    ::testing::Values(OptionCase{"default_browser", IDC_DEFAULT_BROWSER_CHECK,
                                 &Settings::IsDefaultBrowser},
                      OptionCase{"import", IDC_IMPORT_DATA_CHECK, &Settings::IsImportBrowserData},
                      OptionCase{"statistics", IDC_SEND_STATS_CHECK, &Settings::IsVeltaStatsEnabled}),
    [](const ::testing::TestParamInfo<OptionCase>& info) { return info.param.name; });

// The list shows the settings' language selected, whatever its case.
TEST_F(InstallerWindowTest, LanguageListSelectsTheSettingsLanguageInAnyCase) {
  MakeWindow({L"language=FR"}, false);
  ASSERT_EQ(L"FR", settings_->GetLanguage());
  const std::vector<std::wstring> languages = GetL10nHandler()->GetAvailableLanguages();
  const auto french = std::find(languages.begin(), languages.end(), L"fr");
  ASSERT_NE(languages.end(), french);
  HWND list = Item(IDC_LANGUAGE_LIST);
  const LRESULT selected = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
  EXPECT_EQ(french - languages.begin(), ::SendMessageW(list, CB_GETITEMDATA, selected, 0));
}

// Choosing a language in the list puts the window's texts in it.
TEST_F(InstallerWindowTest, LanguageListChangesTheTexts) {
  MakeWindow({}, false);
  const std::vector<std::wstring> languages = GetL10nHandler()->GetAvailableLanguages();
  const auto french = std::find(languages.begin(), languages.end(), L"fr");
  ASSERT_NE(languages.end(), french);
  HWND list = Item(IDC_LANGUAGE_LIST);
  const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    if (::SendMessageW(list, CB_GETITEMDATA, i, 0) == french - languages.begin())
      ::SendMessageW(list, CB_SETCURSEL, i, 0);
  }
  ::SendMessageW(window_->options_dialog(), WM_COMMAND, MAKEWPARAM(IDC_LANGUAGE_LIST, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
  EXPECT_EQ(L"fr", settings_->GetLanguage());
  EXPECT_EQ(L"Programme d'installation de Velta", TextOf(Main()));
  EXPECT_EQ(GetL10nString(IDS_BUTTON_OPTIONS), TextOf(Item(IDC_OPTIONS_BUTTON)));
  EXPECT_NE(L"&Options", GetL10nString(IDS_BUTTON_CHANGE));
  EXPECT_EQ(GetL10nString(IDS_BUTTON_CHANGE), TextOf(Item(IDC_CHANGE_FOLDER_BUTTON)));
  // What Accept does is named in the new language too.
  EXPECT_EQ(GetL10nString(IDS_BUTTON_ACCEPT_AND_INSTALL), TextOf(Item(IDC_ACCEPT_BUTTON)));
  EXPECT_NE(L"Accept and Install", TextOf(Item(IDC_ACCEPT_BUTTON)));
}

// A folder that cannot be used brings the options page up with the reason,
// and neither Accept nor Back can be pressed until it is mended.
TEST_F(InstallerWindowTest, UnusableFolderKeepsTheUserOnTheOptionsPage) {
  MakeWindow({}, true);
  ASSERT_EQ(LAYOUT_WELCOME, window_->layout());
  HWND folder = Item(IDC_FOLDER_COMBO);
  ::SetWindowTextW(folder, L"relative\\folder");
  ::SendMessageW(window_->options_dialog(), WM_COMMAND,
                 MAKEWPARAM(IDC_FOLDER_COMBO, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(folder));
  ASSERT_TRUE(WaitForFolderDetails(*settings_));
  EXPECT_EQ(LAYOUT_OPTIONS, window_->layout());
  EXPECT_TRUE(::IsWindowVisible(Item(IDC_INVALID_PATH_TEXT)));
  EXPECT_EQ(L"The install path is invalid", TextOf(Item(IDC_INVALID_PATH_TEXT)));
  EXPECT_FALSE(::IsWindowEnabled(Item(IDC_ACCEPT_BUTTON)));
  EXPECT_FALSE(::IsWindowEnabled(Item(IDC_BACK_BUTTON)));

  const std::wstring good = dir_.GetPath().Append(L"Other").value();
  ::SetWindowTextW(folder, good.c_str());
  ::SendMessageW(window_->options_dialog(), WM_COMMAND,
                 MAKEWPARAM(IDC_FOLDER_COMBO, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(folder));
  ASSERT_TRUE(WaitForFolderDetails(*settings_));
  EXPECT_EQ(good, settings_->GetInstallFolder().value());
  EXPECT_FALSE(::IsWindowVisible(Item(IDC_INVALID_PATH_TEXT)));
  EXPECT_TRUE(::IsWindowEnabled(Item(IDC_ACCEPT_BUTTON)));
  EXPECT_TRUE(::IsWindowEnabled(Item(IDC_BACK_BUTTON)));
  EXPECT_EQ(good, TextOf(folder));
}

// The bar only moves forward, stepping small advances and jumping large
// ones, and never past its end.
TEST_F(InstallerWindowTest, ProgressBarNeverMovesBack) {
  MakeWindow({}, true);
  window_->ShowInstallationProgress();
  ASSERT_EQ(LAYOUT_PROGRESS, window_->layout());
  HWND bar = Item(IDC_PROGRESS_BAR);
  std::vector<LRESULT> positions;
  for (uint32_t value : {5u, 12u, 30u, 20u, 99u, 104u, 3u}) {
    window_->OnProgressChanged(value, std::nullopt);
    positions.push_back(::SendMessageW(bar, PBM_GETPOS, 0, 0));
  }
  EXPECT_THAT(positions, ElementsAre(5, 12, 30, 30, 99, 100, 100));
}

struct StatusCase {
  const char* name;
  std::vector<std::wstring> switches;
  uint32_t phase;
  std::optional<uint32_t> remaining;
  const wchar_t* text;
};

class InstallerWindowStatusTest : public InstallerWindowTest,
                                  public ::testing::WithParamInterface<StatusCase> {};

// The status line names the phase and what remains of it.
TEST_P(InstallerWindowStatusTest, NamesThePhase) {
  MakeWindow(GetParam().switches, true);
  window_->ShowInstallationProgress();
  progress_.SetPhase(GetParam().phase);
  if (GetParam().remaining)
    window_->OnProgressChanged(1, GetParam().remaining);
  // A text throttled to later comes with the loop's next turns.
  for (int i = 0; i < 100 && TextOf(Item(IDC_STATUS_TEXT)) != GetParam().text; ++i) {
    ::Sleep(5);
    base::RunLoop().RunUntilIdle();
  }
  EXPECT_EQ(GetParam().text, TextOf(Item(IDC_STATUS_TEXT)));
}

INSTANTIATE_TEST_SUITE_P(
    Phases,
    InstallerWindowStatusTest,
    ::testing::Values(
        StatusCase{"downloading", {}, 1, std::nullopt, L"Downloading\x2026"},
        StatusCase{"downloading_remaining", {}, 1, 42, L"Downloading (about 42 s remaining)"},
        StatusCase{"extracting", {}, 6, 7, L"Extracting (files remaining: 7)"},
        StatusCase{"retrying", {}, 8, 6, L"Hang on - retrying download in 6 s"},
        // Without a count the retry phase keeps the last text.
        StatusCase{"retrying_keeps_text", {}, 8, std::nullopt, L"Downloading\x2026"},
        StatusCase{"installing", {L"allusers=1"}, 7, 12, L"Installing (operations remaining: 12)"},
        StatusCase{"installing_all_users", {L"allusers=1"}, 7, std::nullopt, L"Installing\x2026"},
        StatusCase{"uninstalling", {L"uninstall"}, 7, std::nullopt, L"Uninstalling\x2026"}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return info.param.name; });

// Counts in a burst: the line ends with the last one.
TEST_F(InstallerWindowTest, StatusLineEndsWithTheLastCountOfABurst) {
  MakeWindow({}, true);
  window_->ShowInstallationProgress();
  progress_.SetPhase(1);
  for (uint32_t remaining = 50; remaining > 40; --remaining)
    window_->OnProgressChanged(1, remaining);
  for (int i = 0; i < 100 && TextOf(Item(IDC_STATUS_TEXT)).find(L"41") == std::wstring::npos;
       ++i) {
    ::Sleep(5);
    base::RunLoop().RunUntilIdle();
  }
  EXPECT_EQ(L"Downloading (about 41 s remaining)", TextOf(Item(IDC_STATUS_TEXT)));
}

// A count throttled to later must not replace the error that came first:
// the retry countdown's last tick and the fetch's failure arrive together.
TEST_F(InstallerWindowTest, ErrorPageKeepsItsMessageOverAThrottledCount) {
  MakeWindow({}, true);
  window_->ShowInstallationProgress();
  progress_.SetPhase(8);
  window_->OnProgressChanged(1, 1);
  window_->OnProgressChanged(1, 0);
  window_->DisplayError(L"It broke.", 1, false, "broken");
  for (int i = 0; i < 40; ++i) {
    ::Sleep(5);
    base::RunLoop().RunUntilIdle();
  }
  EXPECT_EQ(L"It broke.", TextOf(Item(IDC_STATUS_TEXT)));
}

TEST_F(InstallerWindowTest, ErrorPageOffersTheFullPackageOnlyWhenAsked) {
  MakeWindow({}, true);
  window_->DisplayError(L"It broke.", 0, false, "broken");
  EXPECT_EQ(LAYOUT_ERROR, window_->layout());
  EXPECT_FALSE(::IsWindowVisible(Item(IDC_FULL_PACKAGE_BUTTON)));
  EXPECT_TRUE(::IsWindowVisible(Item(IDC_RETRY_BUTTON)));
  EXPECT_EQ(L"It broke.", TextOf(Item(IDC_STATUS_TEXT)));
  window_->DisplayError(L"It broke again.", 0, true, "broken");
  EXPECT_TRUE(::IsWindowVisible(Item(IDC_FULL_PACKAGE_BUTTON)));
  ::SendMessageW(Item(IDC_FULL_PACKAGE_BUTTON), BM_CLICK, 0, 0);
  ::SendMessageW(Item(IDC_RETRY_BUTTON), BM_CLICK, 0, 0);
  EXPECT_THAT(delegate_.calls_, ElementsAre("full", "retry"));
}

// What places the simplified error page again.
struct ErrorPlacementCase {
  const char* name;
  std::function<void(InstallerWindowImpl*)> place_again;
};

class InstallerWindowErrorPlacementTest
    : public InstallerWindowTest,
      public ::testing::WithParamInterface<ErrorPlacementCase> {};

// Try again keeps its place at every placement of the error page: it
// widens leftwards to a text longer than its template (Malayalam) from its
// template width each time, its right edge where English leaves it.
TEST_P(InstallerWindowErrorPlacementTest, TryAgainKeepsItsPlace) {
  MakeWindow({L"language=en-US"}, true);
  window_->DisplayError(L"It broke.", 0, false, "broken");
  ASSERT_EQ(LAYOUT_ERROR, window_->layout());
  const auto retry_rect = [&]() {
    RECT rect = {};
    ::GetWindowRect(Item(IDC_RETRY_BUTTON), &rect);
    ::MapWindowPoints(HWND_DESKTOP, Main(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  const RECT english = retry_rect();
  std::wstring language = L"ml";
  SetL10nLanguage(&language);
  window_->OnLanguageChanged();
  const RECT first = retry_rect();
  ASSERT_GT(first.right - first.left, english.right - english.left);
  EXPECT_EQ(english.right, first.right);
  for (int placement = 2; placement <= 4; ++placement) {
    GetParam().place_again(window_.get());
    const RECT again = retry_rect();
    EXPECT_EQ(first.left, again.left) << "placement " << placement;
    EXPECT_EQ(first.top, again.top) << "placement " << placement;
    EXPECT_EQ(first.right, again.right) << "placement " << placement;
    EXPECT_EQ(first.bottom, again.bottom) << "placement " << placement;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Placements,
    InstallerWindowErrorPlacementTest,
    ::testing::Values(
        ErrorPlacementCase{"another_error",
                           [](InstallerWindowImpl* window) {
                             window->DisplayError(L"It broke again.", 0, false, "broken");
                           }},
        // To English, whose text fits the template, and back.
        ErrorPlacementCase{"language_change",
                           [](InstallerWindowImpl* window) {
                             for (std::wstring language : {L"en-US", L"ml"}) {
                               SetL10nLanguage(&language);
                               window->OnLanguageChanged();
                             }
                           }},
        // The window moved to a monitor of the same DPI: sized anew.
        ErrorPlacementCase{"resize",
                           [](InstallerWindowImpl* window) {
                             RECT suggested = {30, 40, 900, 700};
                             ::SendMessageW(window->GetHwnd(), WM_DPICHANGED,
                                            MAKEWPARAM(96, 96),
                                            reinterpret_cast<LPARAM>(&suggested));
                           }}),
    [](const ::testing::TestParamInfo<ErrorPlacementCase>& info) { return info.param.name; });

struct CancelCase {
  const char* name;
  int answer;
  std::vector<std::string> calls;
};

class InstallerWindowCancelTest : public InstallerWindowTest,
                                  public ::testing::WithParamInterface<CancelCase> {};

// Closing asks first, with the installer's own button texts (here the
// French ones); only Yes ends the run.
TEST_P(InstallerWindowCancelTest, AsksBeforeCancelling) {
  MakeWindow({L"language=fr"}, false);
  const BoxAnswer answer = AnswerNextBox(
      GetParam().answer, base::BindOnce(
                             [](HWND main) { ::SendMessageW(main, WM_CLOSE, 0, 0); }, Main()));
  ASSERT_TRUE(answer.seen);
  EXPECT_THAT(answer.texts, ElementsAre(L"&Oui", L"&Non"));
  EXPECT_EQ(GetParam().calls, delegate_.calls_);
  EXPECT_TRUE(::IsWindowVisible(Main()));
}

INSTANTIATE_TEST_SUITE_P(Answers,
                         InstallerWindowCancelTest,
                         ::testing::Values(CancelCase{"no_keeps_the_window", IDNO, {}},
                                           CancelCase{"yes_cancels", IDYES, {"cancel"}}),
                         [](const ::testing::TestParamInfo<CancelCase>& info) {
                           return info.param.name;
                         });

// The background as the window paints it into a device context of ours
// (or, with WM_PRINTCLIENT, the whole of a control).
class PaintedBackground {
 public:
  PaintedBackground(HWND window, int width, int height, UINT message = WM_ERASEBKGND)
      : screen_(::GetDC(nullptr)),
        dc_(::CreateCompatibleDC(screen_)),
        bitmap_(::CreateCompatibleBitmap(screen_, width, height)) {
    old_ = ::SelectObject(dc_, bitmap_);
    RECT all = {0, 0, width, height};
    ::FillRect(dc_, &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    painted_ = ::SendMessageW(window, message, reinterpret_cast<WPARAM>(dc_),
                              message == WM_PRINTCLIENT ? PRF_CLIENT : 0) != 0;
  }
  ~PaintedBackground() {
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
    ::ReleaseDC(nullptr, screen_);
  }
  bool painted() const { return painted_; }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return ::GetPixel(dc_, x, y); }

 private:
  HDC screen_;
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
  bool painted_ = false;
};

// Whether two colours differ by at most `tolerance` in every channel.
bool Near(COLORREF a, COLORREF b, int tolerance = 8) {
  return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance &&
         std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
         std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The classic window's status line is white only where it shows: on the
// welcome page its place shows the background, as the rest of the window.
TEST_F(InstallerWindowTest, ClassicStatusLineIsWhiteOnlyWhereShown) {
  MakeWindow({}, false);
  RECT client = {};
  ::GetClientRect(Main(), &client);
  RECT status = {};
  ::GetWindowRect(Item(IDC_STATUS_TEXT), &status);
  ::MapWindowPoints(HWND_DESKTOP, Main(), reinterpret_cast<POINT*>(&status), 2);
  const auto whites = [&]() {
    PaintedBackground background(Main(), client.right, client.bottom);
    int white = 0;
    for (int y = status.top; y < status.bottom; ++y) {
      for (int x = status.left; x < status.right; ++x)
        white += background.At(x, y) == RGB(255, 255, 255);
    }
    return white;
  };
  const int area = (status.right - status.left) * (status.bottom - status.top);
  ASSERT_EQ(LAYOUT_WELCOME, window_->layout());
  EXPECT_LT(whites(), area / 2);
  window_->ShowInstallationProgress();
  EXPECT_EQ(area, whites());
}

TEST_F(InstallerWindowTest, SimplifiedBackgroundHasTheGradientOnTheLeft) {
  MakeWindow({}, true);
  RECT client = {};
  ::GetClientRect(Main(), &client);
  const int split = static_cast<int>(client.right * 0.4);
  {
    PaintedBackground background(Main(), client.right, client.bottom);
    ASSERT_TRUE(background.painted());
    EXPECT_TRUE(Near(RGB(0x4D, 0x0F, 0xF5), background.At(0, 0))) << std::hex << background.At(0, 0);
    EXPECT_TRUE(Near(RGB(0x08, 0xAD, 0xFF), background.At(split - 1, client.bottom - 1)))
        << std::hex << background.At(split - 1, client.bottom - 1);
    EXPECT_EQ(RGB(0xFF, 0xFF, 0xFF), background.At(split + 1, 0));
    EXPECT_EQ(RGB(0xFF, 0xFF, 0xFF), background.At(client.right - 1, client.bottom - 1));
  }

  // The accept button, drawn through the window, is filled blue.
  RECT button = {};
  ::GetClientRect(Item(IDC_ACCEPT_BUTTON), &button);
  {
    PaintedBackground canvas(Main(), button.right, button.bottom);
    DRAWITEMSTRUCT item = {};
    item.CtlType = ODT_BUTTON;
    item.CtlID = IDC_ACCEPT_BUTTON;
    item.itemAction = ODA_DRAWENTIRE;
    item.hwndItem = Item(IDC_ACCEPT_BUTTON);
    item.hDC = canvas.dc();
    item.rcItem = button;
    ::SendMessageW(Main(), WM_DRAWITEM, IDC_ACCEPT_BUTTON, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(RGB(0x01, 0x99, 0xFF), canvas.At(3, button.bottom / 2));
  }

  // The progress page is white all over.
  window_->ShowInstallationProgress();
  PaintedBackground progress(Main(), client.right, client.bottom);
  EXPECT_EQ(RGB(0xFF, 0xFF, 0xFF), progress.At(0, 0));
}

// The dialog clips its children: a feature label draws the piece of the
// gradient it covers itself, so its text never stands on an unpainted box.
TEST_F(InstallerWindowTest, FeatureLabelsDrawTheBackgroundTheyCover) {
  MakeWindow({}, true);
  RECT client = {};
  ::GetClientRect(Main(), &client);
  PaintedBackground background(Main(), client.right, client.bottom);
  for (int id = IDC_FEATURE_TEXT_1; id <= IDC_FEATURE_TEXT_4; ++id) {
    RECT rect = {};
    ::GetWindowRect(Item(id), &rect);
    ::MapWindowPoints(HWND_DESKTOP, Main(), reinterpret_cast<POINT*>(&rect), 2);
    ASSERT_GT(rect.right - rect.left, 4) << id;
    ASSERT_GT(rect.bottom - rect.top, 4) << id;
    // A canvas in black, as an unpainted window surface is.
    PaintedBackground label(Main(), rect.right - rect.left, rect.bottom - rect.top);
    RECT all = {0, 0, rect.right - rect.left, rect.bottom - rect.top};
    ::FillRect(label.dc(), &all, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    ::SendMessageW(Main(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(label.dc()),
                   reinterpret_cast<LPARAM>(Item(id)));
    for (const POINT at : {POINT{1, 1}, POINT{all.right - 2, all.bottom - 2}}) {
      EXPECT_EQ(background.At(rect.left + at.x, rect.top + at.y), label.At(at.x, at.y))
          << "label " << id << " at " << at.x << "," << at.y;
    }
    EXPECT_EQ(RGB(0xFF, 0xFF, 0xFF), ::GetTextColor(label.dc())) << id;
  }
}

struct RichTextCase {
  const char* name;
  bool simplified;
  int control;
};

class InstallerWindowRichTextTest : public InstallerWindowTest,
                                    public ::testing::WithParamInterface<RichTextCase> {};

// The title and the terms line show the window's background under their
// text, as the statics do, not a white box of their own.
TEST_P(InstallerWindowRichTextTest, TextStandsOnTheWindowsBackground) {
  MakeWindow({}, GetParam().simplified);
  RECT client = {};
  ::GetClientRect(Main(), &client);
  PaintedBackground background(Main(), client.right, client.bottom);
  ASSERT_TRUE(background.painted());
  HWND control = Item(GetParam().control);
  ASSERT_TRUE(::IsWindowVisible(control));
  RECT rect = {};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, Main(), reinterpret_cast<POINT*>(&rect), 2);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  ASSERT_GT(width, 4);
  ASSERT_GT(height, 4);
  PaintedBackground text(control, width, height, WM_PRINTCLIENT);
  int same = 0;
  int dark = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const COLORREF pixel = text.At(x, y);
      same += pixel == background.At(rect.left + x, rect.top + y);
      dark += GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 3 * 0x90;
    }
  }
  EXPECT_GT(same, width * height / 2) << "of " << width * height;
  EXPECT_GT(dark, 20);
}

INSTANTIATE_TEST_SUITE_P(
    Controls,
    InstallerWindowRichTextTest,
    ::testing::Values(RichTextCase{"classic_title", false, IDC_CLASSIC_TITLE},
                      RichTextCase{"classic_terms_line", false, IDC_TERMS_LINE},
                      RichTextCase{"simplified_title", true, IDC_SIMPLIFIED_TITLE},
                      RichTextCase{"simplified_terms_line", true, IDC_TERMS_LINE}),
    [](const ::testing::TestParamInfo<RichTextCase>& info) { return info.param.name; });

BOOL CALLBACK VisitChild(HWND control, LPARAM visit) {
  (*reinterpret_cast<std::function<void(HWND)>*>(visit))(control);
  return TRUE;
}

// The room `text` needs in `control`'s font, laid out with `format` in a
// rectangle `width` pixels wide (DT_CALCRECT).
RECT MeasureText(HWND control, const std::wstring& text, LONG width, UINT format) {
  RECT needed = {0, 0, width, 0};
  HDC dc = ::GetDC(control);
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? ::SelectObject(dc, font) : nullptr;
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &needed, DT_CALCRECT | format);
  if (old)
    ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return needed;
}

// Each visible control with a text for which `room` gives the space its
// text has (in client coordinates; none when not measured) and its layout,
// whose text needs more, as "id: text (needed in room)".
std::vector<std::wstring> ClippedTexts(
    HWND root,
    const std::function<std::optional<RECT>(HWND control, UINT* format)>& room) {
  std::vector<std::wstring> clipped;
  std::function<void(HWND)> visit = [&clipped, &room](HWND control) {
    const std::wstring text = TextOf(control);
    UINT format = 0;
    const std::optional<RECT> space =
        ::IsWindowVisible(control) && !text.empty() ? room(control, &format) : std::nullopt;
    if (!space)
      return;
    const LONG width = space->right - space->left;
    const LONG height = space->bottom - space->top;
    const RECT needed = MeasureText(control, text, width, format);
    if (needed.right > width || needed.bottom > height) {
      clipped.push_back(std::to_wstring(::GetDlgCtrlID(control)) + L": " + text + L" (" +
                        std::to_wstring(needed.right) + L"x" + std::to_wstring(needed.bottom) +
                        L" in " + std::to_wstring(width) + L"x" + std::to_wstring(height) + L")");
    }
  };
  ::EnumChildWindows(root, &VisitChild, reinterpret_cast<LPARAM>(&visit));
  return clipped;
}

bool IsOfClass(HWND control, const wchar_t* name) {
  wchar_t kind[32] = {};
  ::GetClassNameW(control, kind, 32);
  return _wcsicmp(kind, name) == 0;
}

// The static texts of a page that need more room than their control has:
// each measured with the control's font at its width.
std::vector<std::wstring> ClippedStatics(HWND root) {
  return ClippedTexts(root, [](HWND control, UINT* format) -> std::optional<RECT> {
    const LONG style = static_cast<LONG>(::GetWindowLongPtrW(control, GWL_STYLE));
    const LONG type = style & SS_TYPEMASK;
    if (!IsOfClass(control, L"Static") ||
        (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
         type != SS_SIMPLE) ||
        (style & SS_ELLIPSISMASK)) {
      return std::nullopt;
    }
    const bool wraps = type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT;
    *format = (wraps ? DT_WORDBREAK : DT_SINGLELINE) | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0) |
              ((style & SS_EDITCONTROL) ? DT_EDITCONTROL : 0);
    RECT client = {};
    ::GetClientRect(control, &client);
    return client;
  });
}

// A push button or an owner-drawn one draws its text inside a frame of this
// many pixels on each side.
constexpr LONG kButtonMargin = 4;

// The buttons of a page whose text needs more room than the button leaves
// it: a push button or an owner-drawn one inside its frame, a check box or
// a radio button beside its box (SM_CXMENUCHECK and a gap of two
// SM_CXEDGE).
std::vector<std::wstring> ClippedButtons(HWND root) {
  return ClippedTexts(root, [](HWND control, UINT* format) -> std::optional<RECT> {
    if (!IsOfClass(control, L"Button"))
      return std::nullopt;
    const LONG style = static_cast<LONG>(::GetWindowLongPtrW(control, GWL_STYLE));
    RECT client = {};
    ::GetClientRect(control, &client);
    *format = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    switch (style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
      case BS_OWNERDRAW:
        ::InflateRect(&client, -kButtonMargin, 0);
        return client;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
      case BS_3STATE:
      case BS_AUTO3STATE:
        client.left += ::GetSystemMetrics(SM_CXMENUCHECK) + 2 * ::GetSystemMetrics(SM_CXEDGE);
        return client;
      default:
        return std::nullopt;
    }
  });
}

bool IsRichEdit(HWND control) {
  return IsOfClass(control, MSFTEDIT_CLASS);
}

// A rich text's character ranges of one font each and that font's format:
// a range is halved until its letters share face, size, weight and
// character set (a selection's format says which of them it does).
void AddFontRuns(HWND control,
                 LONG from,
                 LONG to,
                 std::vector<std::pair<CHARRANGE, CHARFORMAT2W>>* runs) {
  CHARRANGE range = {from, to};
  ::SendMessageW(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format = {};
  format.cbSize = sizeof(format);
  ::SendMessageW(control, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  constexpr DWORD kFont = CFM_FACE | CFM_SIZE | CFM_WEIGHT | CFM_CHARSET;
  if ((format.dwMask & kFont) == kFont || to - from <= 1) {
    runs->push_back({range, format});
    return;
  }
  const LONG middle = from + (to - from) / 2;
  AddFontRuns(control, from, middle, runs);
  AddFontRuns(control, middle, to, runs);
}

// The font a rich text's run is drawn in (the caller deletes it).
HFONT FontOfRun(const CHARFORMAT2W& format, int dpi) {
  LOGFONTW logfont = {};
  logfont.lfHeight = -::MulDiv(format.yHeight, dpi, 1440);
  logfont.lfWeight = format.wWeight;
  logfont.lfCharSet = format.bCharSet;
  wcsncpy(logfont.lfFaceName, format.szFaceName, LF_FACESIZE - 1);
  return ::CreateFontIndirectW(&logfont);
}

// The characters of a rich text whose own font (its run's) lacks them: a
// rich-edit control may shape its runs with their own fonts alone, never
// the fonts linked to them (Wine's does), and so draw boxes.
std::wstring RichTextLettersWithoutGlyphs(HWND control, const std::wstring& text) {
  std::wstring characters;
  HDC dc = ::CreateCompatibleDC(nullptr);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  std::vector<std::pair<CHARRANGE, CHARFORMAT2W>> runs;
  AddFontRuns(control, 0, static_cast<LONG>(text.size()), &runs);
  for (const auto& [range, format] : runs) {
    HFONT font = FontOfRun(format, dpi);
    HGDIOBJ old = ::SelectObject(dc, font);
    for (LONG at = range.cpMin; at < range.cpMax; ++at) {
      const wchar_t c = text[at];
      if (::iswspace(c) || (c >= 0xD800 && c <= 0xDFFF))
        continue;
      WORD glyph = 0;
      ::GetGlyphIndicesW(dc, &c, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS);
      if (glyph == 0xFFFF && characters.find(c) == std::wstring::npos)
        characters.push_back(c);
    }
    ::SelectObject(dc, old);
    ::DeleteObject(font);
  }
  ::DeleteDC(dc);
  return characters;
}

// The characters of each visible text (statics, buttons, rich texts) drawn
// as boxes, as "id: characters". A static or button draws a character as
// the box of one no font has when its font lacks it and its links do not
// bring it (or the text is shaped without the links, as right-to-left text
// is); a rich text when its run's font lacks it.
std::vector<std::wstring> TextsDrawnInBoxes(HWND root) {
  std::vector<std::wstring> boxed;
  std::function<void(HWND)> visit = [&boxed](HWND control) {
    const std::wstring text = TextOf(control);
    if (!::IsWindowVisible(control) || text.empty())
      return;
    if (IsRichEdit(control)) {
      const std::wstring characters = RichTextLettersWithoutGlyphs(control, text);
      if (!characters.empty())
        boxed.push_back(std::to_wstring(::GetDlgCtrlID(control)) + L": " + characters);
      return;
    }
    if (!IsOfClass(control, L"Static") && !IsOfClass(control, L"Button"))
      return;
    constexpr int kSide = 96;  // Room for a character of the largest font at 144 DPI.
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kSide;
    info.bmiHeader.biHeight = -kSide;  // Top-down rows.
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = ::CreateCompatibleDC(nullptr);
    HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(bitmap && bits);
    HGDIOBJ old_bitmap = ::SelectObject(dc, bitmap);
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
    HGDIOBJ old_font = ::SelectObject(dc, font ? font : ::GetStockObject(DEFAULT_GUI_FONT));
    const auto* pixels = static_cast<const uint32_t*>(bits);
    const auto draw = [&](wchar_t c) {
      const RECT all = {0, 0, kSide, kSide};
      ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      ::TextOutW(dc, kSide / 4, kSide / 4, &c, 1);
      ::GdiFlush();
      std::vector<uint32_t> picture(pixels, pixels + kSide * kSide);
      for (uint32_t& pixel : picture)
        pixel &= 0x00FFFFFF;
      return picture;
    };
    // A private-use character: no font of the prefix has one.
    const std::vector<uint32_t> box = draw(L'\xE000');
    EXPECT_NE(std::vector<uint32_t>(kSide * kSide, 0x00FFFFFF), box) << "the box draws nothing";
    std::wstring characters;
    for (const wchar_t c : std::set<wchar_t>(text.begin(), text.end())) {
      if (::iswspace(c) || (c >= 0xD800 && c <= 0xDFFF))
        continue;
      WORD glyph = 0;
      if (::GetGlyphIndicesW(dc, &c, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
          glyph != 0xFFFF) {
        continue;  // The font's own glyph.
      }
      if (draw(c) == box)
        characters.push_back(c);
    }
    ::SelectObject(dc, old_font);
    ::SelectObject(dc, old_bitmap);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
    if (!characters.empty())
      boxed.push_back(std::to_wstring(::GetDlgCtrlID(control)) + L": " + characters);
  };
  ::EnumChildWindows(root, &VisitChild, reinterpret_cast<LPARAM>(&visit));
  return boxed;
}

// The visible rich texts whose last line ends below their control, as "id:
// text (needed in room)". A line is as high as the highest ascent and the
// deepest descent of its letters' fonts (a bound font's letters may stand
// higher than the text's own).
std::vector<std::wstring> ClippedRichTexts(HWND root) {
  std::vector<std::wstring> clipped;
  std::function<void(HWND)> visit = [&clipped](HWND control) {
    const std::wstring text = TextOf(control);
    if (!::IsWindowVisible(control) || text.empty() || !IsRichEdit(control))
      return;
    HDC dc = ::GetDC(control);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    std::vector<std::pair<CHARRANGE, CHARFORMAT2W>> runs;
    AddFontRuns(control, 0, static_cast<LONG>(text.size()), &runs);
    // Each line's top, highest ascent and deepest descent.
    std::map<LONG, std::pair<LONG, LONG>> lines;
    for (const auto& [range, format] : runs) {
      HFONT font = FontOfRun(format, dpi);
      HGDIOBJ old = ::SelectObject(dc, font);
      TEXTMETRICW metrics = {};
      ::GetTextMetricsW(dc, &metrics);
      ::SelectObject(dc, old);
      ::DeleteObject(font);
      for (LONG at = range.cpMin; at < range.cpMax; ++at) {
        if (text[at] == L'\r' || text[at] == L'\n')
          continue;
        POINTL position = {};
        ::SendMessageW(control, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&position), at);
        auto& [ascent, descent] = lines[position.y];
        ascent = std::max(ascent, metrics.tmAscent);
        descent = std::max(descent, metrics.tmDescent);
      }
    }
    ::ReleaseDC(control, dc);
    LONG needed = 0;
    for (const auto& [top, extent] : lines)
      needed = std::max(needed, top + extent.first + extent.second);
    RECT client = {};
    ::GetClientRect(control, &client);
    if (needed > client.bottom) {
      clipped.push_back(std::to_wstring(::GetDlgCtrlID(control)) + L": " + text + L" (" +
                        std::to_wstring(needed) + L" in " + std::to_wstring(client.bottom) + L")");
    }
  };
  ::EnumChildWindows(root, &VisitChild, reinterpret_cast<LPARAM>(&visit));
  return clipped;
}

struct LongTextCase {
  const char* name;
  const wchar_t* language;
  bool simplified;
  int dpi;  // After WM_DPICHANGED when not 96.
};

class InstallerWindowLongTextTest : public InstallerWindowTest,
                                    public ::testing::WithParamInterface<LongTextCase> {};

// The languages with the longest texts fit the welcome and options pages:
// no static text needs more room than its control has.
TEST_P(InstallerWindowLongTextTest, NoStaticTextIsCut) {
  MakeWindow({std::wstring(L"language=") + GetParam().language}, GetParam().simplified);
  if (GetParam().dpi != 96) {
    RECT suggested = {0, 0, 900, 700};
    ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(GetParam().dpi, GetParam().dpi),
                   reinterpret_cast<LPARAM>(&suggested));
  }
  EXPECT_THAT(ClippedStatics(Main()), ElementsAre()) << "welcome page";
  EXPECT_THAT(TextsDrawnInBoxes(Main()), ElementsAre()) << "welcome page";
  if (GetParam().simplified)
    return;  // Its options are reached through the classic page only.
  ::SendMessageW(Item(IDC_OPTIONS_BUTTON), BM_CLICK, 0, 0);
  ASSERT_EQ(LAYOUT_OPTIONS, window_->layout());
  EXPECT_THAT(ClippedStatics(Main()), ElementsAre()) << "options page";
  EXPECT_THAT(TextsDrawnInBoxes(Main()), ElementsAre()) << "options page";
}

INSTANTIATE_TEST_SUITE_P(
    Languages,
    InstallerWindowLongTextTest,
    ::testing::Values(LongTextCase{"en_simplified_144", L"en-US", true, 144},
                      LongTextCase{"de_classic", L"de", false, 96},
                      LongTextCase{"de_simplified", L"de", true, 96},
                      LongTextCase{"de_simplified_144", L"de", true, 144},
                      LongTextCase{"fi_classic", L"fi", false, 96},
                      LongTextCase{"fi_simplified_144", L"fi", true, 144},
                      LongTextCase{"hu_classic", L"hu", false, 96},
                      LongTextCase{"hu_simplified", L"hu", true, 96},
                      LongTextCase{"el_classic", L"el", false, 96},
                      LongTextCase{"el_simplified_144", L"el", true, 144},
                      LongTextCase{"ml_classic", L"ml", false, 96},
                      LongTextCase{"ml_simplified", L"ml", true, 96},
                      LongTextCase{"ta_classic", L"ta", false, 96},
                      LongTextCase{"ta_simplified_144", L"ta", true, 144},
                      LongTextCase{"ja_classic", L"ja", false, 96},
                      LongTextCase{"ja_simplified", L"ja", true, 96},
                      LongTextCase{"ja_simplified_144", L"ja", true, 144},
                      LongTextCase{"zh_cn_classic", L"zh-CN", false, 96},
                      LongTextCase{"zh_cn_simplified_144", L"zh-CN", true, 144},
                      LongTextCase{"zh_tw_classic", L"zh-TW", false, 96},
                      LongTextCase{"zh_tw_simplified", L"zh-TW", true, 96}),
    [](const ::testing::TestParamInfo<LongTextCase>& info) { return info.param.name; });

struct ButtonTextCase {
  const wchar_t* language;
  bool simplified;
  bool uninstall;
};

class InstallerWindowButtonTextTest : public InstallerWindowTest,
                                      public ::testing::WithParamInterface<ButtonTextCase> {};

// The languages with the longest texts fit the buttons of the first page
// (the welcome or the uninstall page) and of the options page.
TEST_P(InstallerWindowButtonTextTest, NoButtonTextIsCut) {
  std::vector<std::wstring> switches = {std::wstring(L"language=") + GetParam().language};
  if (GetParam().uninstall)
    switches.push_back(L"uninstall");
  MakeWindow(switches, GetParam().simplified);
  ASSERT_EQ(GetParam().uninstall ? LAYOUT_UNINSTALL : LAYOUT_WELCOME, window_->layout());
  if (GetParam().uninstall) {
    // An uninstallation speaks the installation's language, as the
    // settings tell the window.
    std::wstring language = GetParam().language;
    SetL10nLanguage(&language);
    ASSERT_EQ(GetParam().language, language);
    window_->OnLanguageChanged();
    ASSERT_EQ(GetL10nString(IDS_BUTTON_UNINSTALL), TextOf(Item(IDC_UNINSTALL_BUTTON)));
    ASSERT_NE(L"&Uninstall", TextOf(Item(IDC_UNINSTALL_BUTTON)));
  }
  EXPECT_THAT(ClippedButtons(Main()), ElementsAre()) << "first page";
  EXPECT_THAT(TextsDrawnInBoxes(Main()), ElementsAre()) << "first page";
  if (GetParam().uninstall)
    return;
  if (GetParam().simplified) {
    // Its options page comes up for a folder that cannot be used.
    HWND folder = Item(IDC_FOLDER_COMBO);
    ::SetWindowTextW(folder, L"relative\\folder");
    ::SendMessageW(window_->options_dialog(), WM_COMMAND,
                   MAKEWPARAM(IDC_FOLDER_COMBO, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(folder));
    ASSERT_TRUE(WaitForFolderDetails(*settings_));
  } else {
    ::SendMessageW(Item(IDC_OPTIONS_BUTTON), BM_CLICK, 0, 0);
  }
  ASSERT_EQ(LAYOUT_OPTIONS, window_->layout());
  EXPECT_THAT(ClippedButtons(Main()), ElementsAre()) << "options page";
}

INSTANTIATE_TEST_SUITE_P(
    Languages,
    InstallerWindowButtonTextTest,
    ::testing::ValuesIn([] {
      std::vector<ButtonTextCase> cases;
      for (const wchar_t* language :
           {L"de", L"fi", L"hu", L"el", L"ml", L"ta", L"ja", L"zh-CN", L"zh-TW"}) {
        for (const bool simplified : {false, true}) {
          for (const bool uninstall : {false, true})
            cases.push_back({language, simplified, uninstall});
        }
      }
      return cases;
    }()),
    [](const ::testing::TestParamInfo<ButtonTextCase>& info) {
      std::string name;
      for (const wchar_t* c = info.param.language; *c; ++c)
        name.push_back(*c == L'-' ? '_' : static_cast<char>(*c));
      return name + (info.param.simplified ? "_simplified" : "_classic") +
             (info.param.uninstall ? "_uninstall" : "_install");
    });

// The colour of the rich text's character at `at`.
COLORREF ColorAt(HWND rich_edit, LONG at) {
  CHARRANGE range = {at, at + 1};
  ::SendMessageW(rich_edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARFORMAT2W format = {};
  format.cbSize = sizeof(format);
  format.dwMask = CFM_COLOR;
  ::SendMessageW(rich_edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
  return format.crTextColor;
}

std::wstring RichTextOf(HWND rich_edit) {
  wchar_t text[256] = {};
  GETTEXTEX query = {sizeof(text), GT_DEFAULT, 1200, nullptr, nullptr};
  ::SendMessageW(rich_edit, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query),
                 reinterpret_cast<LPARAM>(text));
  return text;
}

// The classic title names the product in black before the motto in blue.
TEST_F(InstallerWindowTest, ClassicTitleNamesTheProductInBlack) {
  MakeWindow({}, false);
  HWND title = Item(IDC_CLASSIC_TITLE);
  EXPECT_EQ(L"VELTA. BROWSE FREELY.", RichTextOf(title));
  EXPECT_EQ(RGB(0, 0, 0), ColorAt(title, 0));
  EXPECT_EQ(RGB(0, 0, 0), ColorAt(title, 5));
  EXPECT_EQ(static_cast<COLORREF>(0xB5651D), ColorAt(title, 7));
}

// The simplified title follows the page, in one colour.
TEST_F(InstallerWindowTest, SimplifiedTitleFollowsThePage) {
  MakeWindow({}, true);
  HWND title = Item(IDC_SIMPLIFIED_TITLE);
  EXPECT_EQ(L"Fast and secure browser", RichTextOf(title));
  EXPECT_EQ(static_cast<COLORREF>(0x474540), ColorAt(title, 0));
  window_->DisplayError(L"It broke.", 0, false, "broken");
  EXPECT_EQ(L"Velta failed to install", RichTextOf(title));
  EXPECT_EQ(static_cast<COLORREF>(0x474540), ColorAt(title, 3));
  EXPECT_EQ(L"It broke.", RichTextOf(Item(IDC_ERROR_TEXT)));
  EXPECT_EQ(static_cast<COLORREF>(0x4B4AF5), ColorAt(Item(IDC_ERROR_TEXT), 1));
}

// The progress page's slides alternate sides: the picture at the left with
// the texts at the right, then the other way round.
TEST_F(InstallerWindowTest, SlidesAlternateSides) {
  MakeWindow({}, true);
  window_->ShowInstallationProgress();
  RECT client = {};
  ::GetClientRect(Main(), &client);
  const auto in_client = [&](int id) {
    RECT rect = {};
    ::GetWindowRect(Item(id), &rect);
    ::MapWindowPoints(HWND_DESKTOP, Main(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  struct Expected {
    uint32_t index;
    const wchar_t* title;
    bool picture_left;
  };
  for (const Expected& slide : {Expected{0, L"Browse without trackers", true},
                                Expected{1, L"Stay safer and more private", false},
                                Expected{2, L"Easy customization and extensions", true}}) {
    ASSERT_EQ(slide.index, window_->slide_index());
    EXPECT_EQ(slide.title, TextOf(Item(IDC_SLIDE_TITLE)));
    const RECT picture = in_client(IDC_SLIDE_PICTURE);
    const RECT title = in_client(IDC_SLIDE_TITLE);
    const RECT text = in_client(IDC_SLIDE_TEXT);
    EXPECT_EQ(client.bottom, picture.bottom);
    EXPECT_EQ(title.left, text.left);
    EXPECT_GT(text.top, title.top);
    if (slide.picture_left) {
      EXPECT_EQ(0, picture.left);
      EXPECT_GE(title.left, picture.right);
      EXPECT_EQ(client.right - ::MulDiv(35, window_->dpi(), 96), title.right);
    } else {
      EXPECT_EQ(client.right, picture.right);
      EXPECT_EQ(::MulDiv(35, window_->dpi(), 96), title.left);
      EXPECT_LE(title.right, picture.left);
    }
    window_->ShowNextSlide();
  }
}

// At 144 DPI the simplified window grows to its scaled size, and its parts
// move with it.
// The controls that the window does not place itself keep their share of
// the window at a new DPI: each is scaled with it, the pages' own too.
TEST_F(InstallerWindowTest, UnplacedControlsScaleWithTheDpi) {
  MakeWindow({}, true);
  const auto in_parent = [](HWND control) {
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  const std::vector<HWND> controls = {Item(IDC_STATUS_TEXT),     Item(IDC_PROGRESS_BAR),
                                      Item(IDC_TERMS_TEXT),      window_->options_dialog(),
                                      Item(IDC_LANGUAGE_LABEL),  Item(IDC_CHANGE_FOLDER_BUTTON),
                                      Item(IDC_SEND_STATS_CHECK)};
  std::vector<RECT> before;
  for (HWND control : controls) {
    ASSERT_TRUE(control);
    before.push_back(in_parent(control));
  }
  RECT suggested = {10, 20, 900, 700};
  ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  for (size_t i = 0; i < controls.size(); ++i) {
    const RECT after = in_parent(controls[i]);
    const int id = ::GetDlgCtrlID(controls[i]);
    EXPECT_NEAR(before[i].left * 3 / 2, after.left, 1) << id;
    EXPECT_NEAR(before[i].top * 3 / 2, after.top, 1) << id;
    EXPECT_NEAR(before[i].right * 3 / 2, after.right, 1) << id;
    EXPECT_NEAR(before[i].bottom * 3 / 2, after.bottom, 1) << id;
  }
}

TEST_F(InstallerWindowTest, SimplifiedWindowFollowsTheDpi) {
  MakeWindow({}, true);
  RECT suggested = {10, 20, 900, 700};
  ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(144, window_->dpi());
  RECT bounds = {};
  ::GetWindowRect(Main(), &bounds);
  EXPECT_EQ(963, bounds.right - bounds.left);
  EXPECT_EQ(605, bounds.bottom - bounds.top);
  EXPECT_EQ(10, bounds.left);
  EXPECT_EQ(20, bounds.top);

  const auto in_client = [&](int id) {
    RECT rect = {};
    ::GetWindowRect(Item(id), &rect);
    ::MapWindowPoints(HWND_DESKTOP, Main(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  };
  const RECT logo = in_client(IDC_LOGO);
  EXPECT_EQ(444, logo.left);
  EXPECT_EQ(144, logo.top);
  RECT client = {};
  ::GetClientRect(Main(), &client);
  const RECT close = in_client(IDC_CLOSE_BUTTON);
  EXPECT_EQ(client.right - 24, close.right);
  EXPECT_EQ(24, close.top);
  const RECT accept = in_client(IDC_ACCEPT_BUTTON);
  EXPECT_EQ(client.right - 48, accept.right);
  EXPECT_EQ(client.bottom - 48, accept.bottom);

  LOGFONTW font = {};
  HFONT body = reinterpret_cast<HFONT>(::SendMessageW(Item(IDC_STATUS_TEXT), WM_GETFONT, 0, 0));
  ASSERT_TRUE(body);
  ASSERT_TRUE(::GetObjectW(body, sizeof(font), &font));
  EXPECT_EQ(-20, font.lfHeight);
}

// A drag of the simplified window ends when another window takes the mouse
// before the button comes up (Alt+Tab, a message box): the cursor moving
// over the window afterwards leaves it where it is, and the other window
// keeps the capture.
TEST_F(InstallerWindowTest, DragEndsWhenAnotherWindowTakesTheMouse) {
  MakeWindow({}, true);
  RECT start = {};
  ::GetWindowRect(Main(), &start);
  ::SendMessageW(Main(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  ASSERT_EQ(Main(), ::GetCapture());
  HWND other = ::CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                 50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(other);
  ::SetCapture(other);
  ::SendMessageW(Main(), WM_MOUSEMOVE, 0, MAKELPARAM(40, 25));
  RECT now = {};
  ::GetWindowRect(Main(), &now);
  EXPECT_EQ(start.left, now.left);
  EXPECT_EQ(start.top, now.top);
  EXPECT_EQ(other, ::GetCapture());
  ::ReleaseCapture();
  ::DestroyWindow(other);
}

// The rectangle of `control` in `parent`'s client coordinates.
RECT RectIn(HWND parent, HWND control) {
  RECT rect = {};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::wstring Describe(const RECT& rect) {
  return L"(" + std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L")-(" +
         std::to_wstring(rect.right) + L"," + std::to_wstring(rect.bottom) + L")";
}

struct GeometryCase {
  const char* name;
  bool simplified;
  bool uninstall;
};

class InstallerWindowGeometryTest : public InstallerWindowTest,
                                   public ::testing::WithParamInterface<GeometryCase> {};

// The simplified window has the size its elements are placed for; every
// control of the window lies inside it, the options page and the survey
// among them, and each of their controls inside its page; the buttons of
// the first page stand apart.
TEST_P(InstallerWindowGeometryTest, PagesAndControlsFitTheWindow) {
  MakeWindow(GetParam().uninstall ? std::vector<std::wstring>{L"uninstall"}
                                  : std::vector<std::wstring>{},
             GetParam().simplified);
  RECT bounds = {};
  ::GetWindowRect(Main(), &bounds);
  if (GetParam().simplified) {
    EXPECT_EQ(::MulDiv(642, window_->dpi(), 96), bounds.right - bounds.left);
    EXPECT_EQ(::MulDiv(403, window_->dpi(), 96), bounds.bottom - bounds.top);
  }
  RECT client = {};
  ::GetClientRect(Main(), &client);
  std::vector<std::wstring> outside;
  for (HWND child = ::GetWindow(Main(), GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    const RECT rect = RectIn(Main(), child);
    if (!Contains(client, rect))
      outside.push_back(std::to_wstring(::GetDlgCtrlID(child)) + L" " + Describe(rect));
  }
  for (HWND page : {window_->options_dialog(), window_->survey_dialog()}) {
    if (!page)
      continue;
    RECT page_client = {};
    ::GetClientRect(page, &page_client);
    for (HWND child = ::GetWindow(page, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      const RECT rect = RectIn(page, child);
      if (!Contains(page_client, rect)) {
        outside.push_back(L"page item " + std::to_wstring(::GetDlgCtrlID(child)) + L" " +
                          Describe(rect));
      }
    }
  }
  EXPECT_THAT(outside, ElementsAre()) << "in " << client.right << "x" << client.bottom;

  // No two buttons of the first page cover each other.
  std::vector<std::pair<int, RECT>> buttons;
  for (HWND child = ::GetWindow(Main(), GW_CHILD); child;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (::IsWindowVisible(child) && IsOfClass(child, L"Button"))
      buttons.emplace_back(::GetDlgCtrlID(child), RectIn(Main(), child));
  }
  std::vector<std::wstring> overlapping;
  for (size_t i = 0; i < buttons.size(); ++i) {
    for (size_t j = i + 1; j < buttons.size(); ++j) {
      RECT both = {};
      if (::IntersectRect(&both, &buttons[i].second, &buttons[j].second)) {
        overlapping.push_back(std::to_wstring(buttons[i].first) + L" and " +
                              std::to_wstring(buttons[j].first));
      }
    }
  }
  EXPECT_THAT(overlapping, ElementsAre());
}

INSTANTIATE_TEST_SUITE_P(Variants,
                         InstallerWindowGeometryTest,
                         ::testing::Values(GeometryCase{"classic", false, false},
                                           GeometryCase{"simplified", true, false},
                                           GeometryCase{"classic_uninstall", false, true},
                                           GeometryCase{"simplified_uninstall", true, true}),
                         [](const ::testing::TestParamInfo<GeometryCase>& info) {
                           return info.param.name;
                         });

class InstallerWindowLogoTest : public InstallerWindowTest,
                                public ::testing::WithParamInterface<int> {};

// The simplified logo stands above the title at every DPI.
TEST_P(InstallerWindowLogoTest, LogoStandsAboveTheTitle) {
  MakeWindow({}, true);
  if (GetParam() != 96) {
    RECT suggested = {0, 0, 900, 700};
    ::SendMessageW(Main(), WM_DPICHANGED, MAKEWPARAM(GetParam(), GetParam()),
                   reinterpret_cast<LPARAM>(&suggested));
  }
  const RECT logo = RectIn(Main(), Item(IDC_LOGO));
  const RECT title = RectIn(Main(), Item(IDC_SIMPLIFIED_TITLE));
  EXPECT_GT(logo.bottom, logo.top);
  EXPECT_LE(logo.bottom, title.top) << Describe(logo) << " " << Describe(title);
  EXPECT_EQ(::MulDiv(296, GetParam(), 96), title.left);
}

INSTANTIATE_TEST_SUITE_P(Dpis, InstallerWindowLogoTest, ::testing::Values(96, 120, 144, 192));

// What the folder details say of the uninstalling user's country and of an
// installation in the folder.
std::string g_country;
bool g_has_installation = false;

class UninstallFolderDetails : public InstallationFolderDetailsImpl {
 public:
  UninstallFolderDetails()
      : InstallationFolderDetailsImpl(std::make_unique<TaskbandUtilsImpl>()) {}
  const std::string& GetCountry() const override { return g_country; }
  bool HasExistingInstallation() const override { return g_has_installation; }
};

class UninstallFolderDetailsFactory : public InstallationFolderDetails::Factory {
 public:
  std::unique_ptr<InstallationFolderDetails> Create() override {
    return std::make_unique<UninstallFolderDetails>();
  }
};

// The uninstall pages over folder details that name a country.
class InstallerWindowUninstallTest : public InstallerWindowTest {
 protected:
  void TearDown() override {
    InstallerWindowTest::TearDown();
    g_country.clear();
    g_has_installation = false;
  }

  void MakeUninstallWindow(const char* country) {
    g_country = country;
    MakeWindow({L"uninstall"}, true);
    ASSERT_TRUE(window_->survey_dialog());
  }

  HWND Survey(int id) { return ::GetDlgItem(window_->survey_dialog(), id); }

  void Click(HWND control) {
    ::SendMessageW(control, BM_CLICK, 0, 0);
  }

  UninstallFolderDetailsFactory details_factory_;
  base::ProcessWide<InstallationFolderDetails::Factory>::ScopedOverride details_override_{
      &details_factory_};
};

// Outside the survey's countries Uninstall goes straight to the warning;
// Yes confirms the uninstallation.
TEST_F(InstallerWindowUninstallTest, OutsideTheSurveyCountriesUninstallWarnsAtOnce) {
  MakeUninstallWindow("CH");
  const BoxAnswer answer = AnswerNextBox(
      IDYES, base::BindOnce([](HWND button) { ::SendMessageW(button, BM_CLICK, 0, 0); },
                            Item(IDC_UNINSTALL_BUTTON)));
  EXPECT_TRUE(answer.seen);
  EXPECT_EQ(LAYOUT_UNINSTALL, window_->layout());
  EXPECT_THAT(delegate_.calls_, ElementsAre("accept"));
  EXPECT_THAT(events_, ElementsAre("page_transition", "page_transition"));
}

// In a survey country Uninstall first shows the survey; Uninstall can be
// pressed only with a reason, and the quality reason needs a problem. The
// survey goes out before the warning, and No to the warning cancels
// without asking again.
TEST_F(InstallerWindowUninstallTest, SurveyNeedsAReasonAndGoesOutBeforeTheWarning) {
  MakeUninstallWindow("DE");
  Click(Item(IDC_UNINSTALL_BUTTON));
  ASSERT_EQ(LAYOUT_SURVEY, window_->layout());
  EXPECT_TRUE(::IsWindowVisible(window_->survey_dialog()));
  EXPECT_EQ(L"Quality of the Velta browser.", TextOf(Survey(IDC_SURVEY_QUALITY)));
  EXPECT_FALSE(::IsWindowEnabled(Item(IDC_UNINSTALL_BUTTON)));
  EXPECT_FALSE(::IsWindowVisible(Survey(IDC_SURVEY_VIDEO)));

  Click(Survey(IDC_SURVEY_QUALITY));
  EXPECT_TRUE(::IsWindowVisible(Survey(IDC_SURVEY_VIDEO)));
  EXPECT_TRUE(::IsWindowVisible(Survey(IDC_SURVEY_DESCRIPTION)));
  EXPECT_FALSE(::IsWindowEnabled(Survey(IDC_SURVEY_DESCRIPTION)));
  EXPECT_FALSE(::IsWindowEnabled(Item(IDC_UNINSTALL_BUTTON)));
  Click(Survey(IDC_SURVEY_OTHER));
  EXPECT_TRUE(::IsWindowEnabled(Survey(IDC_SURVEY_DESCRIPTION)));
  EXPECT_TRUE(::IsWindowEnabled(Item(IDC_UNINSTALL_BUTTON)));
  Click(Survey(IDC_SURVEY_OTHER));
  EXPECT_FALSE(::IsWindowEnabled(Item(IDC_UNINSTALL_BUTTON)));
  Click(Survey(IDC_SURVEY_ALL_FINE));
  EXPECT_FALSE(::IsWindowVisible(Survey(IDC_SURVEY_VIDEO)));
  EXPECT_TRUE(::IsWindowEnabled(Item(IDC_UNINSTALL_BUTTON)));

  events_.clear();
  const BoxAnswer answer = AnswerNextBox(
      IDNO, base::BindOnce([](HWND button) { ::SendMessageW(button, BM_CLICK, 0, 0); },
                           Item(IDC_UNINSTALL_BUTTON)));
  EXPECT_TRUE(answer.seen);
  EXPECT_THAT(events_, ElementsAre("uninstall_survey_completed", "page_transition"));
  EXPECT_THAT(delegate_.calls_, ElementsAre("cancel"));
}

// The answers stand in one column in a shuffled order, without overlapping,
// the quality problems below the quality reason.
TEST_F(InstallerWindowUninstallTest, SurveyArrangesItsAnswersInOneColumn) {
  MakeUninstallWindow("DE");
  Click(Item(IDC_UNINSTALL_BUTTON));
  Click(Survey(IDC_SURVEY_QUALITY));
  const auto top = [&](int id) {
    RECT rect = {};
    ::GetWindowRect(Survey(id), &rect);
    return rect.top;
  };
  std::vector<LONG> tops;
  for (int id : {IDC_SURVEY_ALL_FINE, IDC_SURVEY_NOT_CONVINCED, IDC_SURVEY_QUALITY,
                 IDC_SURVEY_VIDEO, IDC_SURVEY_WEBSITES, IDC_SURVEY_CRASHES,
                 IDC_SURVEY_TRACKER_BLOCKING, IDC_SURVEY_SYNC, IDC_SURVEY_EXTENSIONS,
                 IDC_SURVEY_SLOW, IDC_SURVEY_OTHER}) {
    tops.push_back(top(id));
  }
  std::vector<LONG> sorted = tops;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted.end(), std::adjacent_find(sorted.begin(), sorted.end()));
  // The problems follow the quality reason, "Other" last, with the
  // description below it; a reason placed after them comes below that, and
  // everything stays on the page.
  const auto bottom = [&](int id) {
    RECT rect = {};
    ::GetWindowRect(Survey(id), &rect);
    return rect.bottom;
  };
  for (size_t box = 3; box < tops.size(); ++box) {
    EXPECT_GT(tops[box], tops[2]) << box;
    EXPECT_LE(tops[box], top(IDC_SURVEY_OTHER)) << box;
  }
  EXPECT_GT(top(IDC_SURVEY_DESCRIPTION), bottom(IDC_SURVEY_OTHER));
  for (size_t reason = 0; reason < 2; ++reason) {
    EXPECT_TRUE(tops[reason] < tops[2] || tops[reason] > bottom(IDC_SURVEY_DESCRIPTION))
        << reason;
  }
  RECT page = {};
  ::GetWindowRect(window_->survey_dialog(), &page);
  for (int id : {IDC_SURVEY_ALL_FINE, IDC_SURVEY_NOT_CONVINCED, IDC_SURVEY_DESCRIPTION})
    EXPECT_LE(bottom(id), page.bottom) << id;
}

// Re-install cancels without asking.
TEST_F(InstallerWindowUninstallTest, ReinstallCancelsWithoutAsking) {
  MakeUninstallWindow("CH");
  Click(Item(IDC_REINSTALL_BUTTON));
  EXPECT_TRUE(settings_->IsReinstall());
  EXPECT_THAT(delegate_.calls_, ElementsAre("cancel"));
}

// The privacy link opens the statement: with the installation's launcher
// when the folder holds one, else with the shell.
class InstallerWindowPrivacyTest : public InstallerWindowUninstallTest,
                                   public ::testing::WithParamInterface<bool> {};

TEST_P(InstallerWindowPrivacyTest, LinkOpensTheStatement) {
  std::vector<std::wstring> pages;
  FakeWebPageOpener opener(&pages);
  MakeUninstallWindow("DE");
  // Only the window asks about the installation from here on.
  g_has_installation = GetParam();
  Click(Item(IDC_UNINSTALL_BUTTON));
  HWND link_control = Item(IDC_PRIVACY_LINK);
  ASSERT_TRUE(::IsWindowVisible(link_control));
  std::vector<RichStatic::Link> links;
  RichStatic::ParseMarkup(GetL10nString(IDS_PRIVACY_POLICY_LINK), &links);
  ASSERT_EQ(1u, links.size());
  ENLINK link = {};
  link.nmhdr = {link_control, IDC_PRIVACY_LINK, EN_LINK};
  link.msg = WM_LBUTTONUP;
  link.chrg = {links[0].start, links[0].end};
  ::SendMessageW(Main(), WM_NOTIFY, IDC_PRIVACY_LINK, reinterpret_cast<LPARAM>(&link));
  base::TaskScheduler::GetInstance()->FlushForTesting();
  const std::vector<std::string> launches = sandbox_.win_api().CallsTo("LaunchProcess");
  if (GetParam()) {
    EXPECT_TRUE(pages.empty());
    ASSERT_EQ(1u, launches.size());
    const base::FilePath launcher = settings_->GetFolderDetails()->GetPath().Append(L"launcher.exe");
    EXPECT_NE(std::string::npos, launches[0].find(launcher.AsUTF8Unsafe())) << launches[0];
    EXPECT_NE(std::string::npos, launches[0].find("https://velta.example/privacy"));
  } else {
    EXPECT_THAT(pages, ElementsAre(L"https://velta.example/privacy"));
    EXPECT_TRUE(launches.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Installations, InstallerWindowPrivacyTest, ::testing::Bool());

// The visible controls that reach past their dialog's client area, as "id:
// text (rectangle in room)": what stands outside is not seen.
std::vector<std::wstring> ControlsOutsideTheirDialog(HWND root) {
  std::vector<std::wstring> outside;
  std::function<void(HWND)> visit = [&outside](HWND control) {
    if (!::IsWindowVisible(control))
      return;
    HWND parent = ::GetParent(control);
    RECT room = {};
    ::GetClientRect(parent, &room);
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    if (rect.left < 0 || rect.top < 0 || rect.right > room.right || rect.bottom > room.bottom) {
      outside.push_back(std::to_wstring(::GetDlgCtrlID(control)) + L": " + TextOf(control) + L" (" +
                        std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"-" +
                        std::to_wstring(rect.right) + L"," + std::to_wstring(rect.bottom) +
                        L" in " + std::to_wstring(room.right) + L"x" +
                        std::to_wstring(room.bottom) + L")");
    }
  };
  ::EnumChildWindows(root, &VisitChild, reinterpret_cast<LPARAM>(&visit));
  return outside;
}

struct ReadableCase {
  const char* name;
  bool simplified;
  bool uninstall;
};

// Each page of a mode in every language of the window's list.
class InstallerWindowReadableTest : public InstallerWindowUninstallTest,
                                    public ::testing::WithParamInterface<ReadableCase> {
 protected:
  // Switches the window to `languages[index]`: an installation as the user
  // does, in the options page's list; an uninstallation speaks the
  // installation's language, which the settings give the window.
  void ChooseLanguage(const std::vector<std::wstring>& languages, size_t index) {
    if (GetParam().uninstall) {
      std::wstring chosen = languages[index];
      SetL10nLanguage(&chosen);
      window_->OnLanguageChanged();
      return;
    }
    HWND list = Item(IDC_LANGUAGE_LIST);
    const LRESULT count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
    for (LRESULT item = 0; item < count; ++item) {
      if (::SendMessageW(list, CB_GETITEMDATA, item, 0) == static_cast<LRESULT>(index))
        ::SendMessageW(list, CB_SETCURSEL, item, 0);
    }
    ::SendMessageW(window_->options_dialog(), WM_COMMAND,
                   MAKEWPARAM(IDC_LANGUAGE_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    ASSERT_EQ(languages[index], settings_->GetLanguage());
  }

  // Records every text of the page shown that is cut or drawn in boxes, as
  // "language page: id: text".
  void CheckPage(const std::wstring& language, const wchar_t* page) {
    for (const std::vector<std::wstring>& found :
         {ClippedStatics(Main()), ClippedButtons(Main()), ClippedRichTexts(Main()),
          TextsDrawnInBoxes(Main()), ControlsOutsideTheirDialog(Main())}) {
      for (const std::wstring& text : found)
        unreadable_.push_back(language + L" " + page + L": " + text);
    }
  }

  // The longest error text, with the full package offered.
  void ShowError() {
    window_->DisplayError(
        GetL10nStringWithOneArg(IDS_ERROR_SYSTEM_TOO_OLD, GetL10nString(IDS_BUTTON_FULL_INSTALLER)),
        0, true, "test");
  }

  std::vector<std::wstring> unreadable_;
};

// No text of any page is cut or drawn in boxes, in any language: statics,
// buttons, check boxes and the rich texts (titles, terms line, error text,
// privacy link). An installation's window goes through its pages in each
// language (welcome, options, progress, error and back); an
// uninstallation's shows one page in every language, then the next.
TEST_P(InstallerWindowReadableTest, EveryTextFitsInEveryLanguage) {
  g_country = "DE";  // The survey applies.
  std::vector<std::wstring> switches;
  if (GetParam().uninstall)
    switches.push_back(L"uninstall");
  MakeWindow(switches, GetParam().simplified);
  const std::vector<std::wstring> languages = GetL10nHandler()->GetAvailableLanguages();
  if (GetParam().uninstall) {
    for (const int layout : {LAYOUT_UNINSTALL, LAYOUT_SURVEY, LAYOUT_ERROR}) {
      if (layout == LAYOUT_SURVEY) {
        Click(Item(IDC_UNINSTALL_BUTTON));
        Click(Survey(IDC_SURVEY_QUALITY));
      }
      for (size_t i = 0; i < languages.size(); ++i) {
        ChooseLanguage(languages, i);
        if (layout == LAYOUT_ERROR)
          ShowError();
        ASSERT_EQ(static_cast<uint32_t>(layout), window_->layout());
        CheckPage(languages[i], layout == LAYOUT_UNINSTALL ? L"uninstall"
                                : layout == LAYOUT_SURVEY  ? L"survey"
                                                           : L"error");
      }
    }
  } else {
    for (size_t i = 0; i < languages.size(); ++i) {
      ChooseLanguage(languages, i);
      ASSERT_EQ(LAYOUT_WELCOME, window_->layout());
      CheckPage(languages[i], L"welcome");
      if (!GetParam().simplified) {
        ::SendMessageW(Item(IDC_OPTIONS_BUTTON), BM_CLICK, 0, 0);
        ASSERT_EQ(LAYOUT_OPTIONS, window_->layout());
        CheckPage(languages[i], L"options");
      }
      window_->ShowInstallationProgress();
      window_->OnPhaseEntered(6);
      CheckPage(languages[i], L"progress");
      ShowError();
      CheckPage(languages[i], L"error");
      ::SendMessageW(Item(IDC_BACK_BUTTON), BM_CLICK, 0, 0);
    }
  }
  std::wstring listed;
  for (const std::wstring& text : unreadable_)
    listed += L"\n  " + text;
  EXPECT_TRUE(unreadable_.empty()) << unreadable_.size() << " unreadable:" << listed;
}

INSTANTIATE_TEST_SUITE_P(Modes,
                         InstallerWindowReadableTest,
                         ::testing::Values(ReadableCase{"classic_install", false, false},
                                           ReadableCase{"simplified_install", true, false},
                                           ReadableCase{"classic_uninstall", false, true},
                                           ReadableCase{"simplified_uninstall", true, true}),
                         [](const ::testing::TestParamInfo<ReadableCase>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace window_test
}  // namespace velta
