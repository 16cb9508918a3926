// Copyright 2026 Velta Software. All rights reserved.

// The real sender against the loopback statistics server of
// stats_test_server.py, which runs this binary with the server's port in
// VELTA_STATS_TEST_PORT and answers as each test scripts it.

#include "desktop/windows/installer/avro_stats/avro_stats_sender_impl.h"

#include <windows.h>

#include <wininet.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/json/json_reader.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/strings/string_number_conversions.h"
#include "base/synchronization/lock.h"
#include "base/synchronization/waitable_event.h"
#include "base/task/task_scheduler/task_scheduler.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/values.h"
#include "desktop/windows/installer/avro_stats/autoupdate_failed_event.h"
#include "desktop/windows/installer/avro_stats/controller_launched_event.h"
#include "desktop/windows/installer/avro_stats/controller_quitting_event.h"
#include "desktop/windows/installer/avro_stats/error_event.h"
#include "desktop/windows/installer/avro_stats/stats_event_samples.h"
#include "desktop/windows/installer/avro_stats/stats_message_builder.h"
#include "desktop/windows/installer/avro_stats/stats_message_reader.h"
#include "desktop/windows/installer/avro_stats/uninstall_survey_completed_event.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "velta_components/avro/avro_value.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

constexpr char kExpectedKeyHeader[] = "FsdG0rkPYAipFeT5MqJut9T5stkwNrqX5ju1TrOaXq";

// A message as the server recorded it.
struct Received {
  std::unique_ptr<AvroValue> message;
  std::string key_header;

  int64_t Number(const std::string& path) const { return StatsNumber(*message, path); }
  int64_t EventType() const { return Number("installer_event.event_type"); }
  int64_t Counter(const std::string& name) const {
    return Number("installer_event.diagnostic_data." + name);
  }
};

// Talks to the control side of the loopback server over plain WinINet.
class StatsServerControl {
 public:
  explicit StatsServerControl(uint16_t port) : port_(port) {}

  // Forgets what was recorded; the next answers are `answers` ("500",
  // "none", ...), then `default_status`.
  bool Reset(const std::vector<std::string>& answers, int default_status = 201) {
    std::string json = "{\"answers\": [";
    for (size_t i = 0; i < answers.size(); ++i) {
      json += (i ? ", " : "") + (answers[i] == "none" ? "\"none\"" : answers[i]);
    }
    json += "], \"default\": " + base::NumberToString(default_status) + "}";
    std::string reply;
    return Request(L"POST", L"/control/reset", json, &reply);
  }

  // Waits (on the server, up to 20 s) until `count` bodies are recorded and
  // returns every body recorded, decoded.
  std::vector<Received> Bodies(size_t count = 0) {
    std::vector<Received> received;
    std::string reply;
    const std::wstring path = L"/control/bodies?wait=" + base::NumberToWString(count);
    if (!Request(L"GET", path.c_str(), std::string(), &reply)) {
      ADD_FAILURE() << "The statistics test server does not answer";
      return received;
    }
    std::optional<base::Value> value = base::JSONReader::Read(reply);
    const base::Value* bodies = value ? value->FindListKey("bodies") : nullptr;
    if (!bodies) {
      ADD_FAILURE() << "Unreadable reply: " << reply;
      return received;
    }
    for (const base::Value& body : bodies->GetList()) {
      std::vector<uint8_t> bytes;
      EXPECT_TRUE(base::HexStringToBytes(*body.FindStringKey("hex"), &bytes));
      Received entry;
      entry.message = ReadStatsMessage(std::string(bytes.begin(), bytes.end()));
      EXPECT_NE(nullptr, entry.message) << "A posted body does not decode";
      entry.key_header = *body.FindStringKey("header");
      if (entry.message)
        received.push_back(std::move(entry));
    }
    return received;
  }

 private:
  bool Request(const wchar_t* verb,
               const wchar_t* path,
               const std::string& body,
               std::string* reply) {
    HINTERNET internet =
        ::InternetOpenW(L"stats test", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    HINTERNET connection = internet ? ::InternetConnectW(internet, L"127.0.0.1", port_, nullptr,
                                                         nullptr, INTERNET_SERVICE_HTTP, 0, 0)
                                    : nullptr;
    HINTERNET request =
        connection ? ::HttpOpenRequestW(connection, verb, path, nullptr, nullptr, nullptr,
                                        INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0)
                   : nullptr;
    DWORD timeout = 30000;
    if (request)
      ::InternetSetOptionW(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout));
    bool ok = request && ::HttpSendRequestW(request, nullptr, 0, const_cast<char*>(body.data()),
                                            static_cast<DWORD>(body.size()));
    char buffer[4096];
    DWORD read = 0;
    while (ok && ::InternetReadFile(request, buffer, sizeof(buffer), &read) && read > 0)
      reply->append(buffer, read);
    for (HINTERNET handle : {request, connection, internet}) {
      if (handle)
        ::InternetCloseHandle(handle);
    }
    return ok;
  }

