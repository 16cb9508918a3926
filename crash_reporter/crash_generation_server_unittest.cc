// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/crash_generation_server.h"

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "base/command_line.h"
#include "base/strings/string_number_conversions.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/scoped_log_collector.h"
#include "base/test/unique_names.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/crash_pipe_protocol.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;

constexpr char kPipeSwitch[] = "crash-pipe";
constexpr char kNamedProcessSwitch[] = "named-process";
// Exit codes of the client role below.
constexpr int kClientDumped = 10;
constexpr int kClientRefused = 11;
constexpr int kClientCannotConnect = 12;

// A crash client in its own process: connects to the pipe, registers in the
// name of the process given on its command line, then asks for a dump.
VELTA_TEST_CHILD_MAIN(RegisterWithCrashPipe) {
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  const std::wstring pipe_name = command_line.GetSwitchValueNative(kPipeSwitch);
  // "self", or the id of another process.
  const std::string named = command_line.GetSwitchValueASCII(kNamedProcessSwitch);
  unsigned process_id = ::GetCurrentProcessId();
  if (named != "self" && !base::StringToUint(named, &process_id))
    return kClientCannotConnect;
  base::win::ScopedHandle pipe(::CreateFileW(pipe_name.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                             nullptr, OPEN_EXISTING, 0, nullptr));
  DWORD mode = PIPE_READMODE_MESSAGE;
  if (!pipe.IsValid() || !::SetNamedPipeHandleState(pipe.Get(), &mode, nullptr, nullptr))
    return kClientCannotConnect;
  CrashPipeRegistration registration = {};
  registration.message = CrashPipeMessage::kRegister;
  registration.process_id = process_id;
  DWORD bytes = 0;
  CrashPipeReply reply = {};
  if (!::WriteFile(pipe.Get(), &registration, sizeof(registration), &bytes, nullptr) ||
      !::ReadFile(pipe.Get(), &reply, sizeof(reply), &bytes, nullptr) ||
      reply.message != CrashPipeMessage::kRegistered) {
    return kClientRefused;
  }
  const CrashPipeReply request = {CrashPipeMessage::kDumpRequest, 0};
  if (!::WriteFile(pipe.Get(), &request, sizeof(request), &bytes, nullptr) ||
      !::ReadFile(pipe.Get(), &reply, sizeof(reply), &bytes, nullptr) ||
      reply.message != CrashPipeMessage::kDumpDone) {
    return kClientRefused;
  }
  return kClientDumped;
}

// Whom the client names in its registration.
enum class NamedProcess {
  kItself,
  kTheServer,  // another process of the same user
};

struct RegistrationCase {
  const char* name;
  NamedProcess named;
  int client_exit_code;
};

class CrashGenerationServerTest : public ::testing::TestWithParam<RegistrationCase> {};

// The server serves only the process at the other end of the pipe: a client
// naming another process is refused before anything is read from, dumped or
// done to that process.
TEST_P(CrashGenerationServerTest, ServesOnlyTheProcessAtTheOtherEndOfThePipe) {
  const std::wstring pipe_name = L"\\\\.\\pipe\\" + test::UniqueWideName("CrashPipe");
  std::mutex lock;
  std::vector<uint32_t> dumped;
  base::test::ScopedLogCollector warnings(logging::LOG_WARNING);
  {
    CrashGenerationServer server(pipe_name, nullptr, [&](const ClientDumpRequest& request) {
      std::lock_guard<std::mutex> hold(lock);
      dumped.push_back(request.process_id);
      return true;
    });
    ASSERT_TRUE(server.Start());

    base::CommandLine command_line = test::MakeChildCommandLine("RegisterWithCrashPipe");
    command_line.AppendSwitchNative(kPipeSwitch, pipe_name);
    command_line.AppendSwitchASCII(kNamedProcessSwitch,
                                   GetParam().named == NamedProcess::kTheServer
                                       ? base::NumberToString(::GetCurrentProcessId())
                                       : "self");
    const test::ChildResult result = test::RunChild(command_line);
    ASSERT_TRUE(result.exited);
    EXPECT_EQ(GetParam().client_exit_code, static_cast<int>(result.exit_code));
  }
  if (GetParam().named == NamedProcess::kTheServer) {
    EXPECT_TRUE(dumped.empty());
    EXPECT_THAT(warnings.lines,
                Contains(HasSubstr("Refused the crash client registration for process " +
                                   base::NumberToString(::GetCurrentProcessId()))));
  } else {
    EXPECT_EQ(1u, dumped.size());
    EXPECT_NE(::GetCurrentProcessId(), dumped.empty() ? 0u : dumped[0]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Registrations,
    CrashGenerationServerTest,
    ::testing::Values(RegistrationCase{"Itself", NamedProcess::kItself, kClientDumped},
                      RegistrationCase{"AnotherProcess", NamedProcess::kTheServer, kClientRefused}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velta
