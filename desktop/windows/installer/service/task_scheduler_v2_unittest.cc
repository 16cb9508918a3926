// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/task_scheduler_v2.h"

#include <windows.h>

#include <regex>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/strings/utf_string_conversions.h"
#include "base/test/scoped_log_collector.h"
#include "base/win/scoped_com_initializer.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/service/fake_task_service.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

// The log with every start or end time (local "YYYY-MM-DDTHH:MM:SS") written
// as "<time>".
std::vector<std::string> WithoutTimes(const std::vector<std::string>& calls) {
  static const std::regex time("\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}:\\d{2}");
  std::vector<std::string> out;
  for (const std::string& call : calls)
    out.push_back(std::regex_replace(call, time, "<time>"));
  return out;
}

class TaskSchedulerV2Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(GetUserNameSamCompatible(&user_wide_));
    user_ = base::WideToUTF8(user_wide_);
    security_.set_is_user_in_admin_group(true);
    security_.set_is_elevated(true);
  }

  // A scheduler over a fresh fake service, connected, with the log cleared.
  TaskSchedulerV2* Connect() {
    scheduler_ = std::make_unique<TaskSchedulerV2>();
    EXPECT_TRUE(scheduler_->InitWithService(test::MakeFakeTaskService(&world_)));
    world_.log.calls.clear();
    return scheduler_.get();
  }

  ScheduledTaskInfo AutoupdateInfo() {
    base::CommandLine command_line(base::FilePath(L"C:\\Velta\\launcher.exe"));
    command_line.AppendSwitch("scheduledautoupdate");
    command_line.AppendArgNative(L"$(Arg0)");
    ScheduledTaskInfo info(command_line);
    info.name = L"Autoupdate 77";
    info.description = L"Keeps Velta up to date.";
    info.max_run_seconds = 3600;
    info.schedule = ScheduleKind::kDaily;
    info.at_logon = true;
    info.network_required = true;
    return info;
  }

  base::win::ScopedCOMInitializer com_;
  FakeSecurityUtils security_;
  base::ProcessWide<SecurityUtils>::ScopedOverride security_override_{&security_};
  test::FakeTaskWorld world_;
  std::unique_ptr<TaskSchedulerV2> scheduler_;
  std::wstring user_wide_;
  std::string user_;
};

TEST_F(TaskSchedulerV2Test, InitConnectsAsCurrentUserAndOpensTheRoot) {
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.InitWithService(test::MakeFakeTaskService(&world_)));
  EXPECT_THAT(world_.log.calls, ElementsAre("Service.Connect <empty> <empty> <empty> <empty>",
                                            "Service.GetFolder \\"));
  for (const char* failing : {"Service.Connect", "Service.GetFolder"}) {
    test::FakeTaskWorld world;
    world.log.fail_on = failing;
    EXPECT_FALSE(TaskSchedulerV2().InitWithService(test::MakeFakeTaskService(&world)))
        << failing;
  }
}

// The autoupdate task of a current-user installation, by an administrator.
TEST_F(TaskSchedulerV2Test, RegistersTheDailyUserTaskWithLogonTrigger) {
  ASSERT_TRUE(Connect()->CreateTask(AutoupdateInfo()));
  EXPECT_THAT(
      WithoutTimes(world_.log.calls),
      ElementsAreArray(std::vector<std::string>{
          "Folder.DeleteTask Velta scheduled Autoupdate 77 0",
          "Service.NewTask 0",
          "Definition.get_RegistrationInfo",
          "Registration.put_Author " + user_,
          "Registration.put_Description Keeps Velta up to date.",
          "Definition.get_Settings",
          "Settings.put_ExecutionTimeLimit PT3600S",
          "Settings.put_MultipleInstances 2",
          "Settings.put_RunOnlyIfNetworkAvailable -1",
          "Settings.put_StopIfGoingOnBatteries 0",
          "Settings.put_DisallowStartIfOnBatteries 0",
          "Settings.put_StartWhenAvailable -1",
          "Definition.get_Triggers",
          "Triggers.Create Daily",
          "DailyTrigger.put_Id Daily run",
          "DailyTrigger.put_StartBoundary <time>",
          "DailyTrigger.put_DaysInterval 1",
          "Triggers.Create Logon",
          "LogonTrigger.put_Id Logon run",
          "LogonTrigger.put_StartBoundary <time>",
          "LogonTrigger.put_UserId " + user_,
          "LogonTrigger.put_Delay PT5M",
          "Definition.get_Actions",
          "Actions.Create 0",
          "ExecAction.put_Path C:\\Velta\\launcher.exe",
          "ExecAction.put_Arguments --scheduledautoupdate $(Arg0)",
          "Definition.get_Principal",
          "Principal.put_RunLevel 1",
          "Folder.RegisterTaskDefinition Velta scheduled Autoupdate 77 flags=6 user=" + user_ +
              " password=<empty> logon=3 sddl=",
      }));
}

