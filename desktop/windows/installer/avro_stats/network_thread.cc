// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/network_thread.h"

#include <windows.h>

#include <wininet.h>

#include <cmath>
#include <limits>
#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"
#include "desktop/windows/installer/avro_stats/diagnostic_data.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "desktop/windows/installer/avro_stats/stats_message_builder.h"

namespace velta {

namespace {

constexpr wchar_t kUserAgent[] = L"Velta installer";
// The fifth failure in a row dumps the queue.
constexpr uint32_t kFailuresBeforeDump = 4;

struct InternetHandleTraits {
  using Handle = HINTERNET;
  static bool CloseHandle(Handle handle) {
    return BASE_WIN_LAZY_CALL(L"wininet.dll", InternetCloseHandle)(handle) != FALSE;
  }
  static bool IsHandleValid(Handle handle) { return handle != nullptr; }
  static Handle NullHandle() { return nullptr; }
};
using ScopedInternetHandle = base::win::GenericScopedHandle<InternetHandleTraits>;

// The request's one additional header, kept only in scrambled form: read
// from the last word to the first, each character is the low 8 bits of the
// word plus a running key.
constexpr size_t kHeaderLength = 67;
constexpr uint16_t kHeaderKey = 0xA7;
constexpr uint16_t kHeaderKeyStep = 0x3B;
constexpr uint16_t kScrambledHeader[kHeaderLength] = {
    0x8D2D, 0x6E6B, 0x860A, 0xA22C, 0x0370, 0x3599, 0x54F7, 0x8D14, 0x4A2C, 0x54AB, 0xEEDB, 0x7EE1,
    0x5C3F, 0x8D93, 0xBBCF, 0x42E6, 0x644A, 0xCA79, 0x52BD, 0xF9F7, 0xDDF4, 0x4A4E, 0xAA6E, 0x78E4,
    0xC020, 0xD330, 0x6592, 0x40A9, 0x6ACC, 0x9826, 0xB572, 0xEE8E, 0x5EF3, 0xE827, 0xE83A, 0x608D,
    0x44BF, 0xD515, 0x6E57, 0xF250, 0x99A2, 0x08FA, 0x8D44, 0xF452, 0x2F67, 0x4EBC, 0x3D36, 0x145D,
    0x977E, 0x0D9B, 0x0E1B, 0x2E49, 0x878B, 0x3CC6, 0xAEF6, 0xA744, 0x857E, 0xAFB4, 0x8DCA, 0xBDE9,
    0xAC58, 0x9AA6, 0x0FD9, 0x980D, 0x4A39, 0xBE4B, 0x1DB1,
};

// Holds the readable header from its assembly until it is overwritten with
// the character '0' when it goes out of scope (right after the send).
class AssembledHeader {
 public:
  AssembledHeader() {
    uint16_t key = kHeaderKey;
    for (size_t i = 0; i < kHeaderLength; ++i) {
      text_[i] = static_cast<wchar_t>((kScrambledHeader[kHeaderLength - 1 - i] + key) & 0xFF);
      key = static_cast<uint16_t>(key + kHeaderKeyStep);
    }
    text_[kHeaderLength] = L'\0';
  }
  AssembledHeader(const AssembledHeader&) = delete;
  AssembledHeader& operator=(const AssembledHeader&) = delete;
  ~AssembledHeader() {
    // Volatile, so the compiler cannot drop the writes to a dying buffer.
    volatile wchar_t* text = text_;
    for (size_t i = 0; i < kHeaderLength; ++i)
      text[i] = L'0';
  }

  const wchar_t* text() const { return text_; }

 private:
  wchar_t text_[kHeaderLength + 1];
};

// Wine ignores time-outs on the session handle: they go on the connection
// and request handles.
void SetTimeouts(HINTERNET handle, base::TimeDelta timeout) {
  DWORD milliseconds = static_cast<DWORD>(timeout.InMilliseconds());
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                       INTERNET_OPTION_RECEIVE_TIMEOUT}) {
    if (!BASE_WIN_LAZY_CALL(L"wininet.dll", InternetSetOptionW)(handle, option, &milliseconds,
                                                                sizeof(milliseconds))) {
      const DWORD error = ::GetLastError();
      LOG(WARNING) << "Cannot set the statistics request time-out " << option << ": " << error;
    }
  }
}

}  // namespace

