// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/common/autoupdate/updatechecker/globalstorage_win.h"

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "base/command_line.h"
#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/process/launch.h"
#include "base/process/process.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/waitable_event.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/test/registry_sandbox.h"
#include "base/test/unique_names.h"
#include "base/threading/thread.h"
#include "base/values.h"
#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using Result = GlobalStorageResult;

constexpr char kKeySwitch[] = "gs-key";
constexpr char kMutexSwitch[] = "gs-mutex";
constexpr char kProfileSwitch[] = "gs-profile";
constexpr char kPrefixSwitch[] = "gs-prefix";
constexpr char kStartEventSwitch[] = "gs-start-event";
constexpr int kValuesPerWriter = 25;

// The text of the REG_SZ value `name` under `key`, up to its first zero, or
// nothing when absent. (RegSetValueExA, on Windows as under Wine, stores a
// terminating zero when the byte after the data is one, as it is after a
// std::string's data.)
std::optional<std::string> ReadRawValue(HKEY root, const std::wstring& key,
                                        const std::string& name) {
  HKEY raw = nullptr;
  if (::RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
    return std::nullopt;
  wchar_t data[256] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  DWORD type = 0;
  const LONG read = ::RegQueryValueExW(raw, base::UTF8ToWide(name).c_str(), nullptr, &type,
                                       reinterpret_cast<BYTE*>(data), &size);
  ::RegCloseKey(raw);
  if (read != ERROR_SUCCESS || type != REG_SZ)
    return std::nullopt;
  return base::WideToUTF8(data);
}

// Writes `text` as the autoupdate client may: `with_zero` or without.
void WriteClientValue(HKEY root, const std::wstring& key, const std::wstring& name,
                      const std::wstring& text, bool with_zero) {
  HKEY raw = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, ::RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                             nullptr, &raw, nullptr));
  // A copy with a non-zero character after the text, so that nothing past
  // the given size can be taken for a terminator.
  std::wstring padded = text + L"X";
  const DWORD size = static_cast<DWORD>((text.size() + (with_zero ? 1 : 0)) * sizeof(wchar_t));
  if (with_zero)
    padded[text.size()] = L'\0';
  EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExW(raw, name.c_str(), 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(padded.data()), size));
  ::RegCloseKey(raw);
}

// The string members of the file's "GS" object.
std::map<std::string, std::string> ReadFileValues(const base::FilePath& file) {
  std::map<std::string, std::string> values;
  std::string text;
  if (!base::ReadFileToString(file, &text))
    return values;
  std::optional<base::Value> root = base::JSONReader::Read(text);
  const base::Value* storage = root ? root->FindKey("GS") : nullptr;
  if (!storage || !storage->is_dict())
    return values;
  for (const auto& [key, value] : storage->DictItems()) {
    if (value.is_string())
      values[key] = value.GetString();
  }
  return values;
}

class GlobalStorageWinTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.is_valid());
    ASSERT_TRUE(profile_.CreateUniqueTempDir());
    location_.root = HKEY_CURRENT_USER;
    location_.key_path = sandbox_.Path(L"Company");
    location_.mutex_name = test::UniqueWideName("gs_mutex");
  }

  std::unique_ptr<GlobalStorageWin> MakeStorage(bool is_copy_only) {
    return std::make_unique<GlobalStorageWin>(is_copy_only, location_);
  }
  base::FilePath FallbackFile() const { return profile_.GetPath().Append(L"au_global_storage"); }
  std::optional<std::string> RegistryValue(const std::string& name) const {
    return ReadRawValue(location_.root, location_.key_path, name);
  }
  void WriteFallbackFile(const std::string& json) {
    ASSERT_TRUE(base::WriteFile(FallbackFile(), json.data(), static_cast<int>(json.size())));
  }

  test::RegistrySandbox sandbox_;
  base::ScopedTempDir profile_;
  GlobalStorageWin::Location location_;
};

TEST_F(GlobalStorageWinTest, RegistryValuesAreWrittenAndReadBack) {
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  EXPECT_FALSE(storage->uses_fallback());
  std::string value = "stale";
  // The company key does not exist yet: nothing is there, and that is no error.
  EXPECT_EQ(Result::kSuccess, storage->GetValue("UUID", &value));
  EXPECT_EQ("", value);
  ASSERT_EQ(Result::kSuccess, storage->SetValue("UUID", "0f3c-77"));
  EXPECT_EQ(std::optional<std::string>("0f3c-77"), RegistryValue("UUID"));
  EXPECT_EQ(Result::kSuccess, storage->GetValue("UUID", &value));
  EXPECT_EQ("0f3c-77", value);
  // No file was pointed at or made.
  EXPECT_FALSE(base::PathExists(FallbackFile()));
}

