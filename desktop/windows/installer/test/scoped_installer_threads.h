// Copyright 2026 Velta Software. All rights reserved.

#ifndef DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_THREADS_H_
#define DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_THREADS_H_

#include "base/message_loop/message_loop.h"
#include "base/win/scoped_com_initializer.h"

namespace velta {

class Settings;

// The threads of an installer's main process for a test: a message loop on
// the test's thread (with COM) and the task scheduler "installer" with one
// worker per pool, where folder details are gathered. The destructor joins
// the workers and removes the scheduler. Tests only.
class ScopedInstallerThreads {
 public:
  ScopedInstallerThreads();
  ScopedInstallerThreads(const ScopedInstallerThreads&) = delete;
  ScopedInstallerThreads& operator=(const ScopedInstallerThreads&) = delete;
  ~ScopedInstallerThreads();

 private:
  base::MessageLoop message_loop_;
  base::win::ScopedCOMInitializer com_;
};

// Runs the task scheduler and the replies on this thread until `settings`
// gather no folder details; false when they still do after many rounds.
bool WaitForFolderDetails(const Settings& settings);

}  // namespace velta

#endif  // DESKTOP_WINDOWS_INSTALLER_TEST_SCOPED_INSTALLER_THREADS_H_
