// Copyright 2026 Velta Software. All rights reserved.

#include "base/message_loop/message_pump_for_ui.h"

#include <windows.h>

#include <map>
#include <vector>

#include "base/bind.h"
#include "base/message_loop/message_loop_for_ui.h"
#include "base/message_loop/message_pump_dispatcher.h"
#include "base/run_loop.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/thread.h"
#include "base/threading/thread_task_runner_handle.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::ElementsAre;

constexpr UINT kFirst = WM_APP + 1;
constexpr UINT kSecond = WM_APP + 2;
constexpr UINT kThird = WM_APP + 3;
// The window procedure quits the run loop in its user data on this one.
constexpr UINT kQuitOnDispatch = WM_APP + 9;

// Answers each message id with preset flags and records what it saw.
class FakeDispatcher : public MessagePumpDispatcher {
 public:
  uint32_t Dispatch(const MSG& message) override {
    if (message.message < WM_APP)
      return POST_DISPATCH_PERFORM_DEFAULT;  // system traffic: let it through
    seen.push_back(message.message);
    auto it = answers.find(message.message);
    return it == answers.end() ? POST_DISPATCH_PERFORM_DEFAULT : it->second;
  }

  std::map<UINT, uint32_t> answers;
  std::vector<UINT> seen;
};

// A real top-level window (never shown) whose procedure records what
// DispatchMessage delivered.
class MessagePumpForUITest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXW window_class = {};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = &WindowProc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = L"VeltaPumpTestWindow";
    ::RegisterClassExW(&window_class);  // fails harmlessly when registered before
    window_ = ::CreateWindowExW(0, L"VeltaPumpTestWindow", L"test", WS_OVERLAPPEDWINDOW, 0, 0, 10,
                                10, nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(window_);
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  void TearDown() override { ::DestroyWindow(window_); }

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self =
        reinterpret_cast<MessagePumpForUITest*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && message >= WM_APP) {
      self->dispatched_.push_back(message);
      if (message == kQuitOnDispatch && self->quit_on_dispatch_)
        self->quit_on_dispatch_->Quit();
      return 0;
    }
    return ::DefWindowProcW(window, message, wparam, lparam);
  }

  void Post(UINT message) { ASSERT_TRUE(::PostMessageW(window_, message, 0, 0)); }

  MessageLoopForUI loop_;
  HWND window_ = nullptr;
  std::vector<UINT> dispatched_;
  RunLoop* quit_on_dispatch_ = nullptr;
};

TEST_F(MessagePumpForUITest, WithoutDispatcherMessagesAreDispatched) {
  RunLoop run_loop;
  quit_on_dispatch_ = &run_loop;
  Post(kFirst);
  Post(kQuitOnDispatch);
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_THAT(dispatched_, ElementsAre(kFirst, kQuitOnDispatch));
}

TEST_F(MessagePumpForUITest, DispatcherFlagsDecideWhatHappens) {
  FakeDispatcher dispatcher;
  dispatcher.answers[kFirst] = MessagePumpDispatcher::POST_DISPATCH_PERFORM_DEFAULT;
  dispatcher.answers[kSecond] = MessagePumpDispatcher::POST_DISPATCH_NONE;
  dispatcher.answers[kThird] = MessagePumpDispatcher::POST_DISPATCH_QUIT_LOOP;
  RunLoop run_loop(RunLoop::Type::kDefault, &dispatcher);
  Post(kFirst);
  Post(kSecond);
  Post(kThird);
  Post(kQuitOnDispatch);  // stays queued: the loop quit on the one before
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_THAT(dispatcher.seen, ElementsAre(kFirst, kSecond, kThird));
  // Consumed (0) and quit-only (1) messages never reach the window.
  EXPECT_THAT(dispatched_, ElementsAre(kFirst));

  // Quit and dispatch together (3): the window gets it and the loop ends.
  dispatcher.answers[kQuitOnDispatch] = MessagePumpDispatcher::POST_DISPATCH_QUIT_LOOP |
                                        MessagePumpDispatcher::POST_DISPATCH_PERFORM_DEFAULT;
  RunLoop second(RunLoop::Type::kDefault, &dispatcher);
  ASSERT_TRUE(test::RunWithTimeout(&second));
  EXPECT_THAT(dispatched_, ElementsAre(kFirst, kQuitOnDispatch));
}

