// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/authenticode.h"

#include <windows.h>

#include <cstdint>
#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/test/scoped_failing_hash.h"
#include "desktop/windows/installer/common/pe_image_reader.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta {
namespace {

using ::testing::AnyOf;
using ::testing::HasSubstr;

// The files of testing/signing/sign_test_files.py, signed in the build with
// certificates of a test root that the Wine prefix trusts.
base::FilePath SignedTestFile(const std::string& name) {
  return velta::test::FromBuildPath(VELTA_TEST_SIGNED_FILES).AppendASCII(name + ".exe");
}

std::string ReadSignedTestFile(const std::string& name) {
  std::string bytes;
  EXPECT_TRUE(base::ReadFileToString(SignedTestFile(name), &bytes)) << name;
  return bytes;
}

struct SignedFileCase {
  const char* name;
  bool verifies;
  // What the error text names for a refused file. Where Windows' own trust
  // verification refuses the file, it may name that failure instead.
  const char* reason;
  bool windows_refuses;
};

void PrintTo(const SignedFileCase& c, std::ostream* os) {
  *os << c.name;
}

class AuthenticodeSignedFileTest : public ::testing::TestWithParam<SignedFileCase> {};

TEST_P(AuthenticodeSignedFileTest, VerifiesOnlyTrustedSignaturesOfTheCompany) {
  const SignedFileCase& c = GetParam();
  const base::FilePath path = SignedTestFile(c.name);
  bool is_signed = false;
  ASSERT_TRUE(IsFileSigned(path, &is_signed));
  EXPECT_EQ(std::string(c.name) != "unsigned", is_signed);

  std::string error;
  EXPECT_EQ(c.verifies, VerifyFileSignature(path.value(), &error)) << error;
  EXPECT_EQ(c.verifies, VerifyFileSignature(path.value(), nullptr));
  if (c.verifies)
    return;
  if (c.windows_refuses)
    EXPECT_THAT(error, AnyOf(HasSubstr("Cannot WinVerifyTrust: "), HasSubstr(c.reason)));
  else
    EXPECT_THAT(error, HasSubstr(c.reason));
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, AuthenticodeSignedFileTest,
    ::testing::Values(
        SignedFileCase{"velta", true, "", false},
        SignedFileCase{"velta_nested_other", true, "", false},
        SignedFileCase{"other_nested_velta", true, "", false},
        SignedFileCase{"unsigned", false, "Not a signed PE file", false},
        SignedFileCase{"other", false, "Level 0: Tried signer Northwind Traders Ltd\n", false},
        SignedFileCase{"velta_unknown_root", false, "Signer chain is not trusted: ", true},
        SignedFileCase{"velta_missing_issuer", false, "Signer chain is not trusted: ", true},
        SignedFileCase{"velta_no_code_signing", false, "Signer certificate is not for code signing",
                       true},
        // No enhanced key usage extension: good for any purpose.
        SignedFileCase{"velta_any_purpose", true, "", false},
        SignedFileCase{"other_nested_velta_any_purpose", true, "", false},
        SignedFileCase{"other_nested_velta_unknown_root", false,
                       "Level 1: Signer Velta Software Ltd refused: Signer chain is not trusted",
                       false},
        SignedFileCase{"other_nested_velta_no_code_signing", false,
                       "refused: Signer certificate is not for code signing", false},
        SignedFileCase{"other_nested_velta_bad_signature", false,
                       "refused: its signature does not verify", false},
        SignedFileCase{"other_nested_velta_bad_digest", false,
                       "refused: its signed attributes do not hold the digest of its content",
                       false},
        SignedFileCase{"other_nested_velta_of_other_file", false,
                       "refused: it was not made over this file", false},
        SignedFileCase{"other_nested_velta_swapped_digest", false,
                       "refused: its signed attributes do not hold the digest of its content",
                       false},
        // A nested signer whose certificate expired in 2020: its chain is
        // built at the time of a valid timestamp, else at the current time.
        // 0x1 is CERT_TRUST_IS_NOT_TIME_VALID.
        SignedFileCase{"other_nested_velta_expired", false,
                       "refused: Signer chain is not trusted: 0x1\n", false},
        SignedFileCase{"other_nested_velta_expired_timestamped", true, "", false},
        SignedFileCase{"other_nested_velta_expired_timestamped_late", false,
                       "refused: Signer chain is not trusted: 0x1\n", false},
        SignedFileCase{"other_nested_velta_expired_timestamped_by_unknown", false,
                       "refused: Signer chain is not trusted: 0x1 (timestamp refused: "
                       "Timestamp chain is not trusted: ",
                       false}),
    [](const ::testing::TestParamInfo<SignedFileCase>& info) { return info.param.name; });

class AuthenticodeAlteredFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }

  base::FilePath Write(const std::wstring& name, const std::string& bytes) {
    const base::FilePath path = temp_dir_.GetPath().Append(name);
    EXPECT_TRUE(base::WriteFile(path, bytes));
    return path;
  }

  // Reads signed test file `name` into bytes_ and its headers into image_.
  void Load(const std::string& name) {
    bytes_ = ReadSignedTestFile(name);
    ASSERT_TRUE(image_.Initialize(reinterpret_cast<const uint8_t*>(bytes_.data()), bytes_.size()));
    ASSERT_TRUE(image_.GetCertificateTable(&table_offset_, &table_size_));
  }

  base::ScopedTempDir temp_dir_;
  std::string bytes_;
  PeImageReader image_;
  size_t table_offset_ = 0;
  size_t table_size_ = 0;
};