NetworkThread::Options::Options() = default;
NetworkThread::Options::Options(const Options&) = default;
NetworkThread::Options::~Options() = default;

// static
base::TimeDelta NetworkThread::DefaultRetryDelay(uint32_t failures) {
  const double milliseconds = 400.0 * std::pow(2.0, static_cast<double>(failures));
  // TimeDelta counts microseconds in 64 bits.
  if (milliseconds >= static_cast<double>(std::numeric_limits<int64_t>::max() / 1000))
    return base::TimeDelta::Max();
  return base::TimeDelta::FromMilliseconds(static_cast<int64_t>(milliseconds));
}

NetworkThread::NetworkThread(std::unique_ptr<StatsMessageBuilder> builder,
                             const std::string& host,
                             uint16_t port,
                             const std::string& path,
                             bool plain_http,
                             Options options)
    : base::Thread("Avro Network thread"),
      host_(base::ASCIIToWide(host)),
      port_(port),
      path_(base::ASCIIToWide(path)),
      plain_http_(plain_http),
      builder_(std::move(builder)),
      idle_(&lock_),
      retry_delay_(options.retry_delay ? options.retry_delay
                                       : base::BindRepeating(&NetworkThread::DefaultRetryDelay)),
      request_timeout_(options.request_timeout) {
  if (!Start())
    LOG(ERROR) << "Cannot start the Avro Network thread: statistics will not be sent.";
}

NetworkThread::~NetworkThread() {
  {
    base::AutoLock lock(lock_);
    if (task_runner()) {
      task_runner()->PostTask(FROM_HERE,
                              base::BindOnce(&NetworkThread::OnFinishing, base::Unretained(this)));
      while (busy_)
        idle_.Wait();
      task_runner()->PostTask(
          FROM_HERE, base::BindOnce(&NetworkThread::CloseInternetHandle, base::Unretained(this)));
    }
  }
  Stop();
}

void NetworkThread::PostMessage(std::unique_ptr<InstallerStatsEvent> event) {
  base::AutoLock lock(lock_);
  if (!task_runner())
    return;  // The thread never started: the event is dropped.
  ++messages_total_;
  ++in_flight_;
  busy_ = true;
  task_runner()->PostTask(FROM_HERE, base::BindOnce(&NetworkThread::OnMessageArrived,
                                                    base::Unretained(this), std::move(event)));
}

void NetworkThread::SetTrafficAllowed(bool allowed) {
  if (task_runner()) {
    task_runner()->PostTask(FROM_HERE, base::BindOnce(&NetworkThread::OnTrafficAllowedChanged,
                                                      base::Unretained(this), allowed));
  }
}

void NetworkThread::Init() {
  internet_ = BASE_WIN_LAZY_CALL(L"wininet.dll", InternetOpenW)(
      kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!internet_) {
    const DWORD error = ::GetLastError();
    LOG(ERROR) << "Cannot open the statistics WinINet session: " << error;
  }
}

void NetworkThread::OnMessageArrived(std::unique_ptr<InstallerStatsEvent> event) {
  {
    base::AutoLock lock(lock_);
    --in_flight_;
  }
  if (event->IsUrgent())
    queue_.push_front(std::move(event));
  else
    queue_.push_back(std::move(event));
  consecutive_failures_ = 0;
  // A scheduled retry sends it after the head.
  if (!retry_scheduled_)
    SendPendingOnNetworkThread();
}

void NetworkThread::OnTrafficAllowedChanged(bool allowed) {
  VLOG(5) << "Traffic allowed: " << allowed;
  traffic_allowed_ = allowed;
  if (allowed && !retry_scheduled_ && !queue_.empty())
    SendPendingOnNetworkThread();
}

void NetworkThread::OnFinishing() {
  finishing_ = true;
  if (!retry_scheduled_ && !queue_.empty())
    SendPendingOnNetworkThread();
}

