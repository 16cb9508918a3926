// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/utils/downloadable_resources.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/hash/sha1.h"
#include "base/strings/utf_string_conversions.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

const char* const kLocales[] = {
    "be", "bg", "bn", "ca", "cs", "da", "de", "el", "en-GB", "en-US", "es", "es-419",
    "fi", "fil", "fr", "fr-CA", "hi", "hr", "hu", "id", "it", "ja", "ko", "lt", "lv",
    "ms", "nb", "nl", "pl", "pt-BR", "pt-PT", "ro", "ru", "sk", "sr", "sv", "sw", "ta",
    "te", "th", "tr", "uk", "vi", "zh-CN", "zh-TW"};

// The installer's order of the downloadable packs, written out independently
// of the generator.
std::vector<std::string> ExpectedManifestPaths() {
  std::vector<std::string> paths = {"velta_100_percent.pak", "velta_100_percent.pak.info"};
  for (const char* locale : kLocales) {
    paths.push_back(std::string("localization/") + locale + ".pak");
    paths.push_back(std::string("localization/") + locale + ".pak.info");
  }
  for (const char* scale : {"200", "125", "150", "250"}) {
    paths.push_back(std::string("velta_") + scale + "_percent.pak");
    paths.push_back(std::string("velta_") + scale + "_percent.pak.info");
  }
  return paths;
}

base::FilePath StandInPacks() {
  return test::FromBuildPath(VELTA_DOWNLOADABLE_RESOURCE_PACKS);
}

void WriteBytes(const base::FilePath& path, const std::string& bytes) {
  ASSERT_TRUE(base::CreateDirectory(path.DirName())) << path.AsUTF8Unsafe();
  ASSERT_TRUE(base::WriteFile(path, bytes)) << path.AsUTF8Unsafe();
}

class DownloadableResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    dir_ = temp_dir_.GetPath();
  }

  base::ScopedTempDir temp_dir_;
  base::FilePath dir_;
};

TEST_F(DownloadableResourcesTest, ManifestListsThePacksInInstallerOrder) {
  std::vector<std::string> paths;
  for (const DownloadableResourceManifestRow& row : DownloadableResourceManifest()) {
    EXPECT_EQ(28u, strlen(row.sha1)) << row.sha1;
    paths.push_back(row.path);
  }
  // The path column is Base64: an empty folder misses every row, decoded.
  EXPECT_EQ(100u, paths.size());
  EXPECT_THAT(ListMissingDownloadableResources(dir_), ElementsAreArray(ExpectedManifestPaths()));
}

TEST_F(DownloadableResourcesTest, NothingMissingWhenEveryFileIsPresent) {
  EXPECT_THAT(ListMissingDownloadableResources(StandInPacks()), IsEmpty());
  for (const std::string& path : ExpectedManifestPaths())
    WriteBytes(dir_.Append(base::FilePath::FromUTF8Unsafe(path)), "");
  EXPECT_THAT(ListMissingDownloadableResources(dir_), IsEmpty());
}

TEST_F(DownloadableResourcesTest, ListsOnlyTheMissingOnesInOrder) {
  const std::vector<std::string> all = ExpectedManifestPaths();
  std::vector<std::string> missing;
  for (size_t i = 0; i < all.size(); ++i) {
    if (i == 0 || i == 21 || i == 99)
      missing.push_back(all[i]);
    else
      WriteBytes(dir_.Append(base::FilePath::FromUTF8Unsafe(all[i])), "x");
  }
  EXPECT_THAT(ListMissingDownloadableResources(dir_), ElementsAreArray(missing));
}

TEST_F(DownloadableResourcesTest, EveryStandInPackMatchesItsDigest) {
  const std::vector<std::string> paths = ExpectedManifestPaths();
  size_t index = 0;
  for (const DownloadableResourceManifestRow& row : DownloadableResourceManifest()) {
    std::string error;
    EXPECT_TRUE(VerifyFileHash(StandInPacks().Append(base::FilePath::FromUTF8Unsafe(paths[index++])),
                               row.sha1, &error))
        << error;
  }
}

TEST_F(DownloadableResourcesTest, WrongDigestNamesBothDigests) {
  const base::FilePath file = dir_.Append(L"velta_200_percent.pak");
  WriteBytes(file, "abc");
  std::string error;
  EXPECT_FALSE(VerifyFileHash(file, "AAAAAAAAAAAAAAAAAAAAAAAAAAA=", &error));
  // SHA-1("abc") is a9993e36...d89d.
  EXPECT_EQ(file.AsUTF8Unsafe() +
                " hash doesn't match: AAAAAAAAAAAAAAAAAAAAAAAAAAA= vs. qZk+NkcGgWq6PiVxeFDCbJzQ2J0=",
            error);
  // The comparison is exact: the same digest in lower case does not match.
  EXPECT_FALSE(VerifyFileHash(file, "qzk+nkcggwq6pivxefdcbjzq2j0=", &error));
  EXPECT_TRUE(VerifyFileHash(file, "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=", &error)) << error;
}

TEST_F(DownloadableResourcesTest, MissingFileCannotBeRead) {
  const base::FilePath file = dir_.Append(L"absent.pak");
  std::string error;
  EXPECT_FALSE(VerifyFileHash(file, "qZk+NkcGgWq6PiVxeFDCbJzQ2J0=", &error));
  EXPECT_EQ("Failed to read " + file.AsUTF8Unsafe(), error);
  std::array<uint8_t, base::kSHA1Length> digest;
  EXPECT_FALSE(ComputeFileSha1(file, &digest));
}

// An empty file, and one of several read blocks with a remainder.
TEST_F(DownloadableResourcesTest, DigestCoversTheWholeFile) {
  const base::FilePath empty = dir_.Append(L"small.pak");
  WriteBytes(empty, "");
  std::string error;
  EXPECT_TRUE(VerifyFileHash(empty, "2jmj7l5rSw0yVb/vlWAYkK/YBwk=", &error)) << error;

  std::string content;
  for (int i = 0; content.size() < 300000; ++i)
    content += "block " + std::to_string(i * 7919) + "\n";
  const base::FilePath file = dir_.Append(L"big.pak");
  WriteBytes(file, content);
  std::array<uint8_t, base::kSHA1Length> digest;
  ASSERT_TRUE(ComputeFileSha1(file, &digest));
  EXPECT_EQ(base::SHA1HashString(content), std::string(digest.begin(), digest.end()));
}

TEST(ResourcePacksForLocaleTest, LocaleFirstThenScalesAscending) {
  EXPECT_THAT(ListResourcePacksForLocaleAndScales(
                  L"en-US", {ScaleFactor::k100Percent, ScaleFactor::k200Percent}),
              ElementsAre("localization/en-US.pak", "velta_200_percent.pak"));
  EXPECT_THAT(ListResourcePacksForLocaleAndScales(
                  L"", {ScaleFactor::k250Percent, ScaleFactor::k125Percent,
                        ScaleFactor::k150Percent}),
              ElementsAre("velta_125_percent.pak", "velta_150_percent.pak",
                          "velta_250_percent.pak"));
  EXPECT_THAT(ListResourcePacksForLocaleAndScales(L"pt-BR", {}),
              ElementsAre("localization/pt-BR.pak"));
  EXPECT_THAT(ListResourcePacksForLocaleAndScales(L"", {ScaleFactor::k100Percent}), IsEmpty());
}

}  // namespace
}  // namespace velta