// A nested signature is checked with our own digests: a hash provider that
// fails refuses it with its reason instead of ending the process.
TEST(AuthenticodeFailingHashTest, NestedSignatureIsRefusedWhenItCannotBeDigested) {
  const base::FilePath path = SignedTestFile("other_nested_velta");
  ASSERT_TRUE(VerifyFileSignature(path.value(), nullptr));
  for (const auto step : {base::test::ScopedFailingHash::Step::kCreate,
                          base::test::ScopedFailingHash::Step::kUpdate,
                          base::test::ScopedFailingHash::Step::kFinish}) {
    base::test::ScopedFailingHash failing(step);
    std::string error;
    EXPECT_FALSE(VerifyFileSignature(path.value(), &error));
    EXPECT_THAT(error, HasSubstr("refused: its signed content cannot be digested")) << error;
  }
}

TEST_F(AuthenticodeAlteredFileTest, OneChangedByteOfCodeFailsWithTheSignerStillNamed) {
  ASSERT_NO_FATAL_FAILURE(Load("velta"));
  ImageSectionHeader text;
  ASSERT_TRUE(image_.GetSectionHeader(0, &text));
  ASSERT_GT(text.SizeOfRawData, 0x100u);
  std::string bytes = bytes_;
  bytes[text.PointerToRawData + 0x80] ^= 0x01;
  const base::FilePath path = Write(L"tampered.exe", bytes);

  bool is_signed = false;
  ASSERT_TRUE(IsFileSigned(path, &is_signed));
  EXPECT_TRUE(is_signed);
  std::string error;
  EXPECT_FALSE(VerifyFileSignature(path.value(), &error));
  // 0x80096010, TRUST_E_BAD_DIGEST; the signer check still ran.
  EXPECT_THAT(error, HasSubstr("Cannot WinVerifyTrust: -2146869232, "));
  EXPECT_THAT(error, HasSubstr("Level 0: Chain 0 element: Velta Software Ltd "));
  EXPECT_FALSE(VerifyFileSignature(path.value(), nullptr));
}

TEST_F(AuthenticodeAlteredFileTest, TruncatedFilesAreNotSignedAndNeverCrash) {
  ASSERT_NO_FATAL_FAILURE(Load("other_nested_velta"));
  const std::string& bytes = bytes_;
  // Every few hundred bytes through the whole file, and each byte around the
  // headers' end and the certificate table.
  std::vector<size_t> cuts;
  for (size_t cut = 0; cut < bytes.size(); cut += 397)
    cuts.push_back(cut);
  for (size_t around : {image_.headers_end(), table_offset_, bytes.size()}) {
    for (size_t cut = around - 8; cut < around; ++cut)
      cuts.push_back(cut);
  }
  for (size_t cut : cuts) {
    SCOPED_TRACE(cut);
    const base::FilePath path = Write(L"cut.exe", bytes.substr(0, cut));
    // Cut inside its headers the file is no PE file; after them, a PE file
    // that still claims a signature, whose certificate table does not fit.
    const bool whole_headers = cut >= image_.headers_end();
    bool is_signed = false;
    EXPECT_EQ(whole_headers, IsFileSigned(path, &is_signed));
    EXPECT_EQ(whole_headers, is_signed);
    std::string error;
    EXPECT_FALSE(VerifyFileSignature(path.value(), &error));
    EXPECT_EQ("Not a signed PE file\n", error);
  }
}

