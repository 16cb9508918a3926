// Copyright 2026 Velta Software. All rights reserved.

#include "base/hash/secure_hash.h"

#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/hash/sha1.h"
#include "base/hash/sha2.h"
#include "base/test/scoped_failing_hash.h"
#include "gtest/gtest.h"

namespace base {
namespace {

std::string Hex(const void* data, size_t size) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (size_t i = 0; i < size; ++i) {
    const unsigned char byte = static_cast<const unsigned char*>(data)[i];
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0xF]);
  }
  return hex;
}

std::string Hex(const std::string& bytes) {
  return Hex(bytes.data(), bytes.size());
}

std::string Digest(SecureHash::Algorithm type, const std::string& input) {
  std::unique_ptr<SecureHash> hash = SecureHash::Create(type);
  hash->Update(input.data(), input.size());
  std::string digest(hash->GetHashLength(), '\0');
  hash->Finish(digest.data(), digest.size());
  return Hex(digest);
}

struct Vector {
  std::string input;
  const char* sha1;
  const char* sha256;
};

// FIPS 180 test vectors.
std::vector<Vector> KnownVectors() {
  return {
      {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709",
       "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d",
       "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "84983e441c3bd26ebaae4aa1f95129e5e54670f1",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f",
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
}

TEST(SecureHashTest, KnownVectors) {
  for (const Vector& v : KnownVectors()) {
    EXPECT_EQ(v.sha1, Digest(SecureHash::SHA1, v.input)) << v.input.size();
    EXPECT_EQ(v.sha256, Digest(SecureHash::SHA256, v.input)) << v.input.size();
    EXPECT_EQ(v.sha1, Hex(SHA1HashString(v.input)));
    EXPECT_EQ(v.sha256, Hex(SHA256HashString(v.input)));
    unsigned char sha1[kSHA1Length];
    SHA1HashBytes(reinterpret_cast<const unsigned char*>(v.input.data()), v.input.size(), sha1);
    EXPECT_EQ(v.sha1, Hex(sha1, sizeof(sha1)));
    const auto sha256 = SHA256Hash(
        std::span(reinterpret_cast<const uint8_t*>(v.input.data()), v.input.size()));
    ASSERT_TRUE(sha256.has_value());
    EXPECT_EQ(v.sha256, Hex(sha256->data(), sha256->size()));
  }
}

TEST(SecureHashTest, OddChunksGiveTheOneShotDigest) {
  // 1 MiB of varied bytes, fed in chunk sizes that straddle the 64-byte block.
  std::string buffer(1 << 20, '\0');
  for (size_t i = 0; i < buffer.size(); ++i)
    buffer[i] = static_cast<char>((i * 131 + (i >> 9)) & 0xFF);
  const size_t kChunks[] = {1, 3, 63, 64, 65, 127, 4097, 65537};
  // Digests of the buffer computed independently of CNG.
  const struct {
    SecureHash::Algorithm type;
    const char* digest;
  } kExpected[] = {
      {SecureHash::SHA1, "d02bbcfbf6f5b486d2b9d559a9b0d3dd12310779"},
      {SecureHash::SHA256, "2a6b4854585f2c8a34645587463ad01f38d5d372fe0e58ef20978eb3d992712b"},
  };
  for (const auto& [type, expected] : kExpected) {
    EXPECT_EQ(expected, Digest(type, buffer));
    std::unique_ptr<SecureHash> hash = SecureHash::Create(type);
    size_t offset = 0;
    for (size_t turn = 0; offset < buffer.size(); ++turn) {
      const size_t chunk = std::min(kChunks[turn % std::size(kChunks)], buffer.size() - offset);
      hash->Update(buffer.data() + offset, chunk);
      hash->Update(buffer.data(), 0);  // empty updates change nothing
      offset += chunk;
    }
    std::string digest(hash->GetHashLength(), '\0');
    hash->Finish(digest.data(), digest.size());
    EXPECT_EQ(expected, Hex(digest)) << type;
  }
}

TEST(SecureHashTest, CloneContinuesIndependently) {
  std::unique_ptr<SecureHash> hash = SecureHash::Create(SecureHash::SHA256);
  hash->Update("ab", 2);
  std::unique_ptr<SecureHash> clone = hash->Clone();
  hash->Update("c", 1);
  clone->Update("d", 1);
  std::string first(32, '\0'), second(32, '\0');
  hash->Finish(first.data(), first.size());
  clone->Finish(second.data(), second.size());
  EXPECT_EQ(Digest(SecureHash::SHA256, "abc"), Hex(first));
  EXPECT_EQ(Digest(SecureHash::SHA256, "abd"), Hex(second));
}

TEST(SecureHashTest, FinishWritesAtMostTheRequestedLength) {
  std::string output(40, 'x');
  SHA256HashString("abc", output.data(), 4);
  EXPECT_EQ("ba7816bf" + Hex(std::string(36, 'x')), Hex(output));
  std::unique_ptr<SecureHash> hash = SecureHash::Create(SecureHash::SHA1);
  EXPECT_EQ(20u, hash->GetHashLength());
  hash->Finish(output.data(), output.size());  // a longer buffer gets 20 bytes
  EXPECT_EQ("da39a3ee5e6b4b0d3255bfef95601890afd80709" + Hex(std::string(20, 'x')), Hex(output));
}

// Sizes around the 64 KiB read block, and several blocks with a remainder.
TEST(HashFileContentsTest, DigestsTheWholeFile) {
  ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const FilePath path = dir.GetPath().Append(L"data.bin");
  for (const size_t size : {0, 1, 65535, 65536, 65537, 300000}) {
    std::string content(size, '\0');
    for (size_t i = 0; i < size; ++i)
      content[i] = static_cast<char>((i * 131 + (i >> 9)) & 0xFF);
    ASSERT_TRUE(WriteFile(path, content));
    for (const SecureHash::Algorithm type : {SecureHash::SHA1, SecureHash::SHA256}) {
      std::string output(40, 'x');
      ASSERT_TRUE(HashFileContents(type, path, output.data(), output.size())) << size;
      const size_t length = type == SecureHash::SHA1 ? 20 : 32;
      EXPECT_EQ(Digest(type, content) + Hex(std::string(40 - length, 'x')), Hex(output)) << size;
    }
  }
}

TEST(HashFileContentsTest, FileThatCannotBeReadLeavesTheOutputAlone) {
  ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  for (const FilePath& path : {dir.GetPath().Append(L"absent.bin"), dir.GetPath()}) {
    std::string output(20, 'x');
    EXPECT_FALSE(HashFileContents(SecureHash::SHA1, path, output.data(), output.size()))
        << path.AsUTF8Unsafe();
    EXPECT_EQ(std::string(20, 'x'), output);
  }
}

// A finished hash is spent: more data, a second Finish or a copy are
// refused, not fatal.
TEST(SecureHashTest, ASpentHashRefusesMore) {
  for (const SecureHash::Algorithm type : {SecureHash::SHA1, SecureHash::SHA256}) {
    std::unique_ptr<SecureHash> hash = SecureHash::Create(type);
    ASSERT_TRUE(hash);
    ASSERT_TRUE(hash->Update("abc", 3));
    std::string digest(hash->GetHashLength(), '\0');
    ASSERT_TRUE(hash->Finish(digest.data(), digest.size()));
    std::string again(digest.size(), 'x');
    EXPECT_FALSE(hash->Update("d", 1));
    EXPECT_FALSE(hash->Finish(again.data(), again.size()));
    EXPECT_EQ(std::string(digest.size(), 'x'), again);
    EXPECT_EQ(nullptr, hash->Clone());
  }
}

// RFC 4231 test case 2.
TEST(SecureHashTest, HmacSha256KnownVector) {
  std::unique_ptr<SecureHash> hmac = SecureHash::CreateHmac(SecureHash::SHA256, "Jefe");
  ASSERT_TRUE(hmac);
  const std::string data = "what do ya want for nothing?";
  ASSERT_TRUE(hmac->Update(data.data(), data.size()));
  std::string mac(32, '\0');
  ASSERT_TRUE(hmac->Finish(mac.data(), mac.size()));
  EXPECT_EQ("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843", Hex(mac));
}

// A provider that fails at any step fails the one-call digests and the file
// digest, and leaves their outputs alone.
class FailingHashTest : public ::testing::TestWithParam<test::ScopedFailingHash::Step> {};

TEST_P(FailingHashTest, DigestsFailAndLeaveTheirOutputAlone) {
  ScopedTempDir dir;
  ASSERT_TRUE(dir.CreateUniqueTempDir());
  const FilePath path = dir.GetPath().Append(L"data.bin");
  ASSERT_TRUE(WriteFile(path, std::string(100000, 'd')));

  test::ScopedFailingHash failing(GetParam());
  EXPECT_EQ("", SHA256HashString("abc"));
  EXPECT_FALSE(SHA256Hash(std::span<const uint8_t>()).has_value());
  EXPECT_EQ("", SHA1HashString("abc"));
  for (const SecureHash::Algorithm type : {SecureHash::SHA1, SecureHash::SHA256}) {
    std::string output(32, 'x');
    EXPECT_FALSE(HashFileContents(type, path, output.data(), output.size()));
    EXPECT_EQ(std::string(32, 'x'), output);
  }
  std::string output(32, 'x');
  EXPECT_FALSE(SHA256HashString("abc", output.data(), output.size()));
  EXPECT_FALSE(SHA1HashBytes(reinterpret_cast<const unsigned char*>("abc"), 3,
                             reinterpret_cast<unsigned char*>(output.data())));
  EXPECT_EQ(std::string(32, 'x'), output);
}

INSTANTIATE_TEST_SUITE_P(Steps,
                         FailingHashTest,
                         ::testing::Values(test::ScopedFailingHash::Step::kCreate,
                                           test::ScopedFailingHash::Step::kUpdate,
                                           test::ScopedFailingHash::Step::kFinish));

}  // namespace
}  // namespace base
