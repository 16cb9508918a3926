// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/avro_stats/null_stats_sender.h"

#include <memory>

#include "base/bind.h"
#include "base/guid.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/test/run_loop_with_timeout.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_stats_event.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

class TestEvent : public InstallerStatsEvent {
 public:
  explicit TestEvent(bool* destroyed) : InstallerStatsEvent("error", 1), destroyed_(destroyed) {}
  ~TestEvent() override { *destroyed_ = true; }
  void FillEventFields(AvroValue*) const override {}

 private:
  bool* const destroyed_;
};

TEST(NullStatsSenderTest, StandsInBeforeStatisticsAreSetUp) {
  // Whatever another test left, the stand-in is a sender that drops events.
  InitNullStatsSender();
  AvroStatsSender* sender = GetAvroStatsSender();
  ASSERT_NE(nullptr, sender);
  bool destroyed = false;
  sender->SetTrafficAllowed(true);
  sender->SendAvroMessage(std::make_unique<TestEvent>(&destroyed));
  EXPECT_TRUE(destroyed);
}

TEST(NullStatsSenderTest, ShutdownRunsDoneOnTheCallingThreadLater) {
  base::MessageLoop message_loop;
  NullStatsSender sender;
  base::RunLoop run_loop;
  bool ran = false;
  sender.SendPendingAndShutdown(base::BindOnce(
      [](bool* ran, base::OnceClosure quit) {
        *ran = true;
        std::move(quit).Run();
      },
      &ran, run_loop.QuitClosure()));
  // Posted, not run inside the call.
  EXPECT_FALSE(ran);
  ASSERT_TRUE(base::test::RunWithTimeout(&run_loop));
  EXPECT_TRUE(ran);
}

TEST(InstallerStatsEventTest, CarriesConsecutiveNumbersAndItsOwnUuid) {
  bool destroyed = false;
  TestEvent first(&destroyed);
  TestEvent second(&destroyed);
  EXPECT_EQ(first.message_number() + 1, second.message_number());
  EXPECT_TRUE(base::IsValidGUIDOutputString(first.message_uuid()));
  EXPECT_NE(first.message_uuid(), second.message_uuid());
  EXPECT_EQ("error", first.GetEventType());
  EXPECT_EQ(1, first.GetVerbosityLevel());
  EXPECT_FALSE(first.IsUrgent());
  first.set_urgent(true);
  EXPECT_TRUE(first.IsUrgent());
}

}  // namespace
}  // namespace velta