// A certificate table entry that no reader can follow still says the file
// claims a signature: a caller that skips its checks for an unsigned file
// must not skip them for this one, and the signature is refused.
struct BrokenEntryCase {
  const char* name;
  // The entry's new offset: the table's own, or relative to the end of the
  // file; and its new size.
  bool at_table;
  int64_t offset_from_end;
  uint32_t size;
};

class AuthenticodeBrokenEntryTest : public AuthenticodeAlteredFileTest,
                                    public ::testing::WithParamInterface<BrokenEntryCase> {};

TEST_P(AuthenticodeBrokenEntryTest, IsSignedYetFailsVerification) {
  const BrokenEntryCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Load("velta"));
  size_t entry_offset = 0;
  ASSERT_TRUE(image_.GetDataDirectoryEntryOffset(IMAGE_DIRECTORY_ENTRY_SECURITY, &entry_offset));
  std::string bytes = bytes_;
  const uint32_t offset =
      c.at_table ? static_cast<uint32_t>(table_offset_)
                 : static_cast<uint32_t>(static_cast<int64_t>(bytes.size()) + c.offset_from_end);
  bytes.replace(entry_offset, 4, reinterpret_cast<const char*>(&offset), 4);
  bytes.replace(entry_offset + 4, 4, reinterpret_cast<const char*>(&c.size), 4);
  const base::FilePath path = Write(L"broken_entry.exe", bytes);

  bool is_signed = false;
  ASSERT_TRUE(IsFileSigned(path, &is_signed));
  EXPECT_TRUE(is_signed);
  std::string error;
  EXPECT_FALSE(VerifyFileSignature(path.value(), &error));
  EXPECT_EQ("Not a signed PE file\n", error);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, AuthenticodeBrokenEntryTest,
    ::testing::Values(
        // Shorter than a WIN_CERTIFICATE header, at the table's own place.
        BrokenEntryCase{"SizeFour", true, 0, 4},
        BrokenEntryCase{"OffsetPastTheEnd", false, 16, 1024},
        BrokenEntryCase{"TableRunsPastTheEnd", false, -8, 1024}),
    [](const ::testing::TestParamInfo<BrokenEntryCase>& info) { return info.param.name; });

TEST_F(AuthenticodeAlteredFileTest, ShortenedCertificateTablesAreRefusedWithoutACrash) {
  // The security directory entry still points inside the file, at a table
  // cut short: the system's parsers see a broken signature.
  ASSERT_NO_FATAL_FAILURE(Load("other_nested_velta"));
  size_t entry_offset = 0;
  ASSERT_TRUE(image_.GetDataDirectoryEntryOffset(IMAGE_DIRECTORY_ENTRY_SECURITY, &entry_offset));
  for (size_t size : {size_t{8}, size_t{9}, size_t{64}, table_size_ / 2, table_size_ - 1}) {
    SCOPED_TRACE(size);
    std::string shortened = bytes_.substr(0, table_offset_ + size);
    const uint32_t new_size = static_cast<uint32_t>(size);
    shortened.replace(entry_offset + 4, 4, reinterpret_cast<const char*>(&new_size), 4);
    const base::FilePath path = Write(L"short_table.exe", shortened);
    bool is_signed = false;
    ASSERT_TRUE(IsFileSigned(path, &is_signed));
    EXPECT_TRUE(is_signed);
    EXPECT_FALSE(VerifyFileSignature(path.value(), nullptr));
  }
}

}  // namespace
}  // namespace velta
