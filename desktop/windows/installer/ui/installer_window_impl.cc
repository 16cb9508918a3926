// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/installer_window_impl.h"

#include <richedit.h>

#include <utility>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/features/feature_states.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "base/task/post_task.h"
#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/page_transition_event.h"
#include "desktop/windows/installer/common/product/installer_constants.h"
#include "desktop/windows/installer/common/product/installer_features.h"
#include "desktop/windows/installer/common/product/named_urls.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/common/win/win_api_process.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/interprocess_state.h"
#include "desktop/windows/installer/ui/controls/bitmap_element.h"
#include "desktop/windows/installer/ui/controls/blue_button.h"
#include "desktop/windows/installer/ui/controls/conditional_button.h"
#include "desktop/windows/installer/ui/controls/conditional_element.h"
#include "desktop/windows/installer/ui/controls/folder_validation_element.h"
#include "desktop/windows/installer/ui/controls/gray_button.h"
#include "desktop/windows/installer/ui/controls/image_button.h"
#include "desktop/windows/installer/ui/controls/image_utils.h"
#include "desktop/windows/installer/ui/controls/interactive_install_element.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/controls/settings_flag_element.h"
#include "desktop/windows/installer/ui/controls/text_label.h"
#include "desktop/windows/installer/ui/controls/ui_element.h"
#include "desktop/windows/installer/ui/installer_window_elements.h"
#include "desktop/windows/installer/ui/web_page.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/installer/ui/window_dragger.h"
#include "desktop/windows/installer/utils/display_scale.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

// The privacy link's colour.
constexpr COLORREF kLinkColor = 0x686868;

// Page values that only the statistics see.
constexpr uint32_t kPageClosed = 0xFFFFFFFF;
constexpr uint32_t kPageClosedForReinstall = 101;

HWND CreatePage(int id, HWND parent, DLGPROC procedure, InstallerWindowImpl* window) {
  HWND page = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), parent,
                                   procedure, reinterpret_cast<LPARAM>(window));
  if (page)
    ::SetWindowLongPtrW(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  return page;
}

// The texts each mode sets at every language change, in this order.
struct ControlText {
  int control;
  uint32_t string_id;
};

constexpr ControlText kInstallTexts[] = {
    {IDC_OPTIONS_BUTTON, IDS_BUTTON_OPTIONS},
    {IDC_BACK_BUTTON, IDS_BUTTON_BACK},
    {IDC_LANGUAGE_LABEL, IDS_LABEL_LANGUAGE},
    {IDC_INSTALL_FOR_LABEL, IDS_LABEL_INSTALL_FOR},
    {IDC_INSTALL_PATH_LABEL, IDS_LABEL_INSTALL_PATH},
    {IDC_CHANGE_FOLDER_BUTTON, IDS_BUTTON_CHANGE},
    {IDC_INVALID_PATH_TEXT, IDS_INVALID_INSTALL_PATH},
    {IDC_DEFAULT_BROWSER_CHECK, IDS_OPTION_DEFAULT_BROWSER},
    {IDC_IMPORT_DATA_CHECK, IDS_OPTION_IMPORT_DATA},
    {IDC_SEND_STATS_CHECK, IDS_OPTION_SEND_USAGE},
    {IDC_PROGRESS_HEADING, IDS_THANK_YOU},
    {IDC_FAILURE_HEADING, IDS_INSTALL_FAILED_TITLE},
    {IDC_RETRY_BUTTON, IDS_BUTTON_TRY_AGAIN},
    {IDC_FULL_PACKAGE_BUTTON, IDS_BUTTON_FULL_INSTALLER},
    {IDC_CANCEL_BUTTON, IDS_BUTTON_CANCEL},
    {IDC_FEATURE_TEXT_1, IDS_FEATURE_TRACKER_BLOCKER},
    {IDC_FEATURE_TEXT_2, IDS_FEATURE_SYNC},
    {IDC_FEATURE_TEXT_3, IDS_FEATURE_CUSTOMIZATION},
    {IDC_FEATURE_TEXT_4, IDS_FEATURE_READING_LIST},
};

