// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ipc/mailslot_writer.h"

#include <windows.h>

#include "base/logging.h"
#include "base/pickle.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/ipc/ipc_message.h"

namespace velta {

// static
base::win::ScopedHandle MailslotWriter::OpenMailslot(const std::wstring& path) {
  VLOG(1) << "Opening mailslot " << base::WideToUTF8(path);
  HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "Failed opening " << base::WideToUTF8(path) << ": "
               << logging::SystemErrorCodeToString(error);
    return base::win::ScopedHandle();
  }
  return base::win::ScopedHandle(handle);
}

MailslotWriter::MailslotWriter(base::win::ScopedHandle mailslot)
    : mailslot_(std::move(mailslot)) {}

MailslotWriter::~MailslotWriter() {
  VLOG(1) << "Closing mailslot.";
  mailslot_.Close();
  VLOG(1) << "Messages unsent: " << unsent_count_;
}

void MailslotWriter::Send(std::unique_ptr<base::Pickle> message) {
  if (message->size() > kMaxInstallerMessageSize) {
    const size_t original_size = message->size();
    auto shortened = std::make_unique<base::Pickle>();
    if (!ShortenInstallerMessage(*message, kMaxInstallerMessageSize, shortened.get())) {
      LOG(ERROR) << "Dropped an installer message of " << original_size
                 << " bytes: it does not fit the mailslot";
      return;
    }
    LOG(WARNING) << "Shortened an installer message of " << original_size << " bytes to "
                 << shortened->size() << " bytes";
    message = std::move(shortened);
  }
  if (!mailslot_.IsValid()) {
    ++unsent_count_;
    return;
  }
  DWORD written = 0;
  if (!::WriteFile(mailslot_.Get(), message->data(), static_cast<DWORD>(message->size()), &written,
                   nullptr)) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "Cannot write to mailslot: " << logging::SystemErrorCodeToString(error)
               << "; the messages from now on are dropped";
    mailslot_.Close();
    ++unsent_count_;
  }
}

}  // namespace velta
