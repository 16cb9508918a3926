// Copyright 2026 Velta Software. All rights reserved.

// Measures the installer's mailslot channel under the system it runs on: an
// IpcSender and an IpcReceiver in one process, on their own IPC threads.
//   ipc_bench [COUNT]
// Prints, for messages of 64 bytes and of the largest size (2048), how many
// arrive per second, and how long IpcReceiver::Close takes while the reader
// waits on an empty mailslot (bounded by the reader's read time-out).

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "base/at_exit.h"
#include "base/bind.h"
#include "base/message_loop/message_loop.h"
#include "base/pickle.h"
#include "base/run_loop.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/ipc/ipc_sender.h"

namespace {

using Clock = std::chrono::steady_clock;

class CountingDelegate : public velta::IpcReceiver::Delegate {
 public:
  explicit CountingDelegate(size_t awaited) : awaited_(awaited) {}
  void set_quit(base::OnceClosure quit) { quit_ = std::move(quit); }
  void OnMessageReceived(const base::Pickle&) override {
    if (++received_ == awaited_ && quit_)
      std::move(quit_).Run();
  }
  size_t received() const { return received_; }

 private:
  const size_t awaited_;
  size_t received_ = 0;
  base::OnceClosure quit_;
};

std::unique_ptr<base::Pickle> MessageOfSize(size_t size) {
  std::unique_ptr<base::Pickle> message =
      velta::MakeInstallerMessage(velta::IPC_MESSAGE_STEP_STARTING);
  message->WriteString(std::string(size - 36, 's'));
  return message;
}

bool Measure(size_t count, size_t size, const std::wstring& name) {
  CountingDelegate delegate(count);
  velta::IpcReceiver receiver(&delegate);
  if (!receiver.Connect(name))
    return false;
  velta::IpcSender sender;
  if (!sender.Connect(name))
    return false;
  base::RunLoop run_loop;
  delegate.set_quit(run_loop.QuitClosure());
  const Clock::time_point start = Clock::now();
  for (size_t i = 0; i < count; ++i)
    sender.Send(MessageOfSize(size));
  run_loop.Run();
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::printf("%5zu-byte messages: %zu in %.3f s, %.0f messages/s, %.1f MB/s\n", size, count,
              seconds, count / seconds, count * size / seconds / 1e6);
  sender.Close();
  const Clock::time_point close_start = Clock::now();
  receiver.Close();
  std::printf("  receiver Close on an idle mailslot: %.1f ms\n",
              std::chrono::duration<double, std::milli>(Clock::now() - close_start).count());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  base::AtExitManager at_exit_manager;
  base::MessageLoop message_loop;
  const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 20000;
  const std::wstring name = L"velta_installer\\ipc_bench-" + std::to_wstring(::GetCurrentProcessId());
  // The slot holds what the reader has not read yet; a burst of `count`
  // messages must fit in memory, which it does for tens of thousands.
  if (!Measure(count, 64, name + L"-small") ||
      !Measure(count, velta::kMaxInstallerMessageSize, name + L"-large")) {
    std::fprintf(stderr, "cannot connect the mailslot\n");
    return 1;
  }
  return 0;
}