constexpr ControlText kUninstallTexts[] = {
    {IDC_BACK_BUTTON, IDS_BUTTON_BACK},
    {IDC_FAILURE_HEADING, IDS_UNINSTALL_FAILED_TITLE},
    {IDC_RETRY_BUTTON, IDS_BUTTON_TRY_AGAIN},
    {IDC_CANCEL_BUTTON, IDS_BUTTON_CANCEL},
    {IDC_REINSTALL_BUTTON, IDS_BUTTON_REINSTALL},
    {IDC_UNINSTALL_BUTTON, IDS_BUTTON_UNINSTALL},
    {IDC_CLASSIC_UNINSTALL_HEADING, IDS_UNINSTALL_WELCOME},
    {IDC_UNINSTALL_HEADING, IDS_UNINSTALL_SELECT_OPERATION},
    {IDC_DELETE_USER_DATA, IDS_DELETE_USER_DATA},
    {IDC_SURVEY_QUESTION, IDS_SURVEY_QUESTION},
    {IDC_SURVEY_ALL_FINE, IDS_SURVEY_REASON_ALL_FINE},
    {IDC_SURVEY_NOT_CONVINCED, IDS_SURVEY_REASON_NOT_CONVINCED},
    {IDC_SURVEY_QUALITY, IDS_SURVEY_REASON_QUALITY},
    {IDC_SURVEY_VIDEO, IDS_SURVEY_VIDEO},
    {IDC_SURVEY_WEBSITES, IDS_SURVEY_WEBSITES},
    {IDC_SURVEY_CRASHES, IDS_SURVEY_CRASHES},
    {IDC_SURVEY_TRACKER_BLOCKING, IDS_SURVEY_TRACKER_BLOCKING},
    {IDC_SURVEY_SYNC, IDS_SURVEY_SYNC},
    {IDC_SURVEY_EXTENSIONS, IDS_SURVEY_EXTENSIONS},
    {IDC_SURVEY_SLOW, IDS_SURVEY_SLOW},
    {IDC_SURVEY_OTHER, IDS_SURVEY_OTHER},
};

// The control that takes the focus when a layout is shown; 0 for none.
int GetDefaultControl(uint32_t layout) {
  switch (layout) {
    case LAYOUT_WELCOME:
    case LAYOUT_TERMS:
    case LAYOUT_OPTIONS:
      return IDC_ACCEPT_BUTTON;
    case LAYOUT_UNINSTALL:
      return IDC_REINSTALL_BUTTON;
    case LAYOUT_ERROR:
      return IDC_RETRY_BUTTON;
    default:
      return 0;
  }
}

// Opens the privacy statement on a worker: with the installation's launcher
// when there is one, else with the shell.
void OpenPrivacyPageOnWorker(base::FilePath launcher, std::wstring address) {
  if (launcher.empty()) {
    OpenWebPage(address);
    return;
  }
  base::CommandLine command_line(launcher);
  command_line.AppendArgNative(address);
  LOG(INFO) << "Opening the privacy statement with " << command_line.GetCommandLineString();
  WinApi::GetInstance()->LaunchProcess(command_line, base::LaunchOptions());
}

}  // namespace

// static
bool InstallerWindowImpl::IsChecked(HWND dialog, int control) {
  return ::IsDlgButtonChecked(dialog, control) == BST_CHECKED;
}

// static
std::unique_ptr<InstallerWindowImpl> InstallerWindowImpl::Create(Settings* settings,
                                                                 InstallerProgress* progress,
                                                                 ProgressCalculator* calculator) {
  return CreateVariant(settings, progress, calculator,
                       IsFeatureEnabled(kInstallerSimplifiedUiFeature));
}