  const uint16_t port_;
};

uint16_t ServerPort() {
  char text[16] = {};
  const DWORD length = ::GetEnvironmentVariableA("VELTA_STATS_TEST_PORT", text, sizeof(text));
  unsigned port = 0;
  if (length == 0 || length >= sizeof(text) || !base::StringToUint(text, &port))
    return 0;
  return static_cast<uint16_t>(port);
}

std::unique_ptr<StatsMessageBuilder> MakeBuilder() {
  return std::make_unique<StatsMessageBuilder>("session", "", "24.1.0.100", "stable", Campaign());
}

std::unique_ptr<InstallerStatsEvent> Launched() {
  return std::make_unique<ControllerLaunchedEvent>("none", "", true, false, true, "installer.exe",
                                                   "x64", 1);
}

std::unique_ptr<InstallerStatsEvent> Error(const char* text) {
  return std::make_unique<ErrorEvent>(text, 1);
}

// The scheduler the shutdown deletes the network side on.
void StartTaskScheduler() {
  base::TaskScheduler::Create("stats test");
  const base::SchedulerWorkerPoolParams two(2, base::TimeDelta::FromSeconds(30));
  base::TaskScheduler::GetInstance()->Start(base::TaskScheduler::InitParams(two, two, two, two));
}

class AvroStatsSenderImplTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = ServerPort();
    ASSERT_NE(0, port_) << "Run through stats_test_server.py (VELTA_STATS_TEST_PORT)";
    control_ = std::make_unique<StatsServerControl>(port_);
    ASSERT_TRUE(control_->Reset({}));
    base::TaskScheduler::Create("stats test");
    StartTaskScheduler();
  }

  void TearDown() override {
    sender_.reset();
    base::TaskScheduler::GetInstance()->JoinForTesting();
    base::TaskScheduler::SetInstance(nullptr);
  }

  // A sender posting to the loopback server. Retries come at once; the
  // delays the sender asked for are kept in `asked_delays_ms_`.
  void MakeSender(int32_t max_verbosity_level = 1,
                  base::TimeDelta timeout = base::TimeDelta::FromSeconds(10)) {
    NetworkThread::Options options;
    options.retry_delay = base::BindRepeating(
        [](AvroStatsSenderImplTest* test, uint32_t failures) {
          {
            base::AutoLock lock(test->delays_lock_);
            test->asked_delays_ms_.push_back(
                NetworkThread::DefaultRetryDelay(failures).InMilliseconds());
          }
          if (test->on_retry_scheduled_)
            test->on_retry_scheduled_(failures);
          return base::TimeDelta();
        },
        base::Unretained(this));
    options.request_timeout = timeout;
    sender_ = std::make_unique<AvroStatsSenderImpl>(MakeBuilder(), "127.0.0.1", port_, "/v1/binary",
                                                    true, max_verbosity_level, options);
  }

  // SendPendingAndShutdown, running this thread's loop until `done` runs.
  void ShutDown() {
    base::RunLoop run_loop;
    sender_->SendPendingAndShutdown(run_loop.QuitClosure());
    ASSERT_TRUE(base::test::RunWithTimeout(&run_loop)) << "The shutdown did not end";
  }

  std::vector<int64_t> AskedDelays() {
    base::AutoLock lock(delays_lock_);
    return asked_delays_ms_;
  }

  base::MessageLoop message_loop_;
  uint16_t port_ = 0;
  std::unique_ptr<StatsServerControl> control_;
  std::unique_ptr<AvroStatsSenderImpl> sender_;
  base::Lock delays_lock_;
  std::vector<int64_t> asked_delays_ms_;
  // Run on the network thread as each retry is scheduled.
  std::function<void(uint32_t failures)> on_retry_scheduled_;
};