TEST_F(MessagePumpForUITest, IdleLoopDispatchesMessagesPostedFromAnotherThread) {
  FakeDispatcher dispatcher;
  RunLoop run_loop(RunLoop::Type::kDefault, &dispatcher);
  quit_on_dispatch_ = &run_loop;
  Thread poster("poster");
  ASSERT_TRUE(poster.Start());
  // Posted only once the loop is idle and waiting.
  ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE, BindOnce(
                     [](scoped_refptr<SingleThreadTaskRunner> poster, HWND window) {
                       poster->PostTask(FROM_HERE, BindOnce(
                                                       [](HWND window) {
                                                         ::PostMessageW(window, kFirst, 0, 0);
                                                         ::PostMessageW(window, kQuitOnDispatch, 0,
                                                                        0);
                                                       },
                                                       window));
                     },
                     poster.task_runner(), window_));
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_THAT(dispatcher.seen, ElementsAre(kFirst, kQuitOnDispatch));
  EXPECT_THAT(dispatched_, ElementsAre(kFirst, kQuitOnDispatch));
}

TEST_F(MessagePumpForUITest, NestedLoopConsultsOnlyTheInnermostDispatcher) {
  FakeDispatcher outer_dispatcher;
  FakeDispatcher inner_dispatcher;
  inner_dispatcher.answers[kSecond] = MessagePumpDispatcher::POST_DISPATCH_QUIT_LOOP;
  outer_dispatcher.answers[kThird] = MessagePumpDispatcher::POST_DISPATCH_QUIT_LOOP;
  RunLoop outer(RunLoop::Type::kDefault, &outer_dispatcher);
  ThreadTaskRunnerHandle::Get()->PostTask(
      FROM_HERE, BindOnce(
                     [](FakeDispatcher* inner_dispatcher, HWND window) {
                       RunLoop inner(RunLoop::Type::kDefault, inner_dispatcher);
                       ::PostMessageW(window, kFirst, 0, 0);
                       ::PostMessageW(window, kSecond, 0, 0);
                       EXPECT_TRUE(test::RunWithTimeout(&inner));
                       ::PostMessageW(window, kThird, 0, 0);
                     },
                     &inner_dispatcher, window_));
  ASSERT_TRUE(test::RunWithTimeout(&outer));
  EXPECT_THAT(inner_dispatcher.seen, ElementsAre(kFirst, kSecond));
  EXPECT_THAT(outer_dispatcher.seen, ElementsAre(kThird));
  EXPECT_THAT(dispatched_, ElementsAre(kFirst));
}

TEST_F(MessagePumpForUITest, QuitMessageEndsEveryNestedLoop) {
  RunLoop outer;
  std::vector<std::string> log;
  ThreadTaskRunnerHandle::Get()->PostTask(FROM_HERE,
                                          BindOnce(
                                              [](std::vector<std::string>* log) {
                                                RunLoop inner;
                                                ::PostQuitMessage(3);
                                                EXPECT_TRUE(test::RunWithTimeout(&inner));
                                                log->push_back("inner ended");
                                              },
                                              &log));
  ASSERT_TRUE(test::RunWithTimeout(&outer));
  EXPECT_THAT(log, ElementsAre("inner ended"));
  // WM_QUIT is left in the queue for any enclosing message loop.
  MSG message;
  ASSERT_TRUE(::PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(3u, message.wParam);
}

TEST_F(MessagePumpForUITest, LoopIsNoLongerIdleWhileMessagesWait) {
  // RunUntilIdle dispatches waiting messages before it returns.
  Post(kFirst);
  Post(kSecond);
  RunLoop().RunUntilIdle();
  EXPECT_THAT(dispatched_, ElementsAre(kFirst, kSecond));
}

}  // namespace
}  // namespace base
