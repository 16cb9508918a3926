// Copyright 2026 Velta Software. All rights reserved.

// The mailslot channel end to end: a real mailslot between an IpcSender (or
// a raw writer, or a second process) and an IpcReceiver.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/logging.h"
#include "base/message_loop/message_loop.h"
#include "base/pickle.h"
#include "base/run_loop.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/test/scoped_log_collector.h"
#include "base/test/unique_names.h"
#include "desktop/windows/installer/ipc/ipc_message.h"
#include "desktop/windows/installer/ipc/ipc_receiver.h"
#include "desktop/windows/installer/ipc/ipc_sender.h"
#include "desktop/windows/installer/ipc/mailslot_writer.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;

constexpr char kMailslotNameSwitch[] = "mailslot-name";

std::unique_ptr<base::Pickle> MakeStepStarting(const std::string& name) {
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_STEP_STARTING);
  message->WriteString(name);
  return message;
}

// A message of exactly `size` bytes: a step name that fills the rest.
std::unique_ptr<base::Pickle> MakeMessageOfSize(size_t size) {
  // The 32 bytes of header, signature and type, and the name's length.
  return MakeStepStarting(std::string(size - 36, 'n'));
}

// Sends three messages through an IpcSender from another process.
VELTA_TEST_CHILD_MAIN(IpcSendThreeMessages) {
  base::MessageLoop message_loop;
  IpcSender sender;
  if (!sender.Connect(
          base::CommandLine::ForCurrentProcess()->GetSwitchValueNative(kMailslotNameSwitch))) {
    return 2;
  }
  std::unique_ptr<base::Pickle> total = MakeInstallerMessage(IPC_MESSAGE_TOTAL_STEPS);
  total->WriteInt(12);
  sender.Send(std::move(total));
  sender.Send(MakeStepStarting("copy_files"));
  std::unique_ptr<base::Pickle> error = MakeInstallerMessage(IPC_MESSAGE_ERROR);
  error->WriteInt(7);
  error->WriteString16(L"Le disque est plein \x00e9");
  error->WriteString("detail");
  sender.Send(std::move(error));
  return 0;  // The sender's destructor writes what was sent.
}

class IpcChannelTest : public ::testing::Test, public IpcReceiver::Delegate {
 protected:
  // Runs the loop until `count` messages arrived in all (false on time-out).
  bool WaitForMessages(size_t count) {
    if (messages_.size() >= count)
      return true;
    awaited_ = count;
    base::RunLoop run_loop;
    quit_ = run_loop.QuitClosure();
    bool done = base::test::RunWithTimeout(&run_loop);
    quit_.Reset();
    return done;
  }

  // The step names of the messages received, "<empty>" for an empty pickle.
  std::vector<std::string> StepNames() const {
    std::vector<std::string> names;
    for (const base::Pickle& message : messages_) {
      base::PickleIterator iterator(message);
      std::string signature, name;
      int type = 0;
      if (message.size() == 0) {
        names.push_back("<empty>");
      } else if (iterator.ReadString(&signature) && iterator.ReadInt(&type) &&
                 type == IPC_MESSAGE_STEP_STARTING && iterator.ReadString(&name)) {
        names.push_back(name.size() > 20 ? name.substr(0, 1) + std::to_string(name.size())
                                         : name);
      } else {
        names.push_back("type " + std::to_string(type));
      }
    }
    return names;
  }

  // IpcReceiver::Delegate:
  void OnMessageReceived(const base::Pickle& message) override {
    messages_.push_back(message);
    if (quit_ && messages_.size() >= awaited_)
      std::move(quit_).Run();
  }

  base::MessageLoop message_loop_;
  const std::wstring name_ = L"velta_installer\\" + test::UniqueWideName("IpcChannel");
  std::vector<base::Pickle> messages_;
  size_t awaited_ = 0;
  base::OnceClosure quit_;
};

TEST_F(IpcChannelTest, MessagesArriveWholeInOrderAndSeparately) {
  IpcReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(name_));
  IpcSender sender;
  ASSERT_TRUE(sender.Connect(name_));
  sender.Send(MakeStepStarting("first"));
  std::unique_ptr<base::Pickle> largest = MakeMessageOfSize(kMaxInstallerMessageSize);
  const std::string largest_bytes(static_cast<const char*>(largest->data()), largest->size());
  sender.Send(std::move(largest));
  sender.Send(MakeStepStarting("third"));

  ASSERT_TRUE(WaitForMessages(3));
  EXPECT_THAT(StepNames(), ElementsAre("first", "n2012", "third"));
  EXPECT_EQ(largest_bytes,
            std::string(static_cast<const char*>(messages_[1].data()), messages_[1].size()));
}

TEST_F(IpcChannelTest, OverlongMessageIsShortenedAndDoesNotHoldBackTheNext) {
  IpcReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(name_));
  IpcSender sender;
  ASSERT_TRUE(sender.Connect(name_));
  sender.Send(MakeMessageOfSize(kMaxInstallerMessageSize + 100));
  std::unique_ptr<base::Pickle> foreign = std::make_unique<base::Pickle>();
  foreign->WriteString(std::string(3000, 'x'));  // Not an installer message: dropped.
  sender.Send(std::move(foreign));
  sender.Send(MakeStepStarting("next"));

  ASSERT_TRUE(WaitForMessages(2));
  EXPECT_THAT(StepNames(), ElementsAre("n2012", "next"));
  EXPECT_LE(messages_[0].size(), kMaxInstallerMessageSize);
}

