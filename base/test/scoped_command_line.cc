// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_command_line.h"

namespace base::test {

ScopedCommandLine::ScopedCommandLine() : saved_(*CommandLine::ForCurrentProcess()) {}

ScopedCommandLine::~ScopedCommandLine() {
  *CommandLine::ForCurrentProcess() = saved_;
}

}  // namespace base::test
