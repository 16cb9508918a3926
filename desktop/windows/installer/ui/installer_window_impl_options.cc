// Copyright 2026 Velta Software. All rights reserved.

// The installer window's options page (dialog 105): every change goes into
// the settings, and the page is redrawn from them.

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <utility>

#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/install_folder_path.h"
#include "desktop/windows/installer/common/installer_utils.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/installation_folder_details.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/controls/text_label.h"
#include "desktop/windows/installer/ui/controls/ui_element.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/installer/utils/shell_associations.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

constexpr COLORREF kTermsLineColor = 0x686868;
constexpr int kTooltipWidth = 300;

void Count(std::optional<uint32_t>* counter) {
  *counter = counter->value_or(0) + 1;
}

void Check(HWND dialog, int control, bool checked) {
  ::CheckDlgButton(dialog, control, checked ? BST_CHECKED : BST_UNCHECKED);
}

int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM /*lparam*/, LPARAM data) {
  if (message == BFFM_INITIALIZED && data)
    ::SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

}  // namespace

void InstallerWindowImpl::OnOptionsInitDialog() {
  if (run_immediately_)
    return;
  HWND default_browser = ::GetDlgItem(options_dialog_, IDC_DEFAULT_BROWSER_CHECK);
  const base::win::Version version = WinApi::GetInstance()->GetWindowsVersion();
  bool shown = true;
  if (version >= base::win::VERSION_WIN10)
    shown = IsAssociationRegistrationAvailable();
  else if (version >= base::win::VERSION_WIN8)
    shown = false;
  ::ShowWindow(default_browser, shown ? SW_SHOWNOACTIVATE : SW_HIDE);
  if (small_bold_font_) {
    ::SendDlgItemMessageW(options_dialog_, IDC_INVALID_PATH_TEXT, WM_SETFONT,
                          reinterpret_cast<WPARAM>(small_bold_font_), TRUE);
  }

  // The browse button is as tall as the folder box's client area.
  HWND folder = ::GetDlgItem(options_dialog_, IDC_FOLDER_COMBO);
  HWND browse = ::GetDlgItem(options_dialog_, IDC_CHANGE_FOLDER_BUTTON);
  RECT folder_client = {};
  RECT browse_rect = {};
  if (folder && browse && ::GetClientRect(folder, &folder_client) &&
      ::GetWindowRect(browse, &browse_rect)) {
    ::SetWindowPos(browse, nullptr, 0, 0, browse_rect.right - browse_rect.left,
                   folder_client.bottom - folder_client.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  HWND install_type = ::GetDlgItem(options_dialog_, IDC_INSTALL_TYPE_LIST);
  tooltip_ = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                               nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!tooltip_ || !install_type)
    return;
  std::wstring text = GetTooltipText();
  TTTOOLINFOW tool = {};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = options_dialog_;
  tool.uId = reinterpret_cast<UINT_PTR>(install_type);
  ::GetClientRect(install_type, &tool.rect);
  tool.lpszText = text.data();
  ::SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  ::SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, kTooltipWidth);
  ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring InstallerWindowImpl::GetTooltipText() const {
  std::wstring text = L"$1\n\t$2\n\n$3\n\t$4\n\n$5\n\t$6";
  for (int i = 6; i >= 1; --i) {
    const std::wstring placeholder = L"$" + std::to_wstring(i);
    const size_t at = text.find(placeholder);
    if (at != std::wstring::npos)
      text.replace(at, 2, GetL10nString(IDS_TOOLTIP_ALL_USERS_TITLE + i - 1));
  }
  return text;
}

void InstallerWindowImpl::FillOptionsLists() {
  HWND languages = ::GetDlgItem(options_dialog_, IDC_LANGUAGE_LIST);
  if (languages) {
    ::SendMessageW(languages, CB_RESETCONTENT, 0, 0);
    int selected = 0;
    for (size_t i = 0; i < languages_.size(); ++i) {
      const std::wstring name = GetL10nHandler()->GetStringForLanguage(languages_[i],
                                                                       IDS_LANGUAGE_NAME);
      const LRESULT index =
          ::SendMessageW(languages, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
      if (index < 0 || ::SendMessageW(languages, CB_SETITEMDATA, index, static_cast<LPARAM>(i)) ==
                           CB_ERR) {
        LOG(ERROR) << "Adding item #" << i << "to the language dropdown failed";
        continue;
      }
      // Language tags name the same language in any case ("pt-br").
      if (base::CompareCaseInsensitiveASCII(languages_[i], settings_->GetLanguage()) == 0)
        selected = static_cast<int>(index);
    }
    ::SendMessageW(languages, CB_SETCURSEL, selected, 0);
  }

  HWND types = ::GetDlgItem(options_dialog_, IDC_INSTALL_TYPE_LIST);
  if (types) {
    const LRESULT previous = ::SendMessageW(types, CB_GETCURSEL, 0, 0);
    ::SendMessageW(types, CB_RESETCONTENT, 0, 0);
    std::wstring current_user = GetL10nString(IDS_INSTALL_TYPE_CURRENT_USER);
    std::wstring user_name;
    if (GetCurrentUserName(&user_name))
      current_user += L" (" + user_name + L")";
    for (const std::wstring& entry :
         {GetL10nString(IDS_INSTALL_TYPE_ALL_USERS), current_user,
          GetL10nString(IDS_INSTALL_TYPE_STANDALONE)}) {
      ::SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
    ::SendMessageW(types, CB_SETCURSEL, previous >= 0 ? previous : 0, 0);
  }

  if (tooltip_) {
    std::wstring text = GetTooltipText();
    TTTOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.hwnd = options_dialog_;
    tool.uId = reinterpret_cast<UINT_PTR>(types);
    tool.lpszText = text.data();
    ::SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void InstallerWindowImpl::SetAcceptTextAndTermsLine() {
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  uint32_t id = simplified_ ? IDS_BUTTON_INSTALL : IDS_BUTTON_ACCEPT_AND_INSTALL;
  // A folder holding an installation, or only the launcher an earlier one
  // left behind, is upgraded rather than installed into.
  if (details && (details->HasExistingInstallation() || details->HasExistingInstallationTraces()))
    id = IDS_BUTTON_ACCEPT_AND_UPGRADE;
  const std::wstring text = GetL10nString(id);
  ::SetDlgItemTextW(main_dialog_, IDC_ACCEPT_BUTTON, text.c_str());
  if (terms_line_)
    terms_line_->SetMarkup(GetL10nStringWithOneArg(IDS_TERMS_LINE, text), kTermsLineColor);
}

void InstallerWindowImpl::RefreshOptions() {
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  const InstallFolderProblem problem =
      details ? details->GetInstallationFolderProblem() : InstallFolderProblem::kNone;
  const bool usable = problem == InstallFolderProblem::kNone;
  const bool shield = usable && SecurityUtils::GetInstance()->NeedsElevation(
                                    settings_->IsAllUsers(), details && details->HasWriteAccess());
  const bool vista = WinApi::GetInstance()->GetWindowsVersion() >= base::win::VERSION_VISTA;

  if (uninstall_mode_) {
    if (vista) {
      for (int control : {IDC_UNINSTALL_BUTTON, IDC_REINSTALL_BUTTON})
        ::SendDlgItemMessageW(main_dialog_, control, BCM_SETSHIELD, 0, shield);
    }
    if (delete_user_data_)
      delete_user_data_->Update(layout_);
    Check(main_dialog_, IDC_DELETE_USER_DATA, settings_->IsDeleteProfile());
    return;
  }

  HWND types = ::GetDlgItem(options_dialog_, IDC_INSTALL_TYPE_LIST);
  ::EnableWindow(types, settings_->CanSetMode());
  ::SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(settings_->GetInstallMode()), 0);
  SetAcceptTextAndTermsLine();
  if (!simplified_ && vista) {
    for (int control : {IDC_ACCEPT_BUTTON, IDC_RETRY_BUTTON})
      ::SendDlgItemMessageW(main_dialog_, control, BCM_SETSHIELD, 0, shield);
  }
  ::EnableWindow(::GetDlgItem(options_dialog_, IDC_DEFAULT_BROWSER_CHECK),
                 !settings_->IsCopyOnly());
  Check(options_dialog_, IDC_DEFAULT_BROWSER_CHECK, settings_->IsDefaultBrowser());
  Check(options_dialog_, IDC_IMPORT_DATA_CHECK, settings_->IsImportBrowserData());
  Check(options_dialog_, IDC_SEND_STATS_CHECK,
        settings_->IsVeltaStatsEnabled() || settings_->IsInstallerStatsEnabled());
  FillFolderList();
  ::EnableWindow(::GetDlgItem(main_dialog_, IDC_ACCEPT_BUTTON), usable);
  ::EnableWindow(::GetDlgItem(main_dialog_, IDC_BACK_BUTTON), usable);

  if (invalid_path_) {
    invalid_path_->Update(layout_);
    if (!usable) {
      std::wstring text;
      if (problem == InstallFolderProblem::kInvalidPath) {
        text = GetL10nString(IDS_INVALID_INSTALL_PATH);
      } else if (problem == InstallFolderProblem::kNotEnoughSpace) {
        text = GetL10nStringWithOneArg(
            IDS_INSUFFICIENT_SPACE,
            FormatDrivesNeedingSpace(details->GetLowDiskSpace()));
      }
      ::SetWindowTextW(invalid_path_->hwnd(), text.c_str());
    }
    RECT rect = invalid_path_->GetRectInParent();
    ::MapWindowPoints(options_dialog_, main_dialog_, reinterpret_cast<POINT*>(&rect), 2);
    ::InvalidateRect(main_dialog_, &rect, TRUE);
  }
  PlaceElements();
}

std::wstring InstallerWindowImpl::GetFolderComboText() const {
  HWND folder = ::GetDlgItem(options_dialog_, IDC_FOLDER_COMBO);
  const LRESULT selected = ::SendMessageW(folder, CB_GETCURSEL, 0, 0);
  if (selected >= 0) {
    const LRESULT length = ::SendMessageW(folder, CB_GETLBTEXTLEN, selected, 0);
    if (length >= 0) {
      std::wstring text(static_cast<size_t>(length) + 1, L'\0');
      ::SendMessageW(folder, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()));
      text.resize(static_cast<size_t>(length));
      return text;
    }
  }
  const int length = ::GetWindowTextLengthW(folder);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(::GetWindowTextW(folder, text.data(), length + 1));
  return text;
}

void InstallerWindowImpl::SetFolderComboText(const std::wstring& text) {
  if (GetFolderComboText() == text)
    return;
  HWND folder = ::GetDlgItem(options_dialog_, IDC_FOLDER_COMBO);
  const LRESULT found = ::SendMessageW(folder, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                       reinterpret_cast<LPARAM>(text.c_str()));
  if (found >= 0)
    ::SendMessageW(folder, CB_SETCURSEL, found, 0);
  else
    ::SetWindowTextW(folder, text.c_str());
}

void InstallerWindowImpl::FillFolderList() {
  HWND folder = ::GetDlgItem(options_dialog_, IDC_FOLDER_COMBO);
  if (!folder)
    return;
  // The field keeps the folder as the user typed it while it names the
  // settings' folder, which the settings hold in its one form.
  const std::wstring typed = GetFolderComboText();
  ::SendMessageW(folder, CB_RESETCONTENT, 0, 0);
  const base::FilePath current = settings_->GetInstallFolder();
  LRESULT selected = -1;
  for (const base::FilePath& suggested : settings_->GetDefaultInstallFolders()) {
    const LRESULT index = ::SendMessageW(folder, CB_ADDSTRING, 0,
                                         reinterpret_cast<LPARAM>(suggested.value().c_str()));
    if (selected < 0 && base::FilePath::CompareEqualIgnoreCase(suggested.value(), current.value()))
      selected = index;
  }
  if (!typed.empty() && IsSameInstallFolder(base::FilePath(typed), current))
    SetFolderComboText(typed);
  else if (selected >= 0)
    ::SendMessageW(folder, CB_SETCURSEL, selected, 0);
  else
    SetFolderComboText(current.value());
}

void InstallerWindowImpl::BrowseForFolder() {
  const std::wstring title = GetL10nString(IDS_BROWSE_FOR_FOLDER);
  const std::wstring initial = GetFolderComboText();
  BROWSEINFOW info = {};
  info.hwndOwner = main_dialog_;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  if (!initial.empty()) {
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(initial.c_str());
  }
  PIDLIST_ABSOLUTE item = ::SHBrowseForFolderW(&info);
  if (!item)
    return;
  std::wstring chosen;
  IShellFolder* desktop = nullptr;
  if (SUCCEEDED(::SHGetDesktopFolder(&desktop))) {
    STRRET name = {};
    if (SUCCEEDED(desktop->GetDisplayNameOf(item, SHGDN_FORPARSING, &name)) &&
        name.uType == STRRET_WSTR) {
      chosen = name.pOleStr;
      ::CoTaskMemFree(name.pOleStr);
    }
    desktop->Release();
  }
  if (chosen.empty()) {
    wchar_t path[MAX_PATH] = {};
    if (::SHGetPathFromIDListW(item, path))
      chosen = path;
  }
  ::CoTaskMemFree(item);
  if (chosen.empty())
    return;
  SetFolderComboText(chosen);
  OnFolderChanged();
}

void InstallerWindowImpl::OnFolderChanged() {
  if (!settings_->IsEditable()) {
    RefreshOptions();
    return;
  }
  settings_->SetInstallFolder(GetFolderComboText());
}

INT_PTR InstallerWindowImpl::OnOptionsCommand(int control, int notification) {
  switch (control) {
    case IDC_LANGUAGE_LIST: {
      if (notification != CBN_SELCHANGE)
        return 0;
      Count(&page_transitions_.changed_language_counter);
      if (settings_->IsEditable()) {
        HWND list = ::GetDlgItem(options_dialog_, IDC_LANGUAGE_LIST);
        const LRESULT selected = ::SendMessageW(list, CB_GETCURSEL, 0, 0);
        const LRESULT data =
            selected >= 0 ? ::SendMessageW(list, CB_GETITEMDATA, selected, 0) : CB_ERR;
        if (data >= 0 && static_cast<size_t>(data) < languages_.size())
          settings_->SetInstallLanguage(languages_[data]);
      }
      RefreshOptions();
      return 1;
    }
    case IDC_INSTALL_TYPE_LIST: {
      if (notification != CBN_SELCHANGE)
        return 0;
      Count(&page_transitions_.changed_install_mode_counter);
      if (!settings_->IsEditable()) {
        RefreshOptions();
        return 1;
      }
      const LRESULT selected = ::SendDlgItemMessageW(options_dialog_, IDC_INSTALL_TYPE_LIST,
                                                     CB_GETCURSEL, 0, 0);
      if (selected >= 0 && selected <= 2)
        settings_->SetMode(static_cast<InstallMode>(selected));
      return 1;
    }
    case IDC_FOLDER_COMBO:
      if (notification == CBN_EDITCHANGE)
        Count(&page_transitions_.edited_install_path_counter);
      else if (notification == CBN_SELCHANGE)
        Count(&page_transitions_.changed_install_path_counter);
      else
        return 0;
      OnFolderChanged();
      return 1;
    case IDC_CHANGE_FOLDER_BUTTON:
      BrowseForFolder();
      return 1;
    case IDC_DEFAULT_BROWSER_CHECK:
    case IDC_IMPORT_DATA_CHECK:
    case IDC_SEND_STATS_CHECK: {
      if (notification == BN_CLICKED) {
        if (!settings_->IsEditable()) {
          RefreshOptions();
        } else {
          const bool checked = IsChecked(options_dialog_, control);
          if (control == IDC_DEFAULT_BROWSER_CHECK) {
            Count(&page_transitions_.changed_make_default_browser_counter);
            settings_->SetDefaultBrowser(checked);
          } else if (control == IDC_IMPORT_DATA_CHECK) {
            Count(&page_transitions_.changed_import_data_counter);
            settings_->SetImportBrowserData(checked);
          } else {
            Count(&page_transitions_.changed_enable_stats_counter);
            settings_->SetEnableStats(checked);
          }
        }
      }
      RECT rect = {};
      HWND box = ::GetDlgItem(options_dialog_, control);
      ::GetWindowRect(box, &rect);
      ::MapWindowPoints(HWND_DESKTOP, main_dialog_, reinterpret_cast<POINT*>(&rect), 2);
      ::InvalidateRect(main_dialog_, &rect, TRUE);
      return notification == BN_CLICKED ? 1 : 0;
    }
  }
  return 0;
}

// static
INT_PTR CALLBACK InstallerWindowImpl::OptionsDialogProc(HWND dialog, UINT message, WPARAM wparam,
                                                         LPARAM lparam) {
  InstallerWindowImpl* window = FromPage(dialog);
  if (!window)
    return 0;
  switch (message) {
    case WM_COMMAND:
      return window->OnOptionsCommand(LOWORD(wparam), HIWORD(wparam));
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
    case WM_CTLCOLORSTATIC: {
      HWND control = reinterpret_cast<HWND>(lparam);
      const int id = ::GetDlgCtrlID(control);
      if (id == IDC_DEFAULT_BROWSER_CHECK || id == IDC_IMPORT_DATA_CHECK ||
          id == IDC_SEND_STATS_CHECK) {
        return reinterpret_cast<INT_PTR>(::GetStockObject(WHITE_BRUSH));
      }
      HDC dc = reinterpret_cast<HDC>(wparam);
      ::SetTextColor(dc, id == IDC_INVALID_PATH_TEXT ? 0x0000FF : 0x000000);
      ::SetBkMode(dc, TRANSPARENT);
      return reinterpret_cast<INT_PTR>(::GetStockObject(NULL_BRUSH));
    }
    case WM_LBUTTONDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
      window->HandleDrag(message, lparam, dialog);
      return 0;
  }
  return 0;
}

void InstallerWindowImpl::FitOptionLabels() {
  constexpr std::pair<int, int> kLabels[] = {
      {IDC_LANGUAGE_LABEL, IDC_LANGUAGE_LIST},
      {IDC_INSTALL_FOR_LABEL, IDC_INSTALL_TYPE_LIST},
      {IDC_INSTALL_PATH_LABEL, IDC_FOLDER_COMBO},
  };
  for (const auto& [label_id, list_id] : kLabels) {
    HWND label = ::GetDlgItem(options_dialog_, label_id);
    HWND list = ::GetDlgItem(options_dialog_, list_id);
    if (!label || !list)
      continue;
    RECT label_rect = {};
    RECT list_rect = {};
    ::GetWindowRect(label, &label_rect);
    ::GetWindowRect(list, &list_rect);
    ::MapWindowPoints(HWND_DESKTOP, options_dialog_, reinterpret_cast<POINT*>(&label_rect), 2);
    ::MapWindowPoints(HWND_DESKTOP, options_dialog_, reinterpret_cast<POINT*>(&list_rect), 2);
    // The one-line height the template gives, kept for texts that fit it.
    auto& one_line = template_heights_[label_id];
    if (!one_line)
      one_line = label_rect.bottom - label_rect.top;
    const SIZE needed = TextLabel(label, {}).GetSize();
    const int height = std::max<int>(one_line, needed.cy);
    const int top = (list_rect.top + list_rect.bottom - height) / 2;
    ::SetWindowPos(label, nullptr, label_rect.left, top, label_rect.right - label_rect.left, height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

}  // namespace velta