// static
std::unique_ptr<InstallerWindowImpl> InstallerWindowImpl::CreateVariant(
    Settings* settings,
    InstallerProgress* progress,
    ProgressCalculator* calculator,
    bool simplified) {
  std::unique_ptr<InstallerWindowImpl> window(
      new InstallerWindowImpl(settings, progress, calculator, simplified));
  if (!window->Init()) {
    PLOG(ERROR) << "Window creation failed.";
    return nullptr;
  }
  return window;
}

InstallerWindowImpl::InstallerWindowImpl(Settings* settings,
                                         InstallerProgress* progress,
                                         ProgressCalculator* calculator,
                                         bool simplified)
    : settings_(settings),
      progress_(progress),
      calculator_(calculator),
      simplified_(simplified),
      uninstall_mode_(GetInstallerMode() == InstallerMode::kUninstall),
      run_immediately_(settings->ShouldRunImmediately()),
      languages_(GetL10nHandler()->GetAvailableLanguages()) {
  if (!run_immediately_)
    settings_->AddObserver(this);
  if (calculator_)
    calculator_->SetObserver(this);
  progress_->AddObserver(this);
}

InstallerWindowImpl::~InstallerWindowImpl() {
  *alive_ = false;
  progress_->RemoveObserver(this);
  if (calculator_)
    calculator_->SetObserver(nullptr);
  page_transitions_.page_type = settings_->IsReinstall() ? kPageClosedForReinstall : kPageClosed;
  SendPageTransition();
  if (tooltip_)
    ::DestroyWindow(tooltip_);
  if (!run_immediately_)
    settings_->RemoveObserver(this);
  slideshow_timer_.Stop();
  dragger_.reset();
  // The elements subclass their controls: they go before the dialogs.
  drawables_.clear();
  elements_.clear();
  for (HWND dialog : {options_dialog_, survey_dialog_, main_dialog_}) {
    if (!dialog)
      continue;
    ::SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
    Win32DialogDispatcher::GetInstance()->ClearActiveDialog(dialog);
    ::DestroyWindow(dialog);
  }
  weak_factory_.InvalidateWeakPtrs();
  DeleteFonts();
  if (background_image_)
    ::DeleteObject(background_image_);
  if (background_)
    ::DeleteObject(background_);
}

HWND InstallerWindowImpl::GetHwnd() {
  return main_dialog_;
}

void InstallerWindowImpl::AddObserver(InstallerWindowDelegate* delegate) {
  observers_.AddObserver(delegate);
}

void InstallerWindowImpl::RemoveObserver(InstallerWindowDelegate* delegate) {
  observers_.RemoveObserver(delegate);
}

bool InstallerWindowImpl::NotifyObservers(void (InstallerWindowDelegate::*method)()) {
  std::vector<InstallerWindowDelegate*> observers;
  for (InstallerWindowDelegate& observer : observers_)
    observers.push_back(&observer);
  const std::shared_ptr<bool> alive = alive_;
  for (InstallerWindowDelegate* observer : observers) {
    if (!*alive)
      return false;
    if (observers_.HasObserver(observer))
      (observer->*method)();
  }
  return *alive;
}

bool InstallerWindowImpl::Init() {
  const int main_id = simplified_ ? IDD_INSTALLER_SIMPLIFIED : IDD_INSTALLER_CLASSIC;
  main_dialog_ = CreatePage(main_id, nullptr, &InstallerWindowImpl::MainDialogProc, this);
  if (!main_dialog_)
    return false;
  // The dialog's WM_INITDIALOG ran before the window was known to it.
  OnMainInitDialog();
  options_dialog_ =
      CreatePage(IDD_OPTIONS, main_dialog_, &InstallerWindowImpl::OptionsDialogProc, this);
  if (!options_dialog_)
    return false;
  OnOptionsInitDialog();
  if (!BuildElements())
    return false;

  ChangeLayout(run_immediately_ ? LAYOUT_PROGRESS
                                : (uninstall_mode_ ? LAYOUT_UNINSTALL : LAYOUT_WELCOME));
  dpi_ = GetWindowDpi(main_dialog_);
  UpdateFonts();
  PlaceElements();
  ::ShowWindow(main_dialog_, SW_SHOW);

  OnLanguageChanged();
  if (!settings_->IsFetchingFolderDetails())
    OnPathChanged();
  OnPhaseEntered(0);
  return true;
}