// An all-users installation's task: SYSTEM, started at boot, readable and
// runnable by authenticated users; a user who is no administrator keeps the
// principal's defaults.
TEST_F(TaskSchedulerV2Test, SystemTaskStartsAtBootAndGetsItsDescriptor) {
  security_.set_is_user_in_admin_group(false);
  ScheduledTaskInfo info = AutoupdateInfo();
  info.run_as_system = 1;
  ASSERT_TRUE(Connect()->CreateTask(info));
  const std::vector<std::string> calls = WithoutTimes(world_.log.calls);
  EXPECT_THAT(calls, ::testing::Contains("Triggers.Create Boot"));
  EXPECT_THAT(calls, ::testing::Contains("BootTrigger.put_Delay PT5M"));
  EXPECT_THAT(calls, ::testing::Not(::testing::Contains("Triggers.Create Logon")));
  EXPECT_THAT(calls, ::testing::Not(::testing::Contains("Definition.get_Principal")));
  ASSERT_GE(calls.size(), 2u);
  EXPECT_EQ(
      "Folder.RegisterTaskDefinition Velta scheduled Autoupdate 77 flags=6 user=SYSTEM "
      "password=<empty> logon=5 sddl=",
      calls[calls.size() - 2]);
  EXPECT_EQ("Task.SetSecurityDescriptor D:(A;;GRGX;;;AU) 0", calls.back());
}

TEST_F(TaskSchedulerV2Test, OnceTaskEndsThirtySecondsOnAndIsRemovedAfterRegistration) {
  ScheduledTaskInfo info = AutoupdateInfo();
  info.schedule = ScheduleKind::kOnce;
  info.max_run_seconds = 0;
  const base::Time before = base::Time::Now();
  ASSERT_TRUE(Connect()->CreateTask(info));
  const base::Time after = base::Time::Now();
  const std::vector<std::string> calls = WithoutTimes(world_.log.calls);
  EXPECT_THAT(calls, ::testing::Contains("Settings.put_ExecutionTimeLimit PT0S"));
  EXPECT_THAT(calls, ::testing::Contains("Settings.put_DeleteExpiredTaskAfter PT0S"));
  EXPECT_THAT(calls, ::testing::Contains("Triggers.Create Registration"));
  EXPECT_THAT(calls, ::testing::Contains("RegistrationTrigger.put_Id Run once"));
  EXPECT_THAT(calls, ::testing::Not(::testing::Contains("Triggers.Create Logon")));
  EXPECT_EQ("Folder.DeleteTask Velta scheduled Autoupdate 77 0", calls.back());

  std::string end;
  for (const std::string& call : world_.log.calls) {
    if (call.rfind("RegistrationTrigger.put_EndBoundary ", 0) == 0)
      end = call.substr(call.find(' ') + 1);
  }
  // Whole seconds: the boundary lies within the 30 s window after the call.
  const std::string earliest = base::WideToUTF8(
      FormatTaskBoundary(before + base::TimeDelta::FromSeconds(30) -
                         base::TimeDelta::FromSeconds(1)));
  const std::string latest = base::WideToUTF8(
      FormatTaskBoundary(after + base::TimeDelta::FromSeconds(31)));
  EXPECT_LE(earliest, end);
  EXPECT_GE(latest, end);
}

TEST_F(TaskSchedulerV2Test, NoTimeTriggerTaskHasOnlyTheLogonTrigger) {
  ScheduledTaskInfo info = AutoupdateInfo();
  info.schedule = ScheduleKind::kNoTimeTrigger;
  ASSERT_TRUE(Connect()->CreateTask(info));
  const std::vector<std::string> calls = WithoutTimes(world_.log.calls);
  EXPECT_THAT(calls, ::testing::Not(::testing::Contains("Triggers.Create Daily")));
  EXPECT_THAT(calls, ::testing::Contains("Triggers.Create Logon"));
}

// Every checked call failing in turn: the task is never registered, and
// nothing is asked after the failing call.
TEST_F(TaskSchedulerV2Test, AnyFailingCallAbandonsTheRegistration) {
  ScheduledTaskInfo info = AutoupdateInfo();
  ASSERT_TRUE(Connect()->CreateTask(info));
  std::vector<std::string> methods;
  for (const std::string& call : world_.log.calls) {
    const std::string method = call.substr(0, call.find(' '));
    if (method != "Folder.DeleteTask" && method != "Folder.RegisterTaskDefinition")
      methods.push_back(method);
  }
  ASSERT_EQ(27u, methods.size());
  for (const std::string& method : methods) {
    world_.log.fail_on = method;
    TaskSchedulerV2* scheduler = Connect();
    EXPECT_FALSE(scheduler->CreateTask(info)) << method;
    ASSERT_FALSE(world_.log.calls.empty());
    EXPECT_EQ(method, world_.log.calls.back().substr(0, method.size())) << method;
  }
}

