// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/common/product/exit_codes.h"

#include <windows.h>

#include <string_view>

#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/time/time.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

TEST(ExitCodesTest, ResultsBecomeHundredPlusResult) {
  EXPECT_EQ(0u, InstallerResultToExitCode(0));
  EXPECT_EQ(116u, InstallerResultToExitCode(16));
  EXPECT_EQ(118u, InstallerResultToExitCode(18));
  EXPECT_EQ(120u, InstallerResultToExitCode(kInstallerResultNoResult));
}

TEST(ExitCodesTest, ChildExitCodesMapBackToResults) {
  struct Case {
    uint32_t exit_code;
    uint32_t result;
  } cases[] = {
      {0, 0},        {1, 13},   {2, 14},   {3, 15},          {99, 15},
      {100, 0},      {102, 2},  {124, 24}, {125, 15},        {259, 15},
      {0xC0000005u, 26},        {0xC0000409u, 15},           {0xFFFFFFFFu, 15},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.result, InstallerResultFromExitCode(c.exit_code)) << c.exit_code;
}

VELTA_TEST_CHILD_MAIN(ExitWith102) {
  return 102;
}

VELTA_TEST_CHILD_MAIN(DereferenceNull) {
  volatile int* null_pointer = nullptr;
  return *null_pointer;
}

// Runs this test binary in a child role and maps its exit code.
uint32_t RunChildAndMap(std::string_view role) {
  base::Process process = base::LaunchProcess(test::MakeChildCommandLine(role), {});
  if (!process.IsValid()) {
    ADD_FAILURE() << "Cannot start the child " << role;
    return 0xFFFF;
  }
  uint32_t exit_code = 0;
  EXPECT_TRUE(test::WaitForChildExit(process, base::TimeDelta::FromSeconds(60), &exit_code));
  return ExitCodeToInstallerResult(process.Handle());
}

TEST(ExitCodesTest, RealChildProcessesMapThroughTheirHandles) {
  EXPECT_EQ(2u, RunChildAndMap("ExitWith102"));
  EXPECT_EQ(26u, RunChildAndMap("DereferenceNull"));
}

TEST(ExitCodesTest, UnreadableHandleIsUnknownExit) {
  EXPECT_EQ(15u, ExitCodeToInstallerResult(nullptr));
}

}  // namespace
}  // namespace velta