TEST_F(GlobalStorageWinTest, ClientValuesAreReadWithOrWithoutTheirTerminatingZero) {
  WriteClientValue(location_.root, location_.key_path, L"bare", L"no-zero", false);
  WriteClientValue(location_.root, location_.key_path, L"ended", L"zero", true);
  WriteClientValue(location_.root, location_.key_path, L"empty", L"", false);
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  std::string value;
  EXPECT_EQ(Result::kSuccess, storage->GetValue("bare", &value));
  EXPECT_EQ("no-zero", value);
  EXPECT_EQ(Result::kSuccess, storage->GetValue("ended", &value));
  EXPECT_EQ("zero", value);
  EXPECT_EQ(Result::kSuccess, storage->GetValue("empty", &value));
  EXPECT_EQ("", value);
}

TEST_F(GlobalStorageWinTest, EmptyValueDeletesAndAMissingKeyStillSucceeds) {
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  // Deleting from a company key that does not exist.
  EXPECT_EQ(Result::kSuccess, storage->SetValue("UUID", ""));
  ASSERT_EQ(Result::kSuccess, storage->SetValue("UUID", "abc"));
  ASSERT_EQ(Result::kSuccess, storage->SetValue("UUID", ""));
  EXPECT_EQ(std::nullopt, RegistryValue("UUID"));
  // Deleting a value that is already gone.
  EXPECT_EQ(Result::kSuccess, storage->SetValue("UUID", ""));
}

TEST_F(GlobalStorageWinTest, InvalidArgumentsAreRefusedBeforeTheMutex) {
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  std::string value = "stale";
  EXPECT_EQ(Result::kInvalidArgument, storage->SetValue("", "x"));
  EXPECT_EQ(Result::kInvalidArgument, storage->GetValue("", &value));
  EXPECT_EQ("", value);
  EXPECT_EQ(Result::kInvalidArgument, storage->GetValue("UUID", nullptr));
}

TEST_F(GlobalStorageWinTest, CopyOnlyNeverTouchesTheRegistryAndKeepsDottedKeysWhole) {
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(true);
  EXPECT_TRUE(storage->uses_fallback());
  storage->LoadFallback(profile_.GetPath());
  ASSERT_EQ(Result::kSuccess, storage->SetValue("UUID", "u-1"));
  ASSERT_EQ(Result::kSuccess, storage->SetValue("update.last_check", "13280000"));
  EXPECT_EQ(Result::kSuccess, storage->SetValue("update.gone", "x"));
  EXPECT_EQ(Result::kSuccess, storage->SetValue("update.gone", ""));

  EXPECT_EQ((std::map<std::string, std::string>{{"UUID", "u-1"},
                                                {"update.last_check", "13280000"}}),
            ReadFileValues(FallbackFile()));
  HKEY raw = nullptr;
  EXPECT_NE(ERROR_SUCCESS, ::RegOpenKeyExW(location_.root, location_.key_path.c_str(), 0,
                                           KEY_READ, &raw));

  // A new store object reads both back, the dotted one under its full name.
  std::unique_ptr<GlobalStorageWin> reader = MakeStorage(true);
  reader->LoadFallback(profile_.GetPath());
  std::string value;
  EXPECT_EQ(Result::kSuccess, reader->GetValue("update.last_check", &value));
  EXPECT_EQ("13280000", value);
  EXPECT_EQ(Result::kSuccess, reader->GetValue("UUID", &value));
  EXPECT_EQ("u-1", value);
  EXPECT_EQ(Result::kSuccess, reader->GetValue("update", &value));
  EXPECT_EQ("", value);
}

TEST_F(GlobalStorageWinTest, FallbackFileThatExistsIsWrittenBesideTheRegistry) {
  WriteFallbackFile(R"({"GS": {"old": "1"}, "other": true})");
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  storage->LoadFallback(profile_.GetPath());
  ASSERT_EQ(Result::kSuccess, storage->SetValue("UUID", "both"));
  EXPECT_EQ(std::optional<std::string>("both"), RegistryValue("UUID"));
  EXPECT_EQ((std::map<std::string, std::string>{{"UUID", "both"}, {"old", "1"}}),
            ReadFileValues(FallbackFile()));
}