void NetworkThread::SendPendingOnNetworkThread() {
  retry_scheduled_ = false;
  while (!queue_.empty()) {
    if (!traffic_allowed_ && !queue_.front()->IsUrgent()) {
      if (finishing_)
        queue_.clear();  // Never allowed: discarded, counted nowhere.
      break;
    }
    if (SendOneRequest(*queue_.front())) {
      ++successfully_sent_total_;
      queue_.pop_front();
      continue;
    }
    const uint32_t failures_before = consecutive_failures_++;
    if (failures_before >= kFailuresBeforeDump) {
      LOG(WARNING) << "Retry limit exceeded. Dumping messages!";
      ++dumps_total_;
      dumped_messages_total_ += static_cast<uint32_t>(queue_.size());
      queue_.clear();
      break;
    }
    retry_scheduled_ = true;
    task_runner()->PostDelayedTask(
        FROM_HERE,
        base::BindOnce(&NetworkThread::SendPendingOnNetworkThread, base::Unretained(this)),
        retry_delay_.Run(consecutive_failures_));
    break;
  }
  base::AutoLock lock(lock_);
  busy_ = !queue_.empty() || in_flight_ > 0;
  idle_.Broadcast();
}

bool NetworkThread::SendOneRequest(const InstallerStatsEvent& event) {
  if (!internet_)
    return false;
  DiagnosticData diagnostic_data;
  diagnostic_data.dumped_messages_total = dumped_messages_total_;
  diagnostic_data.dumps_total = dumps_total_;
  {
    base::AutoLock lock(lock_);
    diagnostic_data.messages_total = messages_total_;
  }
  diagnostic_data.send_attempts_total = send_attempts_total_;
  diagnostic_data.successfully_sent_total = successfully_sent_total_;
  std::string body = builder_->Build(event, diagnostic_data);
  ++send_attempts_total_;
  const std::string event_type = event.GetEventType();

  ScopedInternetHandle connection(BASE_WIN_LAZY_CALL(L"wininet.dll", InternetConnectW)(
      static_cast<HINTERNET>(internet_), host_.c_str(), port_, nullptr, nullptr,
      INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection.IsValid()) {
    const DWORD error = ::GetLastError();
    VLOG(5) << "Cannot connect to the statistics server: " << error;
    return false;
  }
  SetTimeouts(connection.Get(), request_timeout_);
  // The server's replies have nothing to keep: none goes into the user's
  // internet cache (Wine would write one entry per message).
  const DWORD flags = INTERNET_FLAG_NO_CACHE_WRITE | (plain_http_ ? 0 : INTERNET_FLAG_SECURE);
  ScopedInternetHandle request(BASE_WIN_LAZY_CALL(L"wininet.dll", HttpOpenRequestW)(
      connection.Get(), L"POST", path_.c_str(), L"HTTP/1.1", nullptr, nullptr, flags, 0));
  if (!request.IsValid()) {
    const DWORD error = ::GetLastError();
    VLOG(5) << "Cannot open the statistics request: " << error;
    return false;
  }
  SetTimeouts(request.Get(), request_timeout_);

  VLOG(5) << "Attempting to send " << event_type;
  BOOL sent = FALSE;
  DWORD send_error = ERROR_SUCCESS;
  {
    AssembledHeader header;
    sent = BASE_WIN_LAZY_CALL(L"wininet.dll", HttpSendRequestW)(
        request.Get(), header.text(), static_cast<DWORD>(kHeaderLength), body.data(),
        static_cast<DWORD>(body.size()));
    send_error = sent ? ERROR_SUCCESS : ::GetLastError();
  }
  bool succeeded = false;
  if (sent) {
    wchar_t status[32] = {};
    DWORD size = sizeof(status);
    if (BASE_WIN_LAZY_CALL(L"wininet.dll", HttpQueryInfoW)(request.Get(), HTTP_QUERY_STATUS_CODE,
                                                           status, &size, nullptr)) {
      const std::wstring code(status);
      succeeded = code == L"201" || code == L"403";
      VLOG(5) << "Statistics server answered " << base::WideToUTF8(code);
    }
  } else {
    VLOG(5) << "Cannot send the statistics request: " << send_error;
  }
  VLOG(5) << "Message " << event_type << " processed, sending "
          << (succeeded ? "succeeded" : "failed");
  return succeeded;
}

void NetworkThread::CloseInternetHandle() {
  if (internet_) {
    BASE_WIN_LAZY_CALL(L"wininet.dll", InternetCloseHandle)(static_cast<HINTERNET>(internet_));
    internet_ = nullptr;
  }
}

}  // namespace velta