bool InstallerWindowImpl::BuildElements() {
  for (const ElementRow& row : GetWindowElementTable()) {
    if ((row.variant == ElementVariant::kClassic && simplified_) ||
        (row.variant == ElementVariant::kSimplified && !simplified_) ||
        (row.mode == ElementMode::kInstall && uninstall_mode_) ||
        (row.mode == ElementMode::kUninstall && !uninstall_mode_)) {
      // The control of an element this window does not make stays hidden;
      // an element of the same control made later shows it in its layouts.
      if (row.kind != ElementKind::kOptionsPage && row.kind != ElementKind::kSurveyPage) {
        ::ShowWindow(::GetDlgItem(row.dialog == IDD_OPTIONS ? options_dialog_ : main_dialog_,
                                  row.control),
                     SW_HIDE);
      }
      continue;
    }
    HWND dialog = row.dialog == IDD_OPTIONS ? options_dialog_ : main_dialog_;
    HWND control = ::GetDlgItem(dialog, row.control);
    std::vector<uint32_t> layouts = GetElementLayouts(row);
    std::unique_ptr<UiElement> element;
    DrawableElement* drawable = nullptr;
    switch (row.kind) {
      case ElementKind::kPlain:
        element = std::make_unique<UiElement>(control, std::move(layouts));
        break;
      case ElementKind::kBitmap: {
        auto bitmap = std::make_unique<BitmapElement>(control, std::move(layouts));
        bitmap->SetBitmap(LoadPngResource(MAKEINTRESOURCEW(row.image), L"PNG"));
        drawable = bitmap.get();
        element = std::move(bitmap);
        break;
      }
      case ElementKind::kTextLabel:
        element = std::make_unique<TextLabel>(control, std::move(layouts));
        break;
      case ElementKind::kRichStatic: {
        // Over the window's background, as the statics are.
        auto text = std::make_unique<RichStatic>(control, std::move(layouts));
        text->SetTransparent(true);
        element = std::move(text);
        break;
      }
      case ElementKind::kBlueButton: {
        auto button = std::make_unique<BlueButton>(control, std::move(layouts));
        drawable = button.get();
        element = std::move(button);
        break;
      }
      case ElementKind::kGrayButton: {
        auto button = std::make_unique<GrayButton>(control, std::move(layouts));
        drawable = button.get();
        element = std::move(button);
        break;
      }
      case ElementKind::kImageButton: {
        auto button = std::make_unique<ImageButton>(
            control, std::move(layouts), LoadPngResource(MAKEINTRESOURCEW(IDR_PNG_CLOSE_NORMAL), L"PNG"),
            LoadPngResource(MAKEINTRESOURCEW(IDR_PNG_CLOSE_HOVER), L"PNG"),
            LoadPngResource(MAKEINTRESOURCEW(IDR_PNG_CLOSE_PRESSED), L"PNG"));
        drawable = button.get();
        element = std::move(button);
        break;
      }
      case ElementKind::kInteractiveInstallButton: {
        auto button =
            std::make_unique<InteractiveInstallButton>(control, settings_, uninstall_mode_);
        drawable = button.get();
        element = std::move(button);
        break;
      }
      case ElementKind::kConditionalButton: {
        auto button = std::make_unique<ConditionalButton>(control);
        full_package_simplified_ = button.get();
        drawable = button.get();
        element = std::move(button);
        break;
      }
      case ElementKind::kInteractiveInstallElement:
        element =
            std::make_unique<InteractiveInstallElement>(control, settings_, uninstall_mode_);
        break;
      case ElementKind::kConditionalElement: {
        auto conditional = std::make_unique<ConditionalElement>(control);
        full_package_classic_ = conditional.get();
        element = std::move(conditional);
        break;
      }
      case ElementKind::kSettingsFlag:
        element = std::make_unique<SettingsFlagElement>(control, settings_);
        break;
      case ElementKind::kFolderValidation:
        element = std::make_unique<FolderValidationElement>(control, settings_, std::move(layouts));
        break;
      case ElementKind::kOptionsPage:
        element = std::make_unique<UiElement>(options_dialog_, std::move(layouts));
        break;
      case ElementKind::kSurveyPage:
        survey_dialog_ =
            CreatePage(IDD_SURVEY, main_dialog_, &InstallerWindowImpl::SurveyDialogProc, this);
        if (!survey_dialog_)
          return false;
        ArrangeSurvey();
        element = std::make_unique<UiElement>(survey_dialog_, std::move(layouts));
        break;
    }
    if (drawable)
      drawables_[row.control] = drawable;
    UiElement* raw = element.get();
    switch (row.control) {
      case IDC_LOGO:
        logo_ = static_cast<BitmapElement*>(raw);
        break;
      case IDC_LEFT_PICTURE:
        left_picture_ = static_cast<BitmapElement*>(raw);
        break;
      case IDC_SIMPLIFIED_TITLE:
      case IDC_CLASSIC_TITLE:
        title_ = static_cast<RichStatic*>(raw);
        break;
      case IDC_TERMS_LINE:
        terms_line_ = static_cast<RichStatic*>(raw);
        break;
      case IDC_ERROR_TEXT:
        error_text_ = static_cast<RichStatic*>(raw);
        break;
      case IDC_PRIVACY_LINK:
        privacy_link_ = static_cast<RichStatic*>(raw);
        break;
      case IDC_ERROR_MARK:
        error_mark_ = raw;
        ::SetWindowTextW(control, L"\x2716");
        break;
      case IDC_SLIDE_PICTURE:
        slide_picture_ = static_cast<BitmapElement*>(raw);
        break;
      case IDC_SLIDE_TITLE:
        slide_title_ = static_cast<TextLabel*>(raw);
        break;
      case IDC_SLIDE_TEXT:
        slide_text_ = static_cast<TextLabel*>(raw);
        break;
      case IDC_ACCEPT_BUTTON:
        accept_button_ = raw;
        break;
      case IDC_RETRY_BUTTON:
        retry_button_ = raw;
        break;
      case IDC_BACK_BUTTON:
        back_button_ = raw;
        break;
      case IDC_FULL_PACKAGE_BUTTON:
        full_package_button_ = raw;
        break;
      case IDC_CLOSE_BUTTON:
        close_button_ = raw;
        break;
      case IDC_DELETE_USER_DATA:
        delete_user_data_ = raw;
        break;
      case IDC_INVALID_PATH_TEXT:
        invalid_path_ = raw;
        break;
      case IDC_FEATURE_ICON_1:
      case IDC_FEATURE_ICON_2:
      case IDC_FEATURE_ICON_3:
      case IDC_FEATURE_ICON_4:
        feature_icons_[row.control - IDC_FEATURE_ICON_1] = static_cast<BitmapElement*>(raw);
        break;
      case IDC_FEATURE_TEXT_1:
      case IDC_FEATURE_TEXT_2:
      case IDC_FEATURE_TEXT_3:
      case IDC_FEATURE_TEXT_4:
        feature_labels_[row.control] = static_cast<TextLabel*>(raw);
        break;
    }
    elements_.push_back(std::move(element));
  }
  return true;
}

