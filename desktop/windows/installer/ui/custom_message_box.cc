// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/custom_message_box.h"

#include <richedit.h>

#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/ui/controls/rich_static.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

constexpr COLORREF kTextColor = 0x000064;
constexpr COLORREF kLinkColor = 0x686868;

}  // namespace

CustomMessageBox::CustomMessageBox() = default;

CustomMessageBox::~CustomMessageBox() {
  Destroy();
}

bool CustomMessageBox::Show(HWND owner,
                            uint32_t title_id,
                            const std::wstring& text,
                            uint32_t first_button_id,
                            uint32_t second_button_id,
                            Callback callback) {
  LOG(INFO) << "Displaying custom message box";
  HWND dialog = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MESSAGE_BOX),
                                     owner, &CustomMessageBox::DialogProc,
                                     reinterpret_cast<LPARAM>(this));
  if (!dialog) {
    PLOG(ERROR) << "Failed to display custom message box";
    return false;
  }
  dialog_ = dialog;
  ::SetWindowLongPtrW(dialog_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  callback_ = std::move(callback);
  owner_ = owner;
  if (owner_)
    ::EnableWindow(owner_, FALSE);

  if (HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1))) {
    ::SendMessageW(dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    ::SendMessageW(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  ::SetWindowTextW(dialog_, GetL10nString(title_id).c_str());

  text_ = std::make_unique<RichStatic>(::GetDlgItem(dialog_, IDC_MESSAGE_BOX_TEXT),
                                       std::vector<uint32_t>());
  text_->SetTextColor(kTextColor, {0, -1});
  text_->SetMarkup(text, kLinkColor);

  HWND first = ::GetDlgItem(dialog_, IDC_MESSAGE_BOX_FIRST);
  HWND second = ::GetDlgItem(dialog_, IDC_MESSAGE_BOX_SECOND);
  if (first_button_id) {
    ::SetWindowTextW(first, GetL10nString(first_button_id).c_str());
    ::SendMessageW(dialog_, DM_SETDEFID, IDC_MESSAGE_BOX_FIRST, 0);
  } else {
    ::ShowWindow(first, SW_HIDE);
    ::SendMessageW(dialog_, DM_SETDEFID, IDC_MESSAGE_BOX_SECOND, 0);
  }
  ::SetWindowTextW(second, GetL10nString(second_button_id).c_str());
  // The focus goes to a button the user can see: the first, or the second
  // when there is no first (a hidden button would swallow the keys).
  ::SetFocus(first_button_id ? first : second);
  ::ShowWindow(dialog_, SW_SHOW);
  return true;
}

void CustomMessageBox::Destroy() {
  if (!dialog_)
    return;
  LOG(INFO) << "Destroying custom message box";
  if (owner_ && ::IsWindow(owner_))
    ::EnableWindow(owner_, TRUE);
  text_.reset();
  HWND dialog = dialog_;
  dialog_ = nullptr;
  ::SetWindowLongPtrW(dialog, GWLP_USERDATA, 0);
  Win32DialogDispatcher::GetInstance()->ClearActiveDialog(dialog);
  ::DestroyWindow(dialog);
}

void CustomMessageBox::Report(uint32_t outcome) {
  // A copy: the callback may destroy this box, and its callback with it.
  Callback callback = callback_;
  if (callback)
    callback.Run(outcome);
}

// static
INT_PTR CALLBACK CustomMessageBox::DialogProc(HWND dialog, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
  auto* box = reinterpret_cast<CustomMessageBox*>(::GetWindowLongPtrW(dialog, GWLP_USERDATA));
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(wparam) == WA_INACTIVE)
        Win32DialogDispatcher::GetInstance()->ClearActiveDialog(dialog);
      else
        Win32DialogDispatcher::GetInstance()->SetActiveDialog(dialog);
      break;
    case WM_CLOSE:
      if (box)
        box->Report(kClosed);
      break;
    case WM_COMMAND:
      if (box && LOWORD(wparam) == IDC_MESSAGE_BOX_FIRST)
        box->Report(kFirstButton);
      else if (box && LOWORD(wparam) == IDC_MESSAGE_BOX_SECOND)
        box->Report(kSecondButton);
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lparam);
      if (box && header->code == EN_LINK &&
          reinterpret_cast<const ENLINK*>(lparam)->msg == WM_LBUTTONUP) {
        box->Report(kLinkClicked);
      }
      break;
    }
    case WM_DESTROY:
      // Destroyed with its owner: the box forgets the window, so a later
      // Destroy() touches nothing that is gone.
      Win32DialogDispatcher::GetInstance()->ClearActiveDialog(dialog);
      if (box && box->dialog_ == dialog) {
        box->text_.reset();
        box->dialog_ = nullptr;
      }
      break;
  }
  return 0;
}

}  // namespace velta
