// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_client.h"

#include <windows.h>
#include <winternl.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <thread>

#include "base/command_line.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/unique_names.h"
#include "base/win/get_function.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_pipe_protocol.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

constexpr char kReporterSwitch[] = "reporter";

// Serves one connection of the pipe `name` as a reporter that fails the
// registration: "hangs-up" closes the connection without a word,
// "refuses" answers with something else than kRegistered.
void ServeOnce(const std::wstring& name, const std::string& reporter) {
  base::win::ScopedHandle pipe(::CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1,
      sizeof(CrashPipeReply), sizeof(CrashPipeRegistration), 0, nullptr));
  if (!pipe.IsValid())
    return;
  if (!::ConnectNamedPipe(pipe.Get(), nullptr) && ::GetLastError() != ERROR_PIPE_CONNECTED)
    return;
  if (reporter == "refuses") {
    CrashPipeRegistration registration = {};
    DWORD transferred = 0;
    ::ReadFile(pipe.Get(), &registration, sizeof(registration), &transferred, nullptr);
    const CrashPipeReply reply = {CrashPipeMessage::kDumpDone, 0};
    ::WriteFile(pipe.Get(), &reply, sizeof(reply), &transferred, nullptr);
    ::FlushFileBuffers(pipe.Get());
  }
  ::DisconnectNamedPipe(pipe.Get());
}

// One connection to a reporter of the kind --reporter names ("absent": no
// pipe at all); this process stands in as the reporter's process.
bool ConnectOnce(const std::string& reporter) {
  const std::wstring name = L"\\\\.\\pipe\\" + test::UniqueWideName("velta-crash-client");
  std::thread server;
  if (reporter != "absent")
    server = std::thread(&ServeOnce, name, reporter);
  // Until the server's pipe exists the client finds none at all.
  for (int i = 0; i < 500 && reporter != "absent" && !::WaitNamedPipeW(name.c_str(), 1); ++i)
    ::Sleep(10);
  const bool connected = ConnectCrashClient(name, ::GetCurrentProcessId(), nullptr, 0);
  if (server.joinable()) {
    // A server still waiting for its client (one that gave up before
    // connecting) is let go.
    base::win::ScopedHandle(::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    server.join();
  }
  return connected;
}

// How many handles of `object` are open, in every process; 0 when unknown.
// (GetProcessHandleCount answers 0 under Wine.)
unsigned long CountHandles(HANDLE object) {
  const auto query = BASE_WIN_GET_FUNCTION(L"ntdll.dll", NtQueryObject);
  PUBLIC_OBJECT_BASIC_INFORMATION info = {};
  if (!query || query(object, ObjectBasicInformation, &info, sizeof(info), nullptr) < 0)
    return 0;
  return info.HandleCount;
}

// Fails to connect three times; exits 0 when as many handles of this
// process (which stands in as the reporter's) are open after the last two
// attempts as after the first, which also makes what the calls make once.
VELTA_TEST_CHILD_MAIN(FailedConnectionsKeepNoHandle) {
  const std::string reporter =
      base::CommandLine::ForCurrentProcess()->GetSwitchValueASCII(kReporterSwitch);
  base::win::ScopedHandle self(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ::GetCurrentProcessId()));
  if (ConnectOnce(reporter))
    return 2;
  const unsigned long before = CountHandles(self.Get());
  if (before == 0)
    return 3;
  if (ConnectOnce(reporter) || ConnectOnce(reporter))
    return 2;
  const unsigned long after = CountHandles(self.Get());
  fprintf(stderr, "handles of the reporter's process before %lu, after %lu\n", before, after);
  return after == before ? 0 : 1;
}

class CrashClientFailureTest : public ::testing::TestWithParam<const char*> {};

// A connection that fails leaves the process without crash reporting, and
// without the handles it opened on the way (the reporter's process among
// them, which would otherwise keep that process's object alive).
TEST_P(CrashClientFailureTest, LeavesNoHandleBehind) {
  base::CommandLine command_line = test::MakeChildCommandLine("FailedConnectionsKeepNoHandle");
  command_line.AppendSwitchASCII(kReporterSwitch, GetParam());
  const test::ChildResult result = test::RunChild(command_line);
  ASSERT_TRUE(result.exited);
  EXPECT_EQ(0u, result.exit_code);
}

INSTANTIATE_TEST_SUITE_P(Reporters,
                         CrashClientFailureTest,
                         ::testing::Values("absent", "hangs-up", "refuses"),
                         [](const auto& info) {
                           std::string name = info.param;
                           name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                           return name;
                         });

}  // namespace
}  // namespace velta
