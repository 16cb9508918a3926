// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/service/task_scheduler.h"

#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/common/product/product_constants.h"
#include "desktop/windows/installer/service/task_scheduler_v1.h"
#include "desktop/windows/installer/service/task_scheduler_v2.h"

namespace velta {

ScheduledTaskInfo::ScheduledTaskInfo(const base::CommandLine& command_line)
    : command_line(command_line), schedule(ScheduleKind::kDaily) {}

ScheduledTaskInfo::ScheduledTaskInfo(const ScheduledTaskInfo&) = default;

ScheduledTaskInfo::~ScheduledTaskInfo() = default;

base::Time TimeFromLocalSystemTime(const SYSTEMTIME& fields) {
  base::Time::Exploded exploded;
  exploded.year = fields.wYear;
  exploded.month = fields.wMonth;
  exploded.day_of_week = fields.wDayOfWeek;
  exploded.day_of_month = fields.wDay;
  exploded.hour = fields.wHour;
  exploded.minute = fields.wMinute;
  exploded.second = fields.wSecond;
  exploded.millisecond = fields.wMilliseconds;
  base::Time time;
  if (!base::Time::FromLocalExploded(exploded, &time))
    return base::Time();
  return time;
}

std::unique_ptr<TaskScheduler> CreateTaskScheduler() {
  if (base::win::GetVersion() > base::win::VERSION_SERVER_2003)
    return std::make_unique<TaskSchedulerV2>();
  return std::make_unique<TaskSchedulerV1>();
}

std::wstring GetScheduledTaskName(const std::wstring& name) {
  return base::UTF8ToWide(GetBrandName()) + L" scheduled " + name;
}

bool IsOwnScheduledTaskName(const std::wstring& registered_name) {
  return base::StartsWith(registered_name, GetScheduledTaskName(std::wstring()),
                          base::CompareCase::INSENSITIVE_ASCII);
}

}  // namespace velta