TEST_F(AvroStatsSenderImplTest, QueuedEventsGoOutInOrderOnceTrafficIsAllowed) {
  MakeSender();
  sender_->SendAvroMessage(Launched());
  sender_->SendAvroMessage(Error("first"));
  sender_->SendAvroMessage(Error("second"));
  sender_->SetTrafficAllowed(true);
  ShutDown();
  std::vector<Received> received = control_->Bodies();
  ASSERT_EQ(3u, received.size());
  EXPECT_EQ(1, received[0].EventType());
  EXPECT_EQ("first", StatsText(*received[1].message, "installer_event.description"));
  EXPECT_EQ("second", StatsText(*received[2].message, "installer_event.description"));
  for (size_t i = 0; i < received.size(); ++i) {
    EXPECT_EQ(kExpectedKeyHeader, received[i].key_header);
    EXPECT_EQ(3, received[i].Counter("messages_total"));
    EXPECT_EQ(static_cast<int64_t>(i), received[i].Counter("successfully_sent_total"));
    EXPECT_EQ(static_cast<int64_t>(i), received[i].Counter("send_attempts_total"));
  }
}

TEST_F(AvroStatsSenderImplTest, WithoutConsentOnlyTheUrgentSurveyGoes) {
  MakeSender();
  sender_->SendAvroMessage(Launched());
  auto survey = std::make_unique<UninstallSurveyCompletedEvent>(1, std::nullopt, std::nullopt, 1);
  survey->set_urgent(true);
  sender_->SendAvroMessage(std::move(survey));
  sender_->SendAvroMessage(std::make_unique<ControllerQuittingEvent>(true, 1));
  ShutDown();
  std::vector<Received> received = control_->Bodies();
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(24, received[0].EventType());
  EXPECT_EQ(nullptr, received[0].message->FindPath("installer_event.tags"));
}

TEST_F(AvroStatsSenderImplTest, AutoupdateRunSendsOnlyAutoupdateFailed) {
  MakeSender(/*max_verbosity_level=*/0);
  sender_->SetTrafficAllowed(true);
  sender_->SendAvroMessage(Launched());
  sender_->SendAvroMessage(std::make_unique<AutoupdateFailedEvent>(
      "Fetcher error, Error type: 19", std::vector<FetchDetails>(), StatsSettings(), "24.1.0.100",
      "stable", 0));
  sender_->SendAvroMessage(std::make_unique<ControllerQuittingEvent>(false, 1));
  ShutDown();
  std::vector<Received> received = control_->Bodies();
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(0, received[0].EventType());
  // Dropped events are not counted as handed to the network side.
  EXPECT_EQ(1, received[0].Counter("messages_total"));
}

TEST_F(AvroStatsSenderImplTest, FifthFailureDumpsTheQueueAndTheNextMessageSaysSo) {
  ASSERT_TRUE(control_->Reset({"500", "500", "500", "500", "500"}));
  MakeSender();
  sender_->SendAvroMessage(Error("head"));
  sender_->SendAvroMessage(Error("waiting 1"));
  sender_->SendAvroMessage(Error("waiting 2"));
  sender_->SetTrafficAllowed(true);
  std::vector<Received> attempts = control_->Bodies(5);
  ASSERT_EQ(5u, attempts.size());
  // The head, built again for each attempt: same UUID, the attempt's counters.
  for (size_t i = 0; i < attempts.size(); ++i) {
    EXPECT_EQ("head", StatsText(*attempts[i].message, "installer_event.description"));
    EXPECT_EQ(StatsText(*attempts[0].message, "StatsMessageUUID"),
              StatsText(*attempts[i].message, "StatsMessageUUID"));
    EXPECT_EQ(static_cast<int64_t>(i), attempts[i].Counter("send_attempts_total"));
  }
  // Posted after the fifth failure reached the server: the dump comes first.
  sender_->SendAvroMessage(Error("after the dump"));
  ShutDown();
  EXPECT_THAT(AskedDelays(), ElementsAre(800, 1600, 3200, 6400));
  std::vector<Received> received = control_->Bodies();
  ASSERT_EQ(6u, received.size());
  const Received& next = received[5];
  EXPECT_EQ("after the dump", StatsText(*next.message, "installer_event.description"));
  EXPECT_EQ(1, next.Counter("dumps_total"));
  EXPECT_EQ(3, next.Counter("dumped_messages_total"));
  EXPECT_EQ(5, next.Counter("send_attempts_total"));
  EXPECT_EQ(4, next.Counter("messages_total"));
  EXPECT_EQ(0, next.Counter("successfully_sent_total"));
}

