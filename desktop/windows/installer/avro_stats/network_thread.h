// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_NETWORK_THREAD_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_NETWORK_THREAD_H_

#include <stdint.h>

#include <list>
#include <memory>
#include <string>

#include "base/callback.h"
#include "base/synchronization/condition_variable.h"
#include "base/synchronization/lock.h"
#include "base/threading/thread.h"
#include "base/time/time.h"

namespace velta {

class InstallerStatsEvent;
class StatsMessageBuilder;

// The statistics sender's network side: the "Avro Network thread", its
// queue of events and the synchronous WinINet posts of their messages.
//
// Events wait in the queue until traffic is allowed (urgent ones go to the
// head and are sent regardless). A failed post is retried after 800, 1600,
// 3200 and 6400 ms; the fifth failure in a row discards the whole queue.
// Destruction blocks until the queue has been sent, dumped, or (traffic
// still not allowed) discarded, so it must not run on a thread whose loop
// the sends need; the sender destroys it on a task-scheduler worker.
//
// Threading: made and destroyed on one thread; PostMessage and
// SetTrafficAllowed from any thread; everything else on the network thread.
class NetworkThread : public base::Thread {
 public:
  // The delay before the retry that follows `failures` failed attempts.
  using RetryDelayFunction = base::RepeatingCallback<base::TimeDelta(uint32_t failures)>;

  struct Options {
    Options();
    Options(const Options&);
    ~Options();

    // Null: 400 ms times 2 to the power of the failure count.
    RetryDelayFunction retry_delay;
    // Connect, send and receive time-out of every request, so that a server
    // that accepts and never answers cannot hold the drain at shutdown.
    base::TimeDelta request_timeout = base::TimeDelta::FromSeconds(10);
  };

  // 400 ms times 2 to the power of `failures`, in whole milliseconds,
  // saturating at TimeDelta::Max().
  static base::TimeDelta DefaultRetryDelay(uint32_t failures);

  // Starts the thread at once. `host` and `path` are ASCII; `plain_http`
  // drops INTERNET_FLAG_SECURE (the local test server only).
  NetworkThread(std::unique_ptr<StatsMessageBuilder> builder,
                const std::string& host,
                uint16_t port,
                const std::string& path,
                bool plain_http,
                Options options);
  NetworkThread(const NetworkThread&) = delete;
  NetworkThread& operator=(const NetworkThread&) = delete;
  // Drains the queue (see the class comment), then stops the thread.
  ~NetworkThread() override;

  // Hands `event` to the network thread.
  void PostMessage(std::unique_ptr<InstallerStatsEvent> event);
  void SetTrafficAllowed(bool allowed);

 protected:
  // base::Thread: opens the WinINet session on the thread.
  void Init() override;

 private:
  void OnMessageArrived(std::unique_ptr<InstallerStatsEvent> event);
  void OnTrafficAllowedChanged(bool allowed);
  void OnFinishing();
  void SendPendingOnNetworkThread();
  // One POST of the head message; true when the server took it (201, 403).
  bool SendOneRequest(const InstallerStatsEvent& event);
  void CloseInternetHandle();

  uint32_t consecutive_failures_ = 0;
  bool retry_scheduled_ = false;
  const std::wstring host_;
  const uint16_t port_;
  const std::wstring path_;
  const bool plain_http_;
  std::list<std::unique_ptr<InstallerStatsEvent>> queue_;
  const std::unique_ptr<StatsMessageBuilder> builder_;

  // Guards busy_, in_flight_ and messages_total_; the destructor waits on
  // `idle_` for busy_ to fall.
  base::Lock lock_;
  base::ConditionVariable idle_;
  bool busy_ = false;
  uint32_t in_flight_ = 0;
  uint32_t messages_total_ = 0;

  const RetryDelayFunction retry_delay_;
  const base::TimeDelta request_timeout_;
  bool traffic_allowed_ = false;
  bool finishing_ = false;
  uint32_t dumps_total_ = 0;
  uint32_t dumped_messages_total_ = 0;
  uint32_t successfully_sent_total_ = 0;
  uint32_t send_attempts_total_ = 0;
  // The WinINet session (an HINTERNET), null until Init has run.
  void* internet_ = nullptr;
};

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_NETWORK_THREAD_H_