void InstallerWindowImpl::SendPageTransition() {
  GetAvroStatsSender()->SendAvroMessage(
      std::make_unique<PageTransitionEvent>(page_transitions_, 1));
}

void InstallerWindowImpl::ChangeLayout(uint32_t layout) {
  if (layout == layout_)
    return;
  const uint32_t old_layout = layout_;
  layout_ = layout;
  page_transitions_.page_type = layout;
  SendPageTransition();
  page_transitions_ = PageTransitions();

  const int focus = GetDefaultControl(layout);
  ::SetFocus(focus ? ::GetDlgItem(main_dialog_, focus) : nullptr);
  for (const std::unique_ptr<UiElement>& element : elements_)
    element->Update(layout);
  if (old_layout == LAYOUT_PROGRESS && simplified_)
    slideshow_timer_.Stop();
  if (layout == LAYOUT_PROGRESS) {
    SetStatusText(GetStatusText(progress_->GetPhase(), std::nullopt));
    if (simplified_) {
      slideshow_timer_.Start(FROM_HERE, base::TimeDelta::FromSeconds(10),
                             base::BindRepeating(&InstallerWindowImpl::ShowNextSlide,
                                                 base::Unretained(this)));
    }
  }
  SetTitle();
  ::InvalidateRect(main_dialog_, nullptr, TRUE);
  PlaceElements();
}

