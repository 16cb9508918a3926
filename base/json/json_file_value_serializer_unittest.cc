// Copyright 2026 Velta Software. All rights reserved.

#include "base/json/json_file_value_serializer.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "base/json/json_reader.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class JSONFileValueSerializerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_NE(0u, ::GetTempPathW(MAX_PATH, temp));
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = FilePath(temp).Append(L"velta_json_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                                 std::wstring(info->name(), info->name() + strlen(info->name())));
    ASSERT_TRUE(::CreateDirectoryW(dir_.value().c_str(), nullptr)) << ::GetLastError();
  }

  void TearDown() override {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(dir_.Append(L"*").value().c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
      do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
          ::DeleteFileW(dir_.Append(data.cFileName).value().c_str());
        else if (data.cFileName[0] != L'.')
          ::RemoveDirectoryW(dir_.Append(data.cFileName).value().c_str());
      } while (::FindNextFileW(find, &data));
      ::FindClose(find);
    }
    EXPECT_TRUE(::RemoveDirectoryW(dir_.value().c_str())) << ::GetLastError();
  }

  void WriteBytes(const FilePath& path, const std::string& bytes) {
    HANDLE file = ::CreateFileW(path.value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                              nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ::CloseHandle(file);
  }

  std::string ReadBytes(const FilePath& path) {
    std::string bytes;
    HANDLE file = ::CreateFileW(path.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return "<missing>";
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0)
      bytes.append(buffer, read);
    ::CloseHandle(file);
    return bytes;
  }

  // Deserializes `path`, expecting failure; returns the code, message in `*message`.
  int ExpectFailure(const FilePath& path, std::string* message) {
    JSONFileValueDeserializer deserializer(path);
    int code = -1;
    EXPECT_EQ(nullptr, deserializer.Deserialize(&code, message));
    return code;
  }

  FilePath dir_;
};

TEST_F(JSONFileValueSerializerTest, RoundTripWritesPrettyTextAndReplacesTheFile) {
  const FilePath path = dir_.Append(L"installer_prefs.json");
  WriteBytes(path, std::string(1000, ' ') + "{\"old\":true}");
  Value prefs(Value::Type::DICTIONARY);
  prefs.SetStringKey("welcome-url", "https://example.com/\xC3\xA9");
  prefs.SetIntKey("au_task_error_count", 2);
  prefs.SetPath("installer-experiments", Value(Value::Type::LIST));
  ASSERT_TRUE(JSONFileValueSerializer(path).Serialize(prefs));
  EXPECT_EQ(
      "{\n"
      "   \"au_task_error_count\": 2,\n"
      "   \"installer-experiments\": [  ],\n"
      "   \"welcome-url\": \"https://example.com/\xC3\xA9\"\n"
      "}\n",
      ReadBytes(path));

  JSONFileValueDeserializer deserializer(path);
  int code = -1;
  std::string message = "unchanged";
  std::unique_ptr<Value> back = deserializer.Deserialize(&code, &message);
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(JSONFileValueDeserializer::JSON_NO_ERROR, code);
  EXPECT_EQ(prefs, *back);
  EXPECT_EQ(ReadBytes(path).size(), deserializer.get_last_read_size());
  EXPECT_NE(nullptr, deserializer.Deserialize(nullptr, nullptr));
}

TEST_F(JSONFileValueSerializerTest, UnwritableValueLeavesTheFileAlone) {
  const FilePath path = dir_.Append(L"status.json");
  WriteBytes(path, "{}");
  Value root(Value::Type::DICTIONARY);
  root.SetKey("blob", Value(Value::BlobStorage{1, 2}));
  root.SetIntKey("n", 1);
  EXPECT_FALSE(JSONFileValueSerializer(path).Serialize(root));
  EXPECT_EQ("{}", ReadBytes(path));
  ASSERT_TRUE(JSONFileValueSerializer(path).SerializeAndOmitBinaryValues(root));
  EXPECT_EQ("{\n   \"n\": 1\n}\n", ReadBytes(path));
}

TEST_F(JSONFileValueSerializerTest, WriteIntoMissingFolderFails) {
  EXPECT_FALSE(JSONFileValueSerializer(dir_.Append(L"absent\\prefs.json")).Serialize(Value(1)));
}

TEST_F(JSONFileValueSerializerTest, MissingFileIsNoSuchFile) {
  std::string message;
  EXPECT_EQ(JSONFileValueDeserializer::JSON_NO_SUCH_FILE,
            ExpectFailure(dir_.Append(L"absent.json"), &message));
  EXPECT_EQ("File doesn't exist.", message);
  EXPECT_EQ(JSONFileValueDeserializer::JSON_NO_SUCH_FILE,
            ExpectFailure(dir_.Append(L"absent\\absent.json"), &message));
}

TEST_F(JSONFileValueSerializerTest, FileOpenedExclusivelyIsLocked) {
  const FilePath path = dir_.Append(L"Local State");
  WriteBytes(path, "{}");
  HANDLE exclusive =
      ::CreateFileW(path.value().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, exclusive);
  std::string message;
  EXPECT_EQ(JSONFileValueDeserializer::JSON_FILE_LOCKED, ExpectFailure(path, &message));
  EXPECT_EQ("File locked.", message);
  ::CloseHandle(exclusive);
}

TEST_F(JSONFileValueSerializerTest, FolderIsAccessDenied) {
  const FilePath path = dir_.Append(L"folder.json");
  ASSERT_TRUE(::CreateDirectoryW(path.value().c_str(), nullptr));
  std::string message;
  EXPECT_EQ(JSONFileValueDeserializer::JSON_ACCESS_DENIED, ExpectFailure(path, &message));
  EXPECT_EQ("Access denied.", message);
}

TEST_F(JSONFileValueSerializerTest, UnparsableFilesGiveTheReaderError) {
  const struct {
    const char* bytes;
    int code;
  } kCases[] = {
      {"", JSONReader::JSON_SYNTAX_ERROR},
      {"{\"a\":1", JSONReader::JSON_SYNTAX_ERROR},
      {"{\"a\":1,}", JSONReader::JSON_SYNTAX_ERROR},
      {"{} {}", JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT},
      {"[\"\xFF\"]", JSONReader::JSON_UNSUPPORTED_ENCODING},
  };
  const FilePath path = dir_.Append(L"bad.json");
  for (const auto& c : kCases) {
    WriteBytes(path, c.bytes);
    std::string message;
    const int code = ExpectFailure(path, &message);
    EXPECT_EQ(c.code, code) << c.bytes;
    EXPECT_LT(code, JSONFileValueDeserializer::JSON_ACCESS_DENIED);
    EXPECT_EQ(0u, message.rfind("Line: 1, column: ", 0)) << message;
  }
}

TEST_F(JSONFileValueSerializerTest, OptionsReachTheReaderAndBomIsSkipped) {
  const FilePath path = dir_.Append(L"relaxed.json");
  WriteBytes(path, "\xEF\xBB\xBF{\"a\":[1,],}");
  JSONFileValueDeserializer deserializer(path, JSON_ALLOW_TRAILING_COMMAS);
  std::unique_ptr<Value> value = deserializer.Deserialize(nullptr, nullptr);
  ASSERT_NE(nullptr, value);
  EXPECT_EQ(1u, value->FindListKey("a")->GetList().size());
}

}  // namespace
}  // namespace base
