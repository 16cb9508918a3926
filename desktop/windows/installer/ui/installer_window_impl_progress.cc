// Copyright 2026 Velta Software. All rights reserved.

// The installer window's running side: the progress bar and status line,
// the error page, and the message boxes that confirm accept and cancel.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/page_transition_event.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/win_api.h"
#include "desktop/windows/installer/ui/controls/conditional_button.h"
#include "desktop/windows/installer/ui/controls/conditional_element.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

// Advances up to this many units step the bar; larger ones set it.
constexpr uint32_t kMaxSteppedAdvance = 10;
constexpr int64_t kStatusIntervalMs = 100;
constexpr uint32_t kPageWarningAnswered = 100;

// The hook that puts the localised texts on a message box's buttons.
HHOOK g_button_text_hook = nullptr;

LRESULT CALLBACK ButtonTextHook(int code, WPARAM wparam, LPARAM /*lparam*/) {
  if (code == HCBT_ACTIVATE) {
    HWND box = reinterpret_cast<HWND>(wparam);
    const struct {
      int button;
      uint32_t text;
    } buttons[] = {{IDYES, IDS_BUTTON_YES}, {IDNO, IDS_BUTTON_NO}, {IDOK, IDS_BUTTON_OK}};
    for (const auto& button : buttons) {
      if (HWND control = ::GetDlgItem(box, button.button))
        ::SetWindowTextW(control, GetL10nString(button.text).c_str());
    }
  }
  return 0;
}

// Installs the hook for the main thread while alive.
class ScopedButtonTextHook {
 public:
  ScopedButtonTextHook() {
    hook_ = ::SetWindowsHookExW(WH_CBT, &ButtonTextHook, ::GetModuleHandleW(nullptr),
                                WinApi::GetInstance()->GetCurrentThreadId());
    previous_ = g_button_text_hook;
    g_button_text_hook = hook_;
  }
  ScopedButtonTextHook(const ScopedButtonTextHook&) = delete;
  ScopedButtonTextHook& operator=(const ScopedButtonTextHook&) = delete;
  ~ScopedButtonTextHook() {
    g_button_text_hook = previous_;
    if (hook_)
      ::UnhookWindowsHookEx(hook_);
  }

 private:
  HHOOK hook_ = nullptr;
  HHOOK previous_ = nullptr;
};

}  // namespace

void InstallerWindowImpl::ShowInstallationProgress() {
  ChangeLayout(LAYOUT_PROGRESS);
  HWND bar = ::GetDlgItem(main_dialog_, IDC_PROGRESS_BAR);
  if (!bar)
    return;
  ::SendMessageW(bar, PBM_SETSTEP, 1, 0);
  ::SendMessageW(bar, PBM_SETPOS, 0, 0);
  const uint32_t low = calculator_ ? calculator_->GetProgress() : 0;
  const uint32_t high = calculator_ ? calculator_->GetMaximum() : 100;
  ::SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void InstallerWindowImpl::OnProgressChanged(uint32_t value, std::optional<uint32_t> remaining) {
  if (HWND bar = ::GetDlgItem(main_dialog_, IDC_PROGRESS_BAR)) {
    // A step past the range's end would wrap the bar to its start.
    const uint32_t high = static_cast<uint32_t>(::SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
    value = std::min(value, high);
    const uint32_t position = static_cast<uint32_t>(::SendMessageW(bar, PBM_GETPOS, 0, 0));
    if (value > position + kMaxSteppedAdvance) {
      ::SendMessageW(bar, PBM_SETPOS, value, 0);
    } else if (value > position) {
      for (uint32_t i = position; i < value; ++i)
        ::SendMessageW(bar, PBM_STEPIT, 0, 0);
    }
  }
  if (!remaining || *remaining == last_remaining_ || layout_ != LAYOUT_PROGRESS)
    return;
  last_remaining_ = *remaining;
  const std::wstring text = GetStatusText(progress_->GetPhase(), remaining);
  const int64_t elapsed_ms = (base::Time::Now() - last_status_change_).InMilliseconds();
  if (elapsed_ms >= kStatusIntervalMs) {
    SetStatusText(text);
    return;
  }
  // The last text of a burst wins: a waiting update is dropped.
  weak_factory_.InvalidateWeakPtrs();
  base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
      FROM_HERE,
      base::BindOnce(&InstallerWindowImpl::SetProgressStatusText, weak_factory_.GetWeakPtr(),
                     text),
      base::TimeDelta::FromMilliseconds(kStatusIntervalMs - elapsed_ms));
}

void InstallerWindowImpl::SetProgressStatusText(const std::wstring& text) {
  // The page may have changed meanwhile: the error page's message stays.
  if (layout_ == LAYOUT_PROGRESS)
    SetStatusText(text);
}

void InstallerWindowImpl::OnPhaseEntered(uint32_t phase) {
  if (layout_ != LAYOUT_PROGRESS)
    return;
  const std::wstring text = GetStatusText(phase, std::nullopt);
  HWND status = ::GetDlgItem(main_dialog_, IDC_STATUS_TEXT);
  if (!text.empty())
    ::SetWindowTextW(status, text.c_str());
  ::InvalidateRect(status, nullptr, TRUE);
}

std::wstring InstallerWindowImpl::GetStatusText(uint32_t phase,
                                                std::optional<uint32_t> remaining) const {
  const std::wstring count = remaining ? std::to_wstring(*remaining) : std::wstring();
  switch (phase) {
    case 0:
      return GetL10nString(IDS_STATUS_DOWNLOADING);
    case 1:
      return remaining ? GetL10nStringWithOneArg(IDS_STATUS_DOWNLOADING_REMAINING, count)
                       : GetL10nString(IDS_STATUS_DOWNLOADING);
    case 6:
      return remaining ? GetL10nStringWithOneArg(IDS_STATUS_EXTRACTING_REMAINING, count)
                       : GetL10nString(IDS_STATUS_EXTRACTING);
    case 8:
      return remaining ? GetL10nStringWithOneArg(IDS_STATUS_RETRYING_DOWNLOAD, count)
                       : std::wstring();
  }
  if (uninstall_mode_)
    return GetL10nString(IDS_STATUS_UNINSTALLING);
  if (settings_->GetInstallMode() == InstallMode::kCurrentUser) {
    std::wstring name;
    if (!GetUserDisplayName(&name) || name.empty())
      GetCurrentUserName(&name);
    return GetL10nStringWithOneArg(IDS_STATUS_INSTALLING_FOR_USER, name);
  }
  return remaining ? GetL10nStringWithOneArg(IDS_STATUS_INSTALLING_REMAINING, count)
                   : GetL10nString(IDS_STATUS_INSTALLING);
}

void InstallerWindowImpl::SetStatusText(const std::wstring& text) {
  last_status_change_ = base::Time::Now();
  HWND status = ::GetDlgItem(main_dialog_, IDC_STATUS_TEXT);
  ::SetWindowTextW(status, text.c_str());
  RECT rect = {};
  ::GetWindowRect(status, &rect);
  ::MapWindowPoints(HWND_DESKTOP, main_dialog_, reinterpret_cast<POINT*>(&rect), 2);
  ::InvalidateRect(main_dialog_, &rect, TRUE);
}

void InstallerWindowImpl::EnableSystemClose(bool enable) {
  HMENU menu = ::GetSystemMenu(main_dialog_, FALSE);
  if (menu)
    ::EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED | MF_DISABLED));
}