TEST_F(TaskSchedulerV2Test, FailedRegistrationIsLoggedWithItsCode) {
  TaskSchedulerV2* scheduler = Connect();
  world_.log.fail_on = "Folder.RegisterTaskDefinition";
  world_.register_result = static_cast<HRESULT>(0x80070005);
  base::test::ScopedLogCollector errors(logging::LOG_ERROR);
  EXPECT_FALSE(scheduler->CreateTask(AutoupdateInfo()));
  EXPECT_THAT(errors.lines, ElementsAre("Failed task registration: -2147024891"));
}

TEST_F(TaskSchedulerV2Test, FailedDescriptorIsLoggedButTheTaskStands) {
  ScheduledTaskInfo info = AutoupdateInfo();
  info.run_as_system = 1;
  TaskSchedulerV2* scheduler = Connect();
  world_.log.fail_on = "Task.SetSecurityDescriptor";
  base::test::ScopedLogCollector errors(logging::LOG_ERROR);
  EXPECT_TRUE(scheduler->CreateTask(info));
  EXPECT_THAT(errors.lines, ElementsAre("Failed setting SDDL: -2147467259"));
}

// Only this program's enabled tasks with a single program that is gone are
// removed; the names are compared from their beginning, without regard to
// ASCII case.
TEST_F(TaskSchedulerV2Test, DeleteStaleTasksSelectsOnlyOwnTasksWithMissingPrograms) {
  base::ScopedTempDir temp;
  ASSERT_TRUE(temp.CreateUniqueTempDir());
  const std::wstring present = temp.GetPath().Append(L"launcher.exe").value();
  ASSERT_TRUE(base::WriteFile(base::FilePath(present), "MZ"));
  const std::wstring missing = temp.GetPath().Append(L"gone.exe").value();
  auto entry = [](std::wstring name, std::vector<std::wstring> paths, bool enabled = true,
                  TASK_ACTION_TYPE type = TASK_ACTION_EXEC) {
    test::FakeTaskEntry task;
    task.name = std::move(name);
    task.action_paths = std::move(paths);
    task.enabled = enabled;
    task.action_type = type;
    return task;
  };
  world_.tasks = {
      entry(L"Velta scheduled Autoupdate 1", {missing}),
      entry(L"Velta scheduled Autoupdate 2", {present}),
      entry(L"VELTA SCHEDULED Autoupdate 3", {missing}),
      entry(L"Velta scheduled Autoupdate 4", {missing}, /*enabled=*/false),
      entry(L"Velta scheduled Autoupdate 5", {missing, missing}),
      entry(L"Velta scheduled Autoupdate 6", {missing}, true, TASK_ACTION_SEND_EMAIL),
      entry(L"Other scheduled Autoupdate 7", {missing}),
      entry(L"Other Velta scheduled Autoupdate 8", {missing}),
      entry(L" scheduled Autoupdate 9", {missing}),
  };
  Connect()->DeleteStaleTasks();
  std::vector<std::string> deleted;
  for (const std::string& call : world_.log.calls) {
    if (call.rfind("Folder.DeleteTask ", 0) == 0)
      deleted.push_back(call);
  }
  EXPECT_THAT(deleted, ElementsAre("Folder.DeleteTask Velta scheduled Autoupdate 1 0",
                                   "Folder.DeleteTask VELTA SCHEDULED Autoupdate 3 0"));
}

TEST(ScheduledTaskNameTest, OwnNamesBeginWithTheProductWordAndScheduled) {
  EXPECT_EQ(L"Velta scheduled Autoupdate 12", GetScheduledTaskName(L"Autoupdate 12"));
  struct {
    const wchar_t* name;
    bool own;
  } cases[] = {{L"Velta scheduled Autoupdate 12", true},
               {L"velta Scheduled x", true},
               {L" scheduled Autoupdate 12", false},
               {L"Veltascheduled x", false},
               {L"Other Velta scheduled x", false},
               {L"Velta", false}};
  for (const auto& c : cases)
    EXPECT_EQ(c.own, IsOwnScheduledTaskName(c.name)) << c.name;
}

