// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_pump_for_io.h"

#include <string>

#include "base/bind.h"
#include "base/message_loop/message_loop_for_io.h"
#include "base/synchronization/waitable_event.h"
#include "base/threading/platform_thread.h"
#include "base/threading/thread.h"
#include "gtest/gtest.h"

namespace base {
namespace {

constexpr TimeDelta kTimeout = TimeDelta::FromSeconds(20);

// The server end of a named pipe, read with overlapped I/O on an IO thread.
// Every method runs on that thread.
class PipeReader : public MessageLoopForIO::IOHandler {
 public:
  ~PipeReader() override {
    if (pipe_ != INVALID_HANDLE_VALUE)
      ::CloseHandle(pipe_);
  }

  void Create(const std::wstring& name, bool* registered) {
    pipe_ = ::CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED,
                               PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    *registered = pipe_ != INVALID_HANDLE_VALUE &&
                  MessageLoopForIO::current()->RegisterIOHandler(pipe_, this);
  }

  void StartRead() {
    context_ = MessageLoopForIO::IOContext();
    if (!::ReadFile(pipe_, buffer_, sizeof(buffer_), nullptr, &context_.overlapped)) {
      const DWORD error = ::GetLastError();
      // Pending is the normal answer; anything else completes through the
      // port as well only when pending, so report it directly.
      if (error != ERROR_IO_PENDING) {
        last_error_ = error;
        completed_.Signal();
      }
    }
  }

  void OnIOCompleted(MessageLoopForIO::IOContext* context, DWORD bytes, DWORD error) override {
    EXPECT_EQ(&context_, context);
    completion_thread_ = PlatformThread::CurrentId();
    data_.assign(buffer_, bytes);
    last_error_ = error;
    completed_.Signal();
  }

  // Read on the test thread after completed_ was signalled.
  WaitableEvent completed_{WaitableEvent::ResetPolicy::AUTOMATIC};
  std::string data_;
  DWORD last_error_ = 0;
  PlatformThreadId completion_thread_ = kInvalidThreadId;

 private:
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  MessageLoopForIO::IOContext context_;
  char buffer_[256];
};

TEST(MessagePumpForIOTest, OverlappedPipeReadCompletesOnTheIOThread) {
  const std::wstring name =
      L"\\\\.\\pipe\\velta-io-test-" + std::to_wstring(::GetCurrentProcessId());
  Thread io_thread("io");
  ASSERT_TRUE(io_thread.StartWithOptions(Thread::Options(MessageLoop::TYPE_IO, 0)));
  PipeReader reader;
  bool registered = false;
  WaitableEvent created;
  io_thread.task_runner()->PostTask(FROM_HERE, BindOnce(
                                                   [](PipeReader* reader, std::wstring name,
                                                      bool* registered, WaitableEvent* created) {
                                                     reader->Create(name, registered);
                                                     created->Signal();
                                                   },
                                                   &reader, name, &registered, &created));
  ASSERT_TRUE(created.TimedWait(kTimeout));
  ASSERT_TRUE(registered);

  HANDLE client = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, client) << ::GetLastError();
  io_thread.task_runner()->PostTask(FROM_HERE,
                                    BindOnce(&PipeReader::StartRead, Unretained(&reader)));
  const char kMessage[] = "through the completion port";
  DWORD written = 0;
  ASSERT_TRUE(::WriteFile(client, kMessage, sizeof(kMessage) - 1, &written, nullptr));
  ASSERT_TRUE(reader.completed_.TimedWait(kTimeout));
  EXPECT_EQ(kMessage, reader.data_);
  EXPECT_EQ(0u, reader.last_error_);
  EXPECT_EQ(io_thread.GetThreadId(), reader.completion_thread_);

  // The writer goes away: the next read completes with the pipe's error.
  io_thread.task_runner()->PostTask(FROM_HERE,
                                    BindOnce(&PipeReader::StartRead, Unretained(&reader)));
  ::CloseHandle(client);
  ASSERT_TRUE(reader.completed_.TimedWait(kTimeout));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BROKEN_PIPE), reader.last_error_);
  io_thread.Stop();
}

class NoHandler : public MessageLoopForIO::IOHandler {
 public:
  void OnIOCompleted(MessageLoopForIO::IOContext*, DWORD, DWORD) override {
    ADD_FAILURE() << "nothing can complete";
  }
};

TEST(MessagePumpForIOTest, HandleThatCannotJoinThePortIsRefused) {
  // An event is no file: CreateIoCompletionPort refuses it, and so do we.
  MessageLoopForIO loop;
  WaitableEvent event;
  NoHandler handler;
  EXPECT_FALSE(loop.RegisterIOHandler(event.handle(), &handler));
}

}  // namespace
}  // namespace base