void InstallerWindowImpl::DisplayError(const std::wstring& message,
                                       uint32_t /*fetcher_error*/,
                                       bool offer_full_package,
                                       const std::string& failure_reason) {
  EnableSystemClose(true);
  if (full_package_simplified_)
    full_package_simplified_->SetShown(offer_full_package);
  if (full_package_classic_)
    full_package_classic_->SetShown(offer_full_package);
  ChangeLayout(LAYOUT_ERROR);
  // A second error on the error page still shows or hides the offer.
  if (full_package_button_)
    full_package_button_->Update(layout_);
  LOG(INFO) << "Displaying error: \"" << base::WideToUTF8(message) << "\" and "
            << (offer_full_package ? "" : "don't ") << "offer full package";
  ::SetDlgItemTextW(main_dialog_, IDC_STATUS_TEXT, message.c_str());
  if (simplified_ && error_text_) {
    error_text_->SetText(message);
    error_text_->SetTextColor(kErrorColor, {0, -1});
  }
  PlaceElements();
  ::InvalidateRect(::GetDlgItem(main_dialog_, IDC_STATUS_TEXT), nullptr, TRUE);
  page_transitions_.failure_reason = failure_reason;
}

int InstallerWindowImpl::ShowMessageBox(const std::wstring& text, UINT style) {
  return ::MessageBoxW(main_dialog_, text.c_str(), GetL10nString(IDS_INSTALLER_CAPTION).c_str(),
                       style);
}

void InstallerWindowImpl::ShowErrorMessageBox(const std::wstring& message) {
  {
    ScopedButtonTextHook hook;
    ShowMessageBox(message, MB_OK | MB_ICONERROR);
  }
  page_transitions_.error_displayed = base::WideToUTF8(message);
  NotifyObservers(&InstallerWindowDelegate::OnCancelClicked);
}

void InstallerWindowImpl::OnAccept() {
  if (!uninstall_mode_) {
    EnableSystemClose(false);
    page_transitions_.navigation_action = "ACCEPT";
    NotifyObservers(&InstallerWindowDelegate::OnAcceptClicked);
    return;
  }
  int answer = 0;
  {
    ScopedButtonTextHook hook;
    answer = ShowMessageBox(GetL10nString(settings_->IsDeleteProfile()
                                              ? IDS_CONFIRM_UNINSTALL_DELETE_DATA
                                              : IDS_CONFIRM_UNINSTALL),
                            MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    page_transitions_.navigation_action = answer == IDYES ? "WARNING YES" : "WARNING NO";
    page_transitions_.page_type = kPageWarningAnswered;
    SendPageTransition();
  }
  if (answer != IDYES) {
    page_transitions_.navigation_action = "CANCEL";
    OnCancel();
    return;
  }
  page_transitions_.navigation_action = "UNINSTALL";
  NotifyObservers(&InstallerWindowDelegate::OnAcceptClicked);
}

void InstallerWindowImpl::OnCancel() {
  ScopedButtonTextHook hook;
  if (!uninstall_mode_ &&
      ShowMessageBox(GetL10nString(IDS_CONFIRM_QUIT), MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) !=
          IDYES) {
    return;
  }
  NotifyObservers(&InstallerWindowDelegate::OnCancelClicked);
}

void InstallerWindowImpl::OnRetry() {
  if (!uninstall_mode_)
    EnableSystemClose(false);
  NotifyObservers(&InstallerWindowDelegate::OnRetryClicked);
}

}  // namespace velta
