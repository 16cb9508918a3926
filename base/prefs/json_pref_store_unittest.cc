// Copyright 2026 Velta Software. All rights reserved.

#include "base/prefs/json_pref_store.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "base/synchronization/waitable_event.h"
#include "base/test/run_loop_with_timeout.h"
#include "base/threading/thread.h"
#include "base/time/time.h"
#include "base/values.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::UnorderedElementsAre;
using ::testing::UnorderedElementsAreArray;

constexpr TimeDelta kStoreTestTimeout = TimeDelta::FromSeconds(20);

std::unique_ptr<Value> IntValue(int value) {
  return std::make_unique<Value>(value);
}

class JsonPrefStoreTest : public ::testing::Test {
 protected:
  ~JsonPrefStoreTest() override { gate_.Signal(); }

  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    path_ = temp_dir_.GetPath().Append(L"prefs.json");
    ASSERT_TRUE(writer_.Start());
  }

  scoped_refptr<JsonPrefStore> OpenStore() {
    auto store = MakeRefCounted<JsonPrefStore>(path_, writer_.task_runner());
    store->ReadPrefs();
    return store;
  }

  // Waits until the writer thread ran everything posted to it so far.
  void FlushWriter() {
    WaitableEvent done;
    writer_.task_runner()->PostTask(FROM_HERE, BindOnce(&WaitableEvent::Signal, Unretained(&done)));
    ASSERT_TRUE(done.TimedWait(kStoreTestTimeout));
  }

  // Holds the writer thread until gate_ is signalled (at the latest when the
  // test ends).
  void BlockWriter() {
    writer_.task_runner()->PostTask(
        FROM_HERE, BindOnce([](WaitableEvent* gate) { gate->TimedWait(kStoreTestTimeout); },
                            Unretained(&gate_)));
  }

  std::string ReadText(const FilePath& path) const {
    std::string contents;
    EXPECT_TRUE(ReadFileToString(path, &contents)) << path;
    return contents;
  }

  std::vector<std::wstring> NamesInFolder() const {
    std::vector<std::wstring> names;
    FileEnumerator files(temp_dir_.GetPath(), false, FileEnumerator::FILES);
    for (FilePath path = files.Next(); !path.empty(); path = files.Next())
      names.push_back(path.BaseName().value());
    return names;
  }

  ScopedTempDir temp_dir_;
  FilePath path_;
  WaitableEvent gate_;
  Thread writer_{"pref writer"};
};

struct ReadCase {
  const char* name;
  const char* contents;  // Null: no file.
  bool locked;           // Held open without sharing while read.
  bool bad_copy_exists;
  PersistentPrefStore::PrefReadError error;
  bool read_only;
  // The folder afterwards; the first name holds the bytes read.
  std::vector<std::wstring> names;
};

class JsonPrefStoreReadTest : public JsonPrefStoreTest,
                              public ::testing::WithParamInterface<ReadCase> {};

// A file that is there but unreadable as a dictionary keeps its bytes: moved
// aside whole, or left in place with a store that never writes over it.
TEST_P(JsonPrefStoreReadTest, EveryFileStateGivesItsErrorAndKeepsTheBytes) {
  const ReadCase& test = GetParam();
  if (test.contents) {
    ASSERT_TRUE(WriteFile(path_, std::string_view(test.contents)));
  }
  if (test.bad_copy_exists) {
    ASSERT_TRUE(WriteFile(temp_dir_.GetPath().Append(L"prefs.bad"), std::string_view("older")));
  }
  HANDLE locked = test.locked ? ::CreateFileW(path_.value().c_str(), GENERIC_READ, 0, nullptr,
                                              OPEN_EXISTING, 0, nullptr)
                              : nullptr;
  scoped_refptr<JsonPrefStore> store = OpenStore();
  if (locked)
    ::CloseHandle(locked);
  EXPECT_EQ(test.error, store->GetReadError());
  EXPECT_EQ(test.read_only, store->ReadOnly());
  EXPECT_EQ(test.error == PersistentPrefStore::PREF_READ_ERROR_NONE,
            store->GetValue("a.b", nullptr));
  EXPECT_THAT(NamesInFolder(), UnorderedElementsAreArray(test.names));
  if (test.contents) {
    EXPECT_EQ(test.contents, ReadText(temp_dir_.GetPath().Append(test.names[0])));
  }

  store->SetValue("a.b", IntValue(2), PersistentPrefStore::DEFAULT_PREF_WRITE_FLAGS);
  store = nullptr;
  FlushWriter();
  std::string on_disk;
  ReadFileToString(path_, &on_disk);
  EXPECT_EQ(test.read_only ? test.contents : "{\"a\":{\"b\":2}}", on_disk);
}

constexpr auto kNone = PersistentPrefStore::PREF_READ_ERROR_NONE;
constexpr auto kParse = PersistentPrefStore::PREF_READ_ERROR_JSON_PARSE;

