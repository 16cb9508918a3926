// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/important_file_writer.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/files/file_enumerator.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace base {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

class ImportantFileWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    path_ = temp_dir_.GetPath().Append(L"installation_status.json");
  }

  std::vector<std::wstring> NamesInFolder() const {
    std::vector<std::wstring> names;
    FileEnumerator files(temp_dir_.GetPath(), true,
                         FileEnumerator::FILES | FileEnumerator::DIRECTORIES);
    for (FilePath path = files.Next(); !path.empty(); path = files.Next())
      names.push_back(path.BaseName().value());
    return names;
  }

  std::string ReadText() const {
    std::string contents;
    EXPECT_TRUE(ReadFileToString(path_, &contents));
    return contents;
  }

  ScopedTempDir temp_dir_;
  FilePath path_;
};

TEST_F(ImportantFileWriterTest, WritesAndReplacesLeavingNoTemporaryFile) {
  EXPECT_TRUE(ImportantFileWriter::WriteFileAtomically(path_, "{\"v\":1}"));
  EXPECT_EQ("{\"v\":1}", ReadText());
  EXPECT_TRUE(ImportantFileWriter::WriteFileAtomically(path_, "2"));
  EXPECT_EQ("2", ReadText());
  EXPECT_TRUE(ImportantFileWriter::WriteFileAtomically(path_, ""));
  EXPECT_EQ("", ReadText());
  // Larger than any single buffer on the way, with every byte value.
  std::string big(3 * 1024 * 1024 + 7, '\0');
  for (size_t i = 0; i < big.size(); ++i)
    big[i] = static_cast<char>(i % 251);
  EXPECT_TRUE(ImportantFileWriter::WriteFileAtomically(path_, big));
  EXPECT_EQ(big, ReadText());
  EXPECT_THAT(NamesInFolder(), UnorderedElementsAre(L"installation_status.json"));
}

TEST_F(ImportantFileWriterTest, FailedRenameKeepsOldContents) {
  ASSERT_TRUE(ImportantFileWriter::WriteFileAtomically(path_, "old"));
  // A reader holding the file without delete sharing blocks the rename.
  HANDLE reader = ::CreateFileW(path_.value().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, reader);
  EXPECT_FALSE(ImportantFileWriter::WriteFileAtomically(path_, "new contents"));
  EXPECT_NE(0u, ::GetLastError());
  ::CloseHandle(reader);
  EXPECT_EQ("old", ReadText());
  EXPECT_THAT(NamesInFolder(), UnorderedElementsAre(L"installation_status.json"));
}

TEST_F(ImportantFileWriterTest, FolderInTheWayIsLeftAlone) {
  ASSERT_TRUE(CreateDirectory(path_));
  ASSERT_TRUE(WriteFile(path_.Append(L"inner"), std::string_view("inner")));
  EXPECT_FALSE(ImportantFileWriter::WriteFileAtomically(path_, "data"));
  EXPECT_TRUE(DirectoryExists(path_));
  EXPECT_THAT(NamesInFolder(), UnorderedElementsAre(L"installation_status.json", L"inner"));
}

TEST_F(ImportantFileWriterTest, MissingFolderFailsWithoutCreatingIt) {
  const FilePath nowhere = temp_dir_.GetPath().Append(L"missing\\file.json");
  EXPECT_FALSE(ImportantFileWriter::WriteFileAtomically(nowhere, "data"));
  EXPECT_THAT(NamesInFolder(), IsEmpty());
}

}  // namespace
}  // namespace base
