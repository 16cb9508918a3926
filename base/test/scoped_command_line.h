// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_SCOPED_COMMAND_LINE_H_
#define BASE_TEST_SCOPED_COMMAND_LINE_H_

#include "base/command_line.h"

namespace base::test {

// Keeps the process's command line as it is at construction and puts it
// back at destruction, so that a test may change it meanwhile. Main thread;
// tests only.
class ScopedCommandLine {
 public:
  ScopedCommandLine();
  ScopedCommandLine(const ScopedCommandLine&) = delete;
  ScopedCommandLine& operator=(const ScopedCommandLine&) = delete;
  ~ScopedCommandLine();

 private:
  const CommandLine saved_;
};

}  // namespace base::test

#endif  // BASE_TEST_SCOPED_COMMAND_LINE_H_