TEST_F(GlobalStorageWinTest, AFallbackFileThatCannotBeWrittenIsAFailure) {
  // Not an object at the top: the store refuses to write over it.
  WriteFallbackFile("[1]");
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  storage->LoadFallback(profile_.GetPath());
  EXPECT_EQ(Result::kFailure, storage->SetValue("UUID", "both"));
  // The registry got it all the same, and the file is left as it was.
  EXPECT_EQ(std::optional<std::string>("both"), RegistryValue("UUID"));
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(FallbackFile(), &text));
  EXPECT_EQ("[1]", text);
}

TEST_F(GlobalStorageWinTest, LoadFallbackCopiesStringValuesIntoTheRegistryOnly) {
  const std::string json = R"({"GS": {"UUID": "from-file", "n": 5, "a.b": "dotted"}})";
  WriteFallbackFile(json);
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  storage->LoadFallback(profile_.GetPath());
  EXPECT_EQ(std::optional<std::string>("from-file"), RegistryValue("UUID"));
  EXPECT_EQ(std::optional<std::string>("dotted"), RegistryValue("a.b"));
  EXPECT_EQ(std::nullopt, RegistryValue("n"));
  // The file is left as it was.
  std::string text;
  ASSERT_TRUE(base::ReadFileToString(FallbackFile(), &text));
  EXPECT_EQ(json, text);
}

// Every string of the file reaches the registry with all its letters, in
// its name and its value, and reads back as the same UTF-8.
TEST_F(GlobalStorageWinTest, LoadFallbackCopiesNonAsciiStringsWhole) {
  const std::string city = "Z\xC3\xBCrich \xE6\x9D\xB1\xE4\xBA\xAC";
  const std::string name = "Ort-\xC3\xA9";
  WriteFallbackFile("{\"GS\": {\"" + name + "\": \"" + city + "\", \"UUID\": \"a\"}}");
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  storage->LoadFallback(profile_.GetPath());
  EXPECT_EQ(std::optional<std::string>(city), RegistryValue(name));
  EXPECT_EQ(std::optional<std::string>("a"), RegistryValue("UUID"));
  std::string value;
  EXPECT_EQ(Result::kSuccess, storage->GetValue(name, &value));
  EXPECT_EQ(city, value);
}

TEST_F(GlobalStorageWinTest, LoadFallbackDoesNotUndoARegistryWrite) {
  WriteFallbackFile(R"({"GS": {"UUID": "old"}})");
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  ASSERT_EQ(Result::kSuccess, storage->SetValue("UUID", "new"));
  storage->LoadFallback(profile_.GetPath());
  EXPECT_EQ(std::optional<std::string>("new"), RegistryValue("UUID"));
}

TEST_F(GlobalStorageWinTest, FallbackWithAStorageThatIsNotAnObjectFailsReads) {
  WriteFallbackFile(R"({"GS": ["UUID"]})");
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(true);
  storage->LoadFallback(profile_.GetPath());
  std::string value;
  EXPECT_EQ(Result::kFailure, storage->GetValue("UUID", &value));
  // A write replaces the broken member with an object.
  ASSERT_EQ(Result::kSuccess, storage->SetValue("UUID", "fixed"));
  EXPECT_EQ(Result::kSuccess, storage->GetValue("UUID", &value));
  EXPECT_EQ("fixed", value);
}

TEST_F(GlobalStorageWinTest, BothOperationsAnswerBusyWhileAnotherHolderHasTheMutex) {
  base::WaitableEvent held;
  base::WaitableEvent release;
  base::Thread holder("MutexHolder");
  ASSERT_TRUE(holder.Start());
  const std::wstring name = location_.mutex_name;
  holder.task_runner()->PostTask(FROM_HERE, base::BindOnce(
                                                [](const std::wstring& name,
                                                   base::WaitableEvent* held,
                                                   base::WaitableEvent* release) {
                                                  base::win::ScopedHandle mutex(
                                                      ::CreateMutexW(nullptr, TRUE, name.c_str()));
                                                  held->Signal();
                                                  release->Wait();
                                                  ::ReleaseMutex(mutex.Get());
                                                },
                                                name, &held, &release));
  held.Wait();
  std::unique_ptr<GlobalStorageWin> storage = MakeStorage(false);
  std::string value;
  EXPECT_EQ(Result::kBusy, storage->SetValue("UUID", "x"));
  EXPECT_EQ(Result::kBusy, storage->GetValue("UUID", &value));
  release.Signal();
  holder.Stop();
  EXPECT_EQ(Result::kSuccess, storage->SetValue("UUID", "x"));
  EXPECT_EQ(std::optional<std::string>("x"), RegistryValue("UUID"));
}