// clang-format off
INSTANTIATE_TEST_SUITE_P(AllStates, JsonPrefStoreReadTest, ::testing::Values(
    ReadCase{"Dictionary", "{\"a\": {\"b\": 1},}", false, false, kNone, false, {L"prefs.json"}},
    ReadCase{"CutShort", "{\"a\": {\"b\": 1", false, false, kParse, false, {L"prefs.bad"}},
    ReadCase{"NotJson", "prefs", false, false, kParse, false, {L"prefs.bad"}},
    ReadCase{"DamagedAgain", "", false, true, PersistentPrefStore::PREF_READ_ERROR_JSON_REPEAT,
             false, {L"prefs.bad"}},
    ReadCase{"List", "[1, 2]", false, false, PersistentPrefStore::PREF_READ_ERROR_JSON_TYPE, true,
             {L"prefs.json"}},
    ReadCase{"Locked", "{}", true, false, PersistentPrefStore::PREF_READ_ERROR_FILE_LOCKED, true,
             {L"prefs.json"}},
    ReadCase{"Missing", nullptr, false, false, PersistentPrefStore::PREF_READ_ERROR_NO_FILE, false,
             {}}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });
// clang-format on

// The writes of a store queued behind others are read back by the next store
// of the file, so changes made one store after another add up.
TEST_F(JsonPrefStoreTest, StoreOpenedBehindQueuedWriteReadsItsContents) {
  ASSERT_TRUE(WriteFile(path_, std::string_view("{\"old\": 1}")));
  BlockWriter();
  scoped_refptr<JsonPrefStore> first = OpenStore();
  first->SetValue("first", IntValue(1), 0);
  first = nullptr;  // Commits; the write waits behind the gate.
  EXPECT_EQ("{\"old\": 1}", ReadText(path_));

  // Spelled in other letter case, it is the same file.
  path_ = temp_dir_.GetPath().Append(L"PREFS.JSON");
  scoped_refptr<JsonPrefStore> second = OpenStore();
  EXPECT_EQ(PersistentPrefStore::PREF_READ_ERROR_NONE, second->GetReadError());
  const Value* value = nullptr;
  ASSERT_TRUE(second->GetValue("first", &value));
  EXPECT_EQ(1, value->GetInt());
  second->SetValue("second", IntValue(2), 0);
  second = nullptr;

  gate_.Signal();
  FlushWriter();
  EXPECT_EQ("{\"first\":1,\"old\":1,\"second\":2}", ReadText(path_));
  // Once written, the file itself is read again.
  ASSERT_TRUE(WriteFile(path_, std::string_view("{\"edited\": 3}")));
  EXPECT_TRUE(OpenStore()->GetValue("edited", nullptr));
}

TEST_F(JsonPrefStoreTest, FailedRenameKeepsPreviousFileWholeAndReportsFailure) {
  ASSERT_TRUE(WriteFile(path_, std::string_view("{\"a\": 1}")));
  scoped_refptr<JsonPrefStore> store = OpenStore();
  std::vector<bool> results;
  auto change = [&](const char* key, int value) {
    store->RegisterOnNextWriteSynchronousCallbacks(
        {OnceClosure(),
         BindOnce([](std::vector<bool>* out, bool ok) { out->push_back(ok); }, &results)});
    store->SetValue(key, IntValue(value), 0);
    store->CommitPendingWrite();
    FlushWriter();
  };
  // A reader without delete sharing makes the final rename fail.
  HANDLE reader = ::CreateFileW(path_.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  change("a", 2);
  ::CloseHandle(reader);
  EXPECT_EQ("{\"a\": 1}", ReadText(path_));
  EXPECT_THAT(NamesInFolder(), UnorderedElementsAre(L"prefs.json"));
  change("b", 3);
  EXPECT_THAT(results, ::testing::ElementsAre(false, true));
  EXPECT_EQ("{\"a\":2,\"b\":3}", ReadText(path_));
}

// On a sequence with a runner, the changes of one task are written after it
// without an explicit commit; the reply of a commit comes back to the caller.
TEST_F(JsonPrefStoreTest, ChangesOfOneTaskAreWrittenAfterIt) {
  MessageLoop loop;
  scoped_refptr<JsonPrefStore> store = OpenStore();
  store->SetValue("a", IntValue(1), 0);
  store->SetValue("b", IntValue(2), 0);
  RunLoop().RunUntilIdle();
  FlushWriter();
  EXPECT_EQ("{\"a\":1,\"b\":2}", ReadText(path_));

  RunLoop run_loop;
  store->SetValue("a", IntValue(5), 0);
  store->CommitPendingWrite(run_loop.QuitClosure());
  ASSERT_TRUE(test::RunWithTimeout(&run_loop));
  EXPECT_EQ("{\"a\":5,\"b\":2}", ReadText(path_));
}

}  // namespace
}  // namespace base
