// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_command_line.h"

#include "base/command_line.h"
#include "gtest/gtest.h"

namespace base::test {
namespace {

// What a test adds, removes or replaces is gone with the saver, nested
// savers included: no switch leaks into the next test.
TEST(ScopedCommandLineTest, PutsBackWhatTheTestChanged) {
  CommandLine* process = CommandLine::ForCurrentProcess();
  const CommandLine::StringType before = process->GetCommandLineString();
  {
    ScopedCommandLine outer;
    process->AppendSwitchASCII("outer-switch", "1");
    {
      ScopedCommandLine inner;
      *process = CommandLine(FilePath(L"other.exe"));
      process->AppendSwitch("inner-switch");
    }
    EXPECT_TRUE(process->HasSwitch("outer-switch"));
    EXPECT_FALSE(process->HasSwitch("inner-switch"));
  }
  EXPECT_FALSE(process->HasSwitch("outer-switch"));
  EXPECT_EQ(before, process->GetCommandLineString());
}

}  // namespace
}  // namespace base::test
