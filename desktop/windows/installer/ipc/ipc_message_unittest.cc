// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/ipc/ipc_message.h"

#include <string.h>

#include <string>
#include <vector>

#include "base/pickle.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

TEST(IpcMessageTest, StepStartingMessageHasTheWireLayout) {
  std::unique_ptr<base::Pickle> message = MakeInstallerMessage(IPC_MESSAGE_STEP_STARTING);
  message->WriteString("abc");

  const unsigned char expected[] = {
      36, 0, 0, 0,                                               // payload size
      19, 0, 0, 0,                                               // signature length
      ':', 'I', 'n', 's', 't', 'a', 'l', 'l', 'e', 'r', ' ',     //
      'm', 'e', 's', 's', 'a', 'g', 'e', ':', 0,                 // signature, padding
      4, 0, 0, 0,                                                // type
      3, 0, 0, 0, 'a', 'b', 'c', 0};                             // the step name
  ASSERT_EQ(sizeof(expected), message->size());
  EXPECT_EQ(0, memcmp(expected, message->data(), sizeof(expected)));
}

TEST(IpcMessageTest, MailslotNameKeepsTheFolderAsItIs) {
  EXPECT_EQ(L"\\\\.\\mailslot\\velta_installer\\C:\\Program Files\\Velta",
            GetMailslotPath(GetInstallerMailslotName(base::FilePath(L"C:\\Program Files\\Velta"))));
}

// What a shortened message reads back as.
struct ReadBack {
  int type = -1;
  std::vector<int> numbers;
  std::vector<std::string> texts;
  std::wstring wide_text;
};

ReadBack Read(const base::Pickle& message, int type) {
  ReadBack result;
  base::PickleIterator iterator(message);
  std::string signature;
  EXPECT_TRUE(iterator.ReadString(&signature));
  EXPECT_EQ(kInstallerMessageSignature, signature);
  EXPECT_TRUE(iterator.ReadInt(&result.type));
  int number = 0;
  std::string text;
  switch (type) {
    case IPC_MESSAGE_STEP_FINISHED:
      EXPECT_TRUE(iterator.ReadString(&text));
      result.texts.push_back(text);
      while (iterator.ReadInt(&number))
        result.numbers.push_back(number);
      break;
    case IPC_MESSAGE_ERROR:
      EXPECT_TRUE(iterator.ReadInt(&number));
      result.numbers.push_back(number);
      EXPECT_TRUE(iterator.ReadString16(&result.wide_text));
      EXPECT_TRUE(iterator.ReadString(&text));
      result.texts.push_back(text);
      break;
    default:
      EXPECT_TRUE(iterator.ReadString(&text));
      result.texts.push_back(text);
  }
  EXPECT_TRUE(iterator.ReachedEnd());
  return result;
}

struct ShortenCase {
  const char* name;
  int type;
  std::string text;
  std::wstring wide_text;
  std::string detail;
};

class ShortenInstallerMessageTest : public ::testing::TestWithParam<ShortenCase> {};

TEST_P(ShortenInstallerMessageTest, FitsTheLimitAndKeepsTheFieldsReadable) {
  const ShortenCase& c = GetParam();
  std::unique_ptr<base::Pickle> message =
      MakeInstallerMessage(static_cast<InstallerMessageType>(c.type));
  if (c.type == IPC_MESSAGE_ERROR) {
    message->WriteInt(19);
    message->WriteString16(c.wide_text);
    message->WriteString(c.detail);
  } else {
    message->WriteString(c.text);
    if (c.type == IPC_MESSAGE_STEP_FINISHED) {
      message->WriteInt(2);
      message->WriteInt(7);
    }
  }
  ASSERT_GT(message->size(), kMaxInstallerMessageSize);

  base::Pickle shortened;
  ASSERT_TRUE(ShortenInstallerMessage(*message, kMaxInstallerMessageSize, &shortened));
  EXPECT_LE(shortened.size(), kMaxInstallerMessageSize);
  EXPECT_GT(shortened.size(), kMaxInstallerMessageSize - 8);  // Cut no more than needed.

  ReadBack back = Read(shortened, c.type);
  EXPECT_EQ(c.type, back.type);
  if (c.type == IPC_MESSAGE_ERROR) {
    EXPECT_EQ(std::vector<int>{19}, back.numbers);
    EXPECT_EQ(c.wide_text.substr(0, back.wide_text.size()), back.wide_text);
    EXPECT_EQ(c.detail.substr(0, back.texts[0].size()), back.texts[0]);
    // Never half a surrogate pair at the cut.
    ASSERT_FALSE(back.wide_text.empty());
    EXPECT_FALSE(back.wide_text.back() >= 0xD800 && back.wide_text.back() <= 0xDBFF);
  } else {
    EXPECT_EQ(c.text.substr(0, back.texts[0].size()), back.texts[0]);
    if (c.type == IPC_MESSAGE_STEP_FINISHED) {
      EXPECT_EQ((std::vector<int>{2, 7}), back.numbers);
    }
  }
  // Never half a UTF-8 sequence at the cut.
  for (const std::string& text : back.texts) {
    ASSERT_FALSE(text.empty());
    EXPECT_NE(0xC0, static_cast<unsigned char>(text.back()) & 0xC0) << c.name;
  }
}

std::wstring Repeat(const std::wstring& unit, size_t count) {
  std::wstring result;
  for (size_t i = 0; i < count; ++i)
    result += unit;
  return result;
}

std::string Repeat(const std::string& unit, size_t count) {
  std::string result;
  for (size_t i = 0; i < count; ++i)
    result += unit;
  return result;
}

INSTANTIATE_TEST_SUITE_P(
    LongTexts, ShortenInstallerMessageTest,
    ::testing::Values(
        ShortenCase{"step_name", IPC_MESSAGE_STEP_STARTING, std::string(3000, 's'), L"", ""},
        ShortenCase{"finished_step", IPC_MESSAGE_STEP_FINISHED, std::string(2020, 'f'), L"", ""},
        // Three-byte characters whose cut would fall inside one.
        ShortenCase{"utf8_event", IPC_MESSAGE_IMPORTANT_EVENT, Repeat("\xE2\x82\xAC", 700), L"",
                    ""},
        ShortenCase{"long_detail", IPC_MESSAGE_ERROR, "", L"Disk full", std::string(4000, 'd')},
        // Surrogate pairs in the text, whose cut would fall inside one.
        ShortenCase{"long_wide_text", IPC_MESSAGE_ERROR, "", Repeat(L"\xD83D\xDE00", 1500),
                    "detail"}),
    [](const ::testing::TestParamInfo<ShortenCase>& info) { return info.param.name; });

TEST(IpcMessageTest, ShortenRefusesWhatIsNoInstallerMessage) {
  base::Pickle shortened;
  base::Pickle foreign;
  foreign.WriteString(":Installer message");  // The final colon is missing.
  foreign.WriteInt(IPC_MESSAGE_STEP_STARTING);
  foreign.WriteString(std::string(3000, 'x'));
  EXPECT_FALSE(ShortenInstallerMessage(foreign, kMaxInstallerMessageSize, &shortened));

  std::unique_ptr<base::Pickle> bare = MakeInstallerMessage(IPC_MESSAGE_SUCCESS);
  EXPECT_FALSE(ShortenInstallerMessage(*bare, 16, &shortened));  // Nothing to cut.
}

}  // namespace
}  // namespace velta
