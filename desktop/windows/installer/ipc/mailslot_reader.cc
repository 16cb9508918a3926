// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ipc/mailslot_reader.h"

#include <windows.h>

#include "base/bind.h"
#include "base/logging.h"
#include "base/pickle.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"

namespace velta {

// static
base::win::ScopedHandle MailslotReader::CreateMailslot(const std::wstring& path) {
  VLOG(1) << "Creating mailslot " << base::WideToUTF8(path);
  HANDLE handle = ::CreateMailslotW(path.c_str(), kMaxInstallerMessageSize,
                                    static_cast<DWORD>(kReadTimeout.InMilliseconds()), nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "Failed creating " << base::WideToUTF8(path) << ": "
               << logging::SystemErrorCodeToString(error);
    return base::win::ScopedHandle();
  }
  return base::win::ScopedHandle(handle);
}

MailslotReader::MailslotReader(base::win::ScopedHandle mailslot, IpcReceiver* receiver,
                               const std::atomic<bool>* stop)
    : mailslot_(std::move(mailslot)),
      receiver_(receiver),
      stop_(stop),
      buffer_(kMaxInstallerMessageSize) {}

MailslotReader::~MailslotReader() {
  VLOG(1) << "Closing mailslot";
  mailslot_.Close();
}

void MailslotReader::ReadNext() {
  if (!mailslot_.IsValid() || stop_->load())
    return;
  if (ReadOne() == ReadResult::kFailed)
    return;
  base::ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE, base::BindOnce(&MailslotReader::ReadNext, weak_factory_.GetWeakPtr()));
}

void MailslotReader::ReadAvailable() {
  constexpr int kMaxMessages = 1000;
  for (int i = 0; i < kMaxMessages && mailslot_.IsValid(); ++i) {
    DWORD next_size = MAILSLOT_NO_MESSAGE;
    if (!::GetMailslotInfo(mailslot_.Get(), nullptr, &next_size, nullptr, nullptr) ||
        next_size == MAILSLOT_NO_MESSAGE || ReadOne() == ReadResult::kFailed) {
      return;
    }
  }
}

MailslotReader::ReadResult MailslotReader::ReadOne() {
  DWORD read = 0;
  if (::ReadFile(mailslot_.Get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &read,
                 nullptr)) {
    // A message larger than the buffer cannot arrive: Windows refuses to
    // write it, and Wine hands out its first kMaxInstallerMessageSize bytes.
    if (read == 0)
      return ReadResult::kNothing;
    receiver_->OnMessageReceived(base::Pickle(buffer_.data(), read));
    return ReadResult::kMessage;
  }
  const DWORD error = ::GetLastError();
  // ERROR_SEM_TIMEOUT: nothing arrived within the read time-out.
  // ERROR_BROKEN_PIPE: how Wine reads a zero-byte message. Neither ends the
  // reading.
  if (error == ERROR_SEM_TIMEOUT || error == ERROR_BROKEN_PIPE)
    return ReadResult::kNothing;
  LOG(ERROR) << "Cannot read from mailslot: " << logging::SystemErrorCodeToString(error);
  return ReadResult::kFailed;
}

}  // namespace velta