HWND InstallerWindowImpl::FindControl(int control) const {
  for (HWND dialog : {main_dialog_, options_dialog_, survey_dialog_}) {
    if (!dialog)
      continue;
    if (HWND found = ::GetDlgItem(dialog, control))
      return found;
  }
  return nullptr;
}

void InstallerWindowImpl::SetControlText(int control, uint32_t string_id) {
  HWND found = FindControl(control);
  if (!found)
    return;
  const std::wstring text = GetL10nString(string_id);
  if (!text.empty())
    ::SetWindowTextW(found, text.c_str());
}

void InstallerWindowImpl::OnLanguageChanged() {
  for (const ControlText& text : uninstall_mode_ ? std::span<const ControlText>(kUninstallTexts)
                                                 : std::span<const ControlText>(kInstallTexts)) {
    const bool simplified_skips =
        text.control == IDC_PROGRESS_HEADING || text.control == IDC_FAILURE_HEADING ||
        text.control == IDC_CLASSIC_UNINSTALL_HEADING || text.control == IDC_OPTIONS_BUTTON;
    const bool classic_skips =
        (text.control >= IDC_FEATURE_TEXT_1 && text.control <= IDC_FEATURE_TEXT_4) ||
        text.control == IDC_UNINSTALL_HEADING;
    if (simplified_ ? simplified_skips : classic_skips)
      continue;
    SetControlText(text.control, text.string_id);
    if (simplified_)
      SetSlideTexts();
  }
  SetTitle();
  ::SetWindowTextW(main_dialog_, GetL10nString(IDS_INSTALLER_CAPTION).c_str());
  ::InvalidateRect(main_dialog_, nullptr, TRUE);
  if (!uninstall_mode_) {
    FillOptionsLists();
    FitOptionLabels();
    if (!simplified_)
      WidenFullPackageButton();
  } else {
    FitSurveyTexts();
  }
  if (privacy_link_)
    privacy_link_->SetMarkup(GetL10nString(IDS_PRIVACY_POLICY_LINK), kLinkColor);
  PlaceElements();
}

void InstallerWindowImpl::OnStatsSettingChanged() {
  RefreshOptions();
}

void InstallerWindowImpl::OnPathChanged() {
  if (settings_->GetFolderDetails()->GetInstallationFolderProblem() != InstallFolderProblem::kNone)
    ChangeLayout(LAYOUT_OPTIONS);
  RefreshOptions();
}

void InstallerWindowImpl::OnSysLinkSelected(const std::wstring& link) {
  if (link == L"tos") {
    page_transitions_.navigation_action = "TOS";
    ChangeLayout(LAYOUT_TERMS);
  } else if (link == L"policy") {
    OpenPrivacyPage();
  }
}

