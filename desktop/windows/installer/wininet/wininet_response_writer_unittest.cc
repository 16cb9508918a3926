// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/wininet/wininet_response_writer.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "base/bind.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/hash/secure_hash.h"
#include "base/hash/sha2.h"
#include "base/synchronization/waitable_event.h"
#include "base/test/scoped_failing_hash.h"
#include "base/threading/platform_thread.h"
#include "base/threading/thread.h"
#include "base/time/time.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

const uint8_t kBytes[] = {'a', 'b', 'c', 'd'};

class WininetResponseWriterTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.CreateUniqueTempDir());
    path_ = folder_.GetPath().Append(L"velta_package");
  }
  std::string Content() {
    std::string content;
    base::ReadFileToString(path_, &content);
    return content;
  }
  base::ScopedTempDir folder_;
  base::FilePath path_;
};

TEST_F(WininetResponseWriterTest, TruncatesWritesAndStartsAgain) {
  ASSERT_TRUE(base::WriteFile(path_, "older and longer content"));
  WininetResponseWriter writer;
  ASSERT_TRUE(writer.Open(path_));
  ASSERT_TRUE(writer.Write(kBytes, 4));
  ASSERT_TRUE(writer.Restart());
  ASSERT_TRUE(writer.Write(kBytes + 2, 2));
  writer.Close();
  writer.Close();
  EXPECT_EQ("cd", Content());
  EXPECT_FALSE(writer.Write(kBytes, 1)) << "a closed writer takes nothing";
  EXPECT_NE(0u, writer.last_error());
}

TEST_F(WininetResponseWriterTest, OpenFailsOnAFileHeldWithoutSharing) {
  HANDLE held = ::CreateFileW(path_.value().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, held);
  WininetResponseWriter writer;
  EXPECT_FALSE(writer.Open(path_));
  ::CloseHandle(held);
  EXPECT_FALSE(writer.Open(folder_.GetPath().Append(L"missing\\file")));
}

// SHA-256 that hashes nothing until `go` is signalled: a hashing thread
// that has fallen behind.
class HeldBackHash : public base::SecureHash {
 public:
  explicit HeldBackHash(base::WaitableEvent* go)
      : go_(go), hash_(base::SecureHash::Create(base::SecureHash::SHA256)) {}

  bool Update(const void* input, size_t len) override {
    go_->Wait();
    return hash_->Update(input, len);
  }
  bool Finish(void* output, size_t len) override { return hash_->Finish(output, len); }
  std::unique_ptr<base::SecureHash> Clone() const override { return hash_->Clone(); }
  size_t GetHashLength() const override { return hash_->GetHashLength(); }

 private:
  base::WaitableEvent* const go_;
  std::unique_ptr<base::SecureHash> hash_;
};

TEST_F(WininetResponseWriterTest, WritesWaitWhileTheHashingIsTooFarBehind) {
  constexpr int kPieces = 40;
  constexpr size_t kBehind = 4;
  base::WaitableEvent go;
  WininetResponseWriter writer({
      .max_pieces_behind = kBehind,
      .make_hash = base::BindRepeating(
          [](base::WaitableEvent* go) -> std::unique_ptr<base::SecureHash> {
            return std::make_unique<HeldBackHash>(go);
          },
          &go),
  });
  ASSERT_TRUE(writer.Open(path_));
  auto digest = std::make_shared<WrittenFileDigest>();
  writer.HashInto(digest);

  const std::string piece(64 * 1024, 'p');
  std::atomic<int> written{0};
  base::Thread writes("writes");
  ASSERT_TRUE(writes.Start());
  writes.task_runner()->PostTask(
      FROM_HERE, base::BindOnce(
                     [](WininetResponseWriter* writer, const std::string* piece,
                        std::atomic<int>* written) {
                       for (int i = 0; i < kPieces; ++i) {
                         EXPECT_TRUE(writer->Write(
                             reinterpret_cast<const uint8_t*>(piece->data()), piece->size()));
                         ++*written;
                       }
                     },
                     &writer, &piece, &written));

  // The hashing holds the first piece: the writes may run ahead by the
  // queue's bound and then wait, however long the hashing takes.
  for (int i = 0; i < 100 && written < static_cast<int>(kBehind); ++i)
    base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(10));
  base::PlatformThread::Sleep(base::TimeDelta::FromMilliseconds(200));
  EXPECT_EQ(static_cast<int>(kBehind), written.load()) << "the hashing queue grew past its bound";

  go.Signal();
  writes.Stop();
  EXPECT_EQ(kPieces, written.load());
  writer.Close();
  ASSERT_TRUE(digest->complete());
  EXPECT_EQ(static_cast<int64_t>(kPieces * piece.size()), digest->length());
  digest->Release();
  std::string content = Content();
  ASSERT_EQ(kPieces * piece.size(), content.size());
  auto expected = base::SecureHash::Create(base::SecureHash::SHA256);
  expected->Update(content.data(), content.size());
  uint8_t sha256[base::kSHA256Length];
  expected->Finish(sha256, sizeof(sha256));
  EXPECT_EQ(0, memcmp(sha256, digest->sha256().data(), sizeof(sha256)));
}

// The digest taken while writing is complete, and the file's, unless the
// hash provider failed: then it stays incomplete, and the caller hashes the
// file again.
TEST_F(WininetResponseWriterTest, DigestIsCompleteOnlyWhenTheProviderWorked) {
  for (const bool is_failing : {false, true}) {
    SCOPED_TRACE(is_failing);
    for (const auto step : {base::test::ScopedFailingHash::Step::kCreate,
                            base::test::ScopedFailingHash::Step::kUpdate,
                            base::test::ScopedFailingHash::Step::kFinish}) {
      std::unique_ptr<base::test::ScopedFailingHash> failing;
      if (is_failing)
        failing = std::make_unique<base::test::ScopedFailingHash>(step);
      auto digest = std::make_shared<WrittenFileDigest>();
      {
        WininetResponseWriter writer;
        ASSERT_TRUE(writer.Open(path_));
        writer.HashInto(digest);
        ASSERT_TRUE(writer.Write(kBytes, 4));
        writer.Close();
      }
      EXPECT_EQ(!is_failing, digest->complete());
      if (!is_failing) {
        EXPECT_EQ(base::SHA256HashString("abcd"),
                  std::string(digest->sha256().begin(), digest->sha256().end()));
      }
      digest->Release();
      EXPECT_EQ("abcd", Content());
    }
  }
}

TEST(StringResponseWriterTest, EmptiesItsTargetAndAppends) {
  std::string target = "an older reply";
  StringResponseWriter writer(&target);
  EXPECT_EQ("", target);
  EXPECT_TRUE(writer.Write(kBytes, 2));
  EXPECT_TRUE(writer.Write(kBytes + 2, 2));
  EXPECT_EQ("abcd", target);
  EXPECT_TRUE(writer.Restart());
  EXPECT_EQ("", target);
}

}  // namespace
}  // namespace velta
