// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ui/corrupted_payload_box.h"

#include <windows.h>

#include "base/bind.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/common/product/named_urls.h"
#include "desktop/windows/installer/ui/custom_message_box.h"
#include "desktop/windows/installer/ui/web_page.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "host/resource_ids.h"

namespace velta {

namespace {

void OnCorruptedPayloadBoxClosed(bool* closed, uint32_t* result, uint32_t outcome) {
  *closed = true;
  *result = outcome;
  if (outcome == CustomMessageBox::kFirstButton || outcome == CustomMessageBox::kLinkClicked)
    OpenWebPage(base::UTF8ToWide(GetNamedUrl("homepage")));
}

}  // namespace

uint32_t RunCorruptedPayloadBox(const std::wstring& language, bool* shown) {
  std::wstring chosen = language;
  SetL10nLanguage(&chosen);

  bool closed = false;
  uint32_t result = CustomMessageBox::kClosed;
  CustomMessageBox box;
  *shown = box.Show(nullptr, IDS_CORRUPTED_TITLE, GetL10nString(IDS_CORRUPTED_TEXT),
                    IDS_CORRUPTED_GO, IDS_CORRUPTED_CANCEL,
                    base::BindRepeating(&OnCorruptedPayloadBoxClosed, &closed, &result));
  if (!*shown)
    return CustomMessageBox::kClosed;

  Win32DialogDispatcher* dispatcher = Win32DialogDispatcher::GetInstance();
  MSG message;
  while (!closed) {
    const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) {
      // WM_QUIT belongs to an outer loop: leave it in the queue.
      ::PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (got < 0) {
      PLOG(ERROR) << "Failed reading the message queue";
      break;
    }
    if (dispatcher->Dispatch(message) & Win32DialogDispatcher::POST_DISPATCH_PERFORM_DEFAULT) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  box.Destroy();
  return result;
}

}  // namespace velta