void InstallerWindowImpl::OpenPrivacyPage() {
  // What the page needs of the settings is read here, on the main thread,
  // where the settings live: the worker gets only the launcher and the
  // address, never the folder details (which a new folder may replace).
  base::FilePath launcher;
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  if (details && details->HasExistingInstallation())
    launcher = details->GetPath().Append(kLauncherFileName);
  const std::wstring address = base::UTF8ToWide(GetNamedUrl("product_privacy_policy"));
  base::PostTaskWithTraits(FROM_HERE, {base::MayBlock()},
                           base::BindOnce(&OpenPrivacyPageOnWorker, launcher, address));
}

bool InstallerWindowImpl::HandleDrag(UINT message, LPARAM lparam, HWND from) {
  POINT point = {static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
  if (from != main_dialog_)
    ::MapWindowPoints(from, main_dialog_, &point, 1);
  switch (message) {
    case WM_LBUTTONDOWN:
      if (simplified_)
        dragger_ = std::make_unique<WindowDragger>(main_dialog_, point.x, point.y);
      return true;
    case WM_MOUSEMOVE:
      if (dragger_)
        dragger_->MoveTo(point.x, point.y);
      return true;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      // Another window took the mouse (Alt+Tab, a message box) before the
      // button came up: the drag ends there, or the window would follow the
      // cursor until the next click.
      dragger_.reset();
      return true;
  }
  return false;
}

INT_PTR InstallerWindowImpl::OnMainCommand(int control, int notification) {
  switch (control) {
    case IDC_OPTIONS_BUTTON:
      page_transitions_.navigation_action = "OPTIONS";
      ChangeLayout(LAYOUT_OPTIONS);
      return 1;
    case IDC_CANCEL_BUTTON:
      page_transitions_.navigation_action = "CANCEL";
      OnCancel();
      return 1;
    case IDC_ACCEPT_BUTTON:
      OnAccept();
      return 1;
    case IDC_FULL_PACKAGE_BUTTON:
      page_transitions_.navigation_action = "FULL_PACKAGE";
      NotifyObservers(&InstallerWindowDelegate::ObtainFullPackage);
      return 1;
    case IDC_RETRY_BUTTON:
      page_transitions_.navigation_action = "RETRY";
      OnRetry();
      return 1;
    case IDC_UNINSTALL_BUTTON:
      OnUninstallClicked();
      return 1;
    case IDC_REINSTALL_BUTTON:
      page_transitions_.navigation_action = "REINSTALL";
      settings_->SetReinstall(true);
      OnCancel();
      return 1;
    case IDC_CLOSE_BUTTON:
      page_transitions_.navigation_action = "CLOSE";
      OnCancel();
      return 1;
    case IDC_TERMS_TEXT:
      if (notification != EN_SETFOCUS)
        return 0;
      ::SendDlgItemMessageW(main_dialog_, IDC_TERMS_TEXT, EM_SETSEL, static_cast<WPARAM>(-1), 0);
      return 1;
    case IDC_BACK_BUTTON:
      page_transitions_.navigation_action = "BACK";
      ChangeLayout(LAYOUT_WELCOME);
      return 1;
    case IDC_MAIN_FOLDER_COMBO:
      if (notification != CBN_EDITCHANGE && notification != CBN_SELCHANGE)
        return 0;
      return OnOptionsCommand(IDC_FOLDER_COMBO, notification);
    case IDC_MAIN_BROWSE_BUTTON:
      BrowseForFolder();
      return 1;
    case IDC_DELETE_USER_DATA:
      if (notification != BN_CLICKED) {
        ::InvalidateRect(::GetDlgItem(main_dialog_, IDC_DELETE_USER_DATA), nullptr, TRUE);
        return 0;
      }
      OnDeleteUserDataClicked();
      return 1;
  }
  return 0;
}

// static
InstallerWindowImpl* InstallerWindowImpl::FromPage(HWND page) {
  return reinterpret_cast<InstallerWindowImpl*>(::GetWindowLongPtrW(page, GWLP_USERDATA));
}

// static
INT_PTR CALLBACK InstallerWindowImpl::MainDialogProc(HWND dialog, UINT message, WPARAM wparam,
                                                      LPARAM lparam) {
  InstallerWindowImpl* window = FromPage(dialog);
  if (message == WM_ACTIVATE) {
    if (LOWORD(wparam) == WA_INACTIVE)
      Win32DialogDispatcher::GetInstance()->ClearActiveDialog(dialog);
    else
      Win32DialogDispatcher::GetInstance()->SetActiveDialog(dialog);
    return 0;
  }
  if (!window)
    return 0;
  switch (message) {
    case WM_CLOSE:
      window->page_transitions_.navigation_action = "CANCEL";
      window->OnCancel();
      return 1;
    case WM_ERASEBKGND: {
      // The dialog manager answers the message with DWLP_MSGRESULT.
      const BOOL painted = window->PaintBackground(reinterpret_cast<HDC>(wparam));
      ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, painted);
      return painted;
    }
    case WM_DRAWITEM: {
      const auto found = window->drawables_.find(static_cast<int>(wparam));
      if (found != window->drawables_.end())
        found->second->Paint(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
      return 1;
    }
    case WM_WINDOWPOSCHANGED:
      if (!window->simplified_) {
        const auto* position = reinterpret_cast<const WINDOWPOS*>(lparam);
        window->RebuildBackground((position->flags & (SWP_NOSIZE | SWP_NOMOVE)) !=
                                  (SWP_NOSIZE | SWP_NOMOVE));
      }
      return 0;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (header->code != EN_LINK)
        return 0;
      const auto* link = reinterpret_cast<const ENLINK*>(lparam);
      if (link->msg != WM_LBUTTONUP)
        return 0;
      std::wstring target;
      for (RichStatic* text : {window->terms_line_, window->privacy_link_}) {
        if (text && text->hwnd() == header->hwndFrom)
          target = text->GetLinkTarget(link->chrg);
      }
      if (target.empty()) {
        wchar_t buffer[256] = {};
        TEXTRANGEW range = {link->chrg, buffer};
        if (link->chrg.cpMax - link->chrg.cpMin < 255)
          ::SendMessageW(header->hwndFrom, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
        target = buffer;
      }
      window->OnSysLinkSelected(target);
      return 1;
    }
    case WM_COMMAND:
      return window->OnMainCommand(LOWORD(wparam), HIWORD(wparam));
    case WM_CTLCOLORBTN:
      return reinterpret_cast<INT_PTR>(
          ::GetStockObject(reinterpret_cast<HWND>(lparam) == ::GetDlgItem(dialog, IDC_CLOSE_BUTTON)
                               ? NULL_BRUSH
                               : WHITE_BRUSH));
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
    case WM_CTLCOLORSTATIC:
      return reinterpret_cast<INT_PTR>(
          window->OnMainCtlColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)));
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      window->HandleDrag(message, lparam, dialog);
      return 0;
    case WM_DPICHANGED: {
      if (!window->simplified_)
        return 1;
      const int old_dpi = window->dpi_;
      window->dpi_ = HIWORD(wparam);
      const auto* suggested = reinterpret_cast<const RECT*>(lparam);
      const SIZE size = SimplifiedWindowSize(window->dpi_);
      ::SetWindowPos(dialog, nullptr, suggested->left, suggested->top, size.cx, size.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      // What PlaceElements does not place keeps its share of the window.
      if (old_dpi > 0 && old_dpi != window->dpi_)
        window->ScaleControls(old_dpi, window->dpi_);
      window->UpdateFonts();
      window->PlaceElements();
      // The children too: the moved labels draw the background they cover.
      ::RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
      return 0;
    }
    case WM_THEMECHANGED:
      if (!window->simplified_)
        window->RebuildBackground(true);
      return 0;
  }
  return 0;
}

}  // namespace velta