TEST_F(IpcChannelTest, MalformedAndEmptyWritesNeitherStopNorConfuseTheReader) {
  IpcReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(name_));
  base::win::ScopedHandle raw = MailslotWriter::OpenMailslot(GetMailslotPath(name_));
  ASSERT_TRUE(raw.IsValid());
  DWORD written = 0;
  // A payload size larger than what follows: not a pickle.
  const char garbage[] = {'\x40', 0, 0, 0, 'j', 'u', 'n', 'k'};
  ASSERT_TRUE(::WriteFile(raw.Get(), garbage, sizeof(garbage), &written, nullptr));
  ASSERT_TRUE(::WriteFile(raw.Get(), garbage, 0, &written, nullptr));  // Delivers nothing.
  std::unique_ptr<base::Pickle> after = MakeStepStarting("after");
  ASSERT_TRUE(::WriteFile(raw.Get(), after->data(), static_cast<DWORD>(after->size()), &written,
                          nullptr));

  ASSERT_TRUE(WaitForMessages(2));
  EXPECT_THAT(StepNames(), ElementsAre("<empty>", "after"));
}

TEST_F(IpcChannelTest, MessagesFromASecondProcessArrive) {
  IpcReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(name_));
  base::CommandLine child = test::MakeChildCommandLine("IpcSendThreeMessages");
  child.AppendSwitchNative(kMailslotNameSwitch, name_);
  test::ChildResult result = test::RunChild(child);
  ASSERT_TRUE(result.exited);
  ASSERT_EQ(0u, result.exit_code);

  ASSERT_TRUE(WaitForMessages(3));
  ASSERT_EQ(3u, messages_.size());
  base::PickleIterator error(messages_[2]);
  std::string signature, detail;
  std::wstring text;
  int type = 0, code = 0;
  ASSERT_TRUE(error.ReadString(&signature) && error.ReadInt(&type) && error.ReadInt(&code) &&
              error.ReadString16(&text) && error.ReadString(&detail));
  EXPECT_EQ(IPC_MESSAGE_ERROR, type);
  EXPECT_EQ(7, code);
  EXPECT_EQ(L"Le disque est plein \x00e9", text);
  EXPECT_EQ("detail", detail);
  EXPECT_THAT(StepNames(), ElementsAre("type 3", "copy_files", "type 7"));
}

TEST_F(IpcChannelTest, NothingIsReceivedAfterCloseAndAReceiverCanConnectAgain) {
  {
    IpcReceiver receiver(this);
    ASSERT_TRUE(receiver.Connect(name_));
    // A second receiver cannot take the same name.
    IpcReceiver rival(this);
    EXPECT_FALSE(rival.Connect(name_));
    receiver.Close();
    receiver.Close();
  }
  const std::wstring other_name = name_ + L"-again";
  IpcReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(other_name));
  IpcSender sender;
  ASSERT_TRUE(sender.Connect(other_name));
  sender.Send(MakeStepStarting("again"));
  ASSERT_TRUE(WaitForMessages(1));
  EXPECT_THAT(StepNames(), ElementsAre("again"));
}

TEST_F(IpcChannelTest, SenderWithoutReceiverDropsMessagesQuietly) {
  IpcSender sender;
  ASSERT_TRUE(sender.Connect(name_));  // Only the thread must start.
  sender.Send(MakeStepStarting("lost"));
  sender.Close();
  // Now a receiver: the lost message does not turn up, a new one does.
  IpcReceiver receiver(this);
  ASSERT_TRUE(receiver.Connect(name_));
  IpcSender late;
  ASSERT_TRUE(late.Connect(name_));
  late.Send(MakeStepStarting("found"));
  ASSERT_TRUE(WaitForMessages(1));
  EXPECT_THAT(StepNames(), ElementsAre("found"));
}

// A writer whose writes fail (a read-only file in place of the mailslot, as
// a mailslot whose receiver has gone) or that has no mailslot at all keeps
// nothing: the first failed write ends the writing, and every message from
// then on is counted as unsent when the writer closes.
struct UnsentCase {
  const char* name;
  bool has_mailslot;
  int messages;
};

class MailslotWriterTest : public ::testing::TestWithParam<UnsentCase> {};

TEST_P(MailslotWriterTest, CountsTheMessagesItCouldNotWriteAndKeepsNone) {
  base::ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  base::win::ScopedHandle sink;
  if (GetParam().has_mailslot) {
    const base::FilePath path = dir.GetPath().Append(L"not_a_mailslot");
    ASSERT_TRUE(base::WriteFile(path, "x"));
    sink.Set(::CreateFileW(path.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(sink.IsValid());
  }

  const int previous_level = logging::GetMinLogLevel();
  logging::SetMinLogLevel(-1);
  {
    base::test::ScopedLogCollector verbose(-1);
    {
      MailslotWriter writer(std::move(sink));
      for (int i = 0; i < GetParam().messages; ++i)
        writer.Send(MakeStepStarting("step " + std::to_string(i)));
      EXPECT_EQ(static_cast<size_t>(GetParam().messages), writer.unsent_count());
    }
    EXPECT_THAT(verbose.lines,
                ElementsAre("Closing mailslot.",
                            "Messages unsent: " + std::to_string(GetParam().messages)));
  }
  logging::SetMinLogLevel(previous_level);
}

INSTANTIATE_TEST_SUITE_P(Sinks,
                         MailslotWriterTest,
                         ::testing::Values(UnsentCase{"FailingWrites", true, 3},
                                           UnsentCase{"ManyAfterAFailedWrite", true, 500},
                                           UnsentCase{"NoMailslot", false, 500}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velta