TEST_F(AvroStatsSenderImplTest, NewMessageDuringARetryRestartsTheFailureCount) {
  ASSERT_TRUE(control_->Reset({"500", "500", "500", "500", "500"}));
  MakeSender();
  // Arrives while the fourth retry is scheduled: it waits behind the head
  // and the count of failures in a row starts again, so the fifth failure
  // of the head is not the fifth in a row.
  base::WaitableEvent posted;
  on_retry_scheduled_ = [this, &posted](uint32_t failures) {
    if (failures == 4) {
      sender_->SendAvroMessage(Error("arrived during the retry"));
      posted.Signal();
    }
  };
  sender_->SendAvroMessage(Error("head"));
  sender_->SetTrafficAllowed(true);
  ASSERT_TRUE(posted.TimedWait(base::test::kActionTimeout));
  ShutDown();
  EXPECT_THAT(AskedDelays(), ElementsAre(800, 1600, 3200, 6400, 800));
  std::vector<Received> received = control_->Bodies();
  ASSERT_EQ(7u, received.size());
  EXPECT_EQ("head", StatsText(*received[5].message, "installer_event.description"));
  const Received& last = received[6];
  EXPECT_EQ("arrived during the retry", StatsText(*last.message, "installer_event.description"));
  EXPECT_EQ(0, last.Counter("dumps_total"));
  EXPECT_EQ(1, last.Counter("successfully_sent_total"));
  EXPECT_EQ(6, last.Counter("send_attempts_total"));
}

TEST_F(AvroStatsSenderImplTest, ForbiddenCountsAsSentAndEveryAttemptCounts) {
  ASSERT_TRUE(control_->Reset({"403", "500", "404"}));
  MakeSender();
  sender_->SetTrafficAllowed(true);
  sender_->SendAvroMessage(Error("refused"));
  sender_->SendAvroMessage(Error("retried"));
  ShutDown();
  std::vector<Received> received = control_->Bodies();
  ASSERT_EQ(4u, received.size());
  EXPECT_EQ("refused", StatsText(*received[0].message, "installer_event.description"));
  const Received& last = received[3];
  EXPECT_EQ("retried", StatsText(*last.message, "installer_event.description"));
  EXPECT_EQ(1, last.Counter("successfully_sent_total"));
  EXPECT_EQ(3, last.Counter("send_attempts_total"));
  EXPECT_THAT(AskedDelays(), ElementsAre(800, 1600));
}

TEST_F(AvroStatsSenderImplTest, ServerThatNeverAnswersCannotHoldTheShutdown) {
  ASSERT_TRUE(control_->Reset({"none", "none", "none", "none", "none"}));
  // One second instead of ten, so that five silent attempts fit well within
  // the test's time-out; without time-outs the shutdown would never end.
  MakeSender(1, base::TimeDelta::FromSeconds(1));
  sender_->SetTrafficAllowed(true);
  sender_->SendAvroMessage(Error("unanswered"));
  ShutDown();
  EXPECT_EQ(5u, control_->Bodies().size());
}

TEST_F(AvroStatsSenderImplTest, EventsAfterTheShutdownAreDropped) {
  MakeSender();
  sender_->SetTrafficAllowed(true);
  ShutDown();
  sender_->SetTrafficAllowed(true);
  sender_->SendAvroMessage(Error("late"));
  ShutDown();
  EXPECT_TRUE(control_->Bodies().empty());
}

TEST_F(AvroStatsSenderImplTest, EveryEventKindDecodesAsSent) {
  MakeSender();
  sender_->SetTrafficAllowed(true);
  for (auto& event : MakeOneOfEachStatsEvent())
    sender_->SendAvroMessage(std::move(event));
  // Level 0 and level 1 events alike: the maximum is 1.
  ShutDown();
  std::vector<Received> received = control_->Bodies();
  ASSERT_EQ(23u, received.size());
  std::vector<int64_t> types;
  for (const Received& entry : received)
    types.push_back(entry.EventType());
  EXPECT_THAT(types, ElementsAre(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 17, 18, 19,
                                 20, 21, 22, 24));
}

// Only in the ctest run that serves port 9000 (see CMakeLists.txt).
TEST(AvroStatsSenderFixedTestPortTest, TestServerSwitchPostsTo127001Port9000) {
  ASSERT_EQ(9000, ServerPort());
  base::MessageLoop message_loop;
  base::TaskScheduler::Create("stats test");
  StartTaskScheduler();
  StatsServerControl control(9000);
  ASSERT_TRUE(control.Reset({}));
  InitAvroStatsSender(MakeBuilder(), StatsServer::kLocalTest, 1);
  GetAvroStatsSender()->SetTrafficAllowed(true);
  GetAvroStatsSender()->SendAvroMessage(Launched());
  base::RunLoop run_loop;
  GetAvroStatsSender()->SendPendingAndShutdown(run_loop.QuitClosure());
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop));
  InitNullStatsSender();
  base::TaskScheduler::GetInstance()->JoinForTesting();
  base::TaskScheduler::SetInstance(nullptr);
  std::vector<Received> received = control.Bodies();
  ASSERT_EQ(1u, received.size());
  EXPECT_EQ(1, received[0].EventType());
}

}  // namespace
}  // namespace velta