TEST_F(TaskSchedulerV2Test, RunTaskPassesArgumentsAsAnArrayOrNothing) {
  test::FakeTaskEntry task;
  task.name = L"Velta scheduled probe";
  world_.tasks = {task};
  TaskSchedulerV2* scheduler = Connect();
  EXPECT_TRUE(scheduler->RunTask(L"probe", {L"first", L"second"}));
  EXPECT_TRUE(scheduler->RunTask(L"probe", {}));
  EXPECT_FALSE(scheduler->RunTask(L"absent", {L"x"}));
  EXPECT_THAT(world_.log.calls,
              ElementsAre("Folder.GetTask Velta scheduled probe", "Task.Run [first,second]",
                          "Folder.GetTask Velta scheduled probe", "Task.Run <empty>",
                          "Folder.GetTask Velta scheduled absent"));
}

TEST_F(TaskSchedulerV2Test, SetDailyIntervalChangesTheFirstDailyTriggerOnly) {
  test::FakeTaskEntry task;
  task.name = L"Velta scheduled probe";
  task.triggers = {{TASK_TRIGGER_LOGON, 0}, {TASK_TRIGGER_DAILY, 1}, {TASK_TRIGGER_DAILY, 5}};
  world_.tasks = {task};
  Connect()->SetDailyInterval(L"probe", 3);
  EXPECT_THAT(world_.log.calls,
              ElementsAre("Folder.GetTask Velta scheduled probe", "Definition.get_Triggers",
                          "DailyTrigger.put_DaysInterval 3",
                          "Folder.RegisterTaskDefinition Velta scheduled probe flags=4 "
                          "user=<empty> password=<empty> logon=0 sddl="));
  Connect()->SetDailyInterval(L"probe", 1);
  EXPECT_THAT(world_.log.calls,
              ElementsAre("Folder.GetTask Velta scheduled probe", "Definition.get_Triggers"));
}

TEST_F(TaskSchedulerV2Test, LastRunTimeIsReadAsLocalTime) {
  test::FakeTaskEntry task;
  task.name = L"Velta scheduled probe";
  SYSTEMTIME fields = {2024, 2, 4, 29, 13, 45, 10, 0};
  ASSERT_TRUE(::SystemTimeToVariantTime(&fields, &task.last_run_time));
  world_.tasks = {task};
  base::Time::Exploded expected;
  Connect()->GetLastRunTime(L"probe").LocalExplode(&expected);
  EXPECT_EQ(2024, expected.year);
  EXPECT_EQ(2, expected.month);
  EXPECT_EQ(29, expected.day_of_month);
  EXPECT_EQ(13, expected.hour);
  EXPECT_EQ(45, expected.minute);
  EXPECT_EQ(10, expected.second);
  EXPECT_TRUE(Connect()->GetLastRunTime(L"absent").is_null());
}

}  // namespace
}  // namespace velta

namespace velta {
namespace {

// The real Task Scheduler 2.0 of Wine: it registers and deletes a task, but
// refuses the principal's run level (E_NOTIMPL) that an administrator's task
// gets and the logon, boot and registration triggers. So under Wine the
// autoupdate task is never registered: the finalize step logs "Could not
// create scheduled task" and the installation goes on.
TEST(TaskSchedulerV2WineTest, RegistersAndDeletesAPlainTask) {
  base::win::ScopedCOMInitializer com;
  TaskSchedulerV2 scheduler;
  ASSERT_TRUE(scheduler.Init());
  base::CommandLine command_line(base::FilePath(L"C:\\Velta\\launcher.exe"));
  ScheduledTaskInfo info(command_line);
  info.name = L"Wine probe " + std::to_wstring(::GetCurrentProcessId());
  info.schedule = ScheduleKind::kNoTimeTrigger;
  {
    FakeSecurityUtils user;
    user.set_is_user_in_admin_group(false);
    base::ProcessWide<SecurityUtils>::ScopedOverride override_security(&user);
    ASSERT_TRUE(scheduler.CreateTask(info));
    EXPECT_NE(ScheduledTaskState::kNotFound, scheduler.GetTaskState(info.name));
    scheduler.DeleteTask(info.name);
    EXPECT_EQ(ScheduledTaskState::kNotFound, scheduler.GetTaskState(info.name));

    info.schedule = ScheduleKind::kDaily;
    info.at_logon = true;
    const bool registered = scheduler.CreateTask(info);
    scheduler.DeleteTask(info.name);
    EXPECT_FALSE(registered) << "Wine now takes logon triggers: update the comment";
  }
  // Every process is an administrator under Wine.
  info.schedule = ScheduleKind::kNoTimeTrigger;
  info.at_logon = false;
  const bool registered = scheduler.CreateTask(info);
  scheduler.DeleteTask(info.name);
  EXPECT_FALSE(registered) << "Wine now takes the run level: update the comment";
}

}  // namespace
}  // namespace velta