// Writes kValuesPerWriter values "<prefix><n>" = "<n>" into the store the
// switches name, asking again while the other writer holds the mutex.
VELTA_TEST_CHILD_MAIN(GlobalStorageWriter) {
  const base::CommandLine& command_line = *base::CommandLine::ForCurrentProcess();
  GlobalStorageWin::Location location;
  location.root = HKEY_CURRENT_USER;
  location.key_path = command_line.GetSwitchValueNative(kKeySwitch);
  location.mutex_name = command_line.GetSwitchValueNative(kMutexSwitch);
  const std::string prefix = command_line.GetSwitchValueASCII(kPrefixSwitch);
  base::win::ScopedHandle start(::OpenEventW(
      SYNCHRONIZE, FALSE, command_line.GetSwitchValueNative(kStartEventSwitch).c_str()));
  if (!start.IsValid() || ::WaitForSingleObject(start.Get(), 30000) != WAIT_OBJECT_0)
    return 2;
  GlobalStorageWin storage(false, location);
  storage.LoadFallback(command_line.GetSwitchValuePath(kProfileSwitch));
  for (int n = 0; n < kValuesPerWriter; ++n) {
    Result result;
    int attempts = 0;
    do {
      result = storage.SetValue(prefix + base::NumberToString(n), base::NumberToString(n));
      if (result == Result::kBusy)
        ::Sleep(1);
    } while (result == Result::kBusy && ++attempts < 100000);
    if (result != Result::kSuccess)
      return 3;
  }
  return 0;
}

TEST_F(GlobalStorageWinTest, TwoProcessesWritingAtOnceLoseNoValue) {
  // The file exists, so every write goes to the registry and to the file.
  WriteFallbackFile(R"({"GS": {}})");
  const std::wstring start_name = test::UniqueWideName("gs_start");
  base::win::ScopedHandle start(::CreateEventW(nullptr, TRUE, FALSE, start_name.c_str()));
  ASSERT_TRUE(start.IsValid());
  base::Process writers[2];
  const char* prefixes[2] = {"a", "b"};
  for (int i = 0; i < 2; ++i) {
    base::CommandLine command_line = test::MakeChildCommandLine("GlobalStorageWriter");
    command_line.AppendSwitchNative(kKeySwitch, location_.key_path);
    command_line.AppendSwitchNative(kMutexSwitch, location_.mutex_name);
    command_line.AppendSwitchPath(kProfileSwitch, profile_.GetPath());
    command_line.AppendSwitchASCII(kPrefixSwitch, prefixes[i]);
    command_line.AppendSwitchNative(kStartEventSwitch, start_name);
    writers[i] = base::LaunchProcess(command_line, base::LaunchOptions());
    ASSERT_TRUE(writers[i].IsValid());
  }
  ASSERT_TRUE(::SetEvent(start.Get()));
  for (base::Process& writer : writers) {
    uint32_t exit_code = 1;
    ASSERT_TRUE(test::WaitForChildExit(writer, base::TimeDelta::FromSeconds(120), &exit_code));
    EXPECT_EQ(0u, exit_code);
  }
  const std::map<std::string, std::string> in_file = ReadFileValues(FallbackFile());
  EXPECT_EQ(2u * kValuesPerWriter, in_file.size());
  for (const char* prefix : prefixes) {
    for (int n = 0; n < kValuesPerWriter; ++n) {
      const std::string key = prefix + base::NumberToString(n);
      EXPECT_EQ(std::optional<std::string>(base::NumberToString(n)), RegistryValue(key)) << key;
      auto it = in_file.find(key);
      EXPECT_TRUE(it != in_file.end() && it->second == base::NumberToString(n)) << key;
    }
  }
}

}  // namespace
}  // namespace velta
