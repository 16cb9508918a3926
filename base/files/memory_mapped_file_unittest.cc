// Copyright 2026 Velta Software. All rights reserved.

#include "base/files/memory_mapped_file.h"

#include <string>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace base {
namespace {

class MemoryMappedFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }
  ScopedTempDir temp_dir_;
};

TEST_F(MemoryMappedFileTest, MapsTheWholeFile) {
  std::string data(70000, '\0');
  for (size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<char>(i % 253);
  const FilePath path = temp_dir_.GetPath().Append(L"\u6587\u4EF6.bin");
  ASSERT_TRUE(WriteFile(path, data));
  MemoryMappedFile mapped;
  ASSERT_TRUE(mapped.Initialize(path));
  EXPECT_TRUE(mapped.IsValid());
  ASSERT_EQ(data.size(), mapped.length());
  EXPECT_EQ(data, std::string(reinterpret_cast<const char*>(mapped.data()), mapped.length()));
  // Others may still read it while it is mapped.
  std::string again;
  EXPECT_TRUE(ReadFileToString(path, &again));
}

TEST_F(MemoryMappedFileTest, MapsAnOpenFile) {
  const FilePath path = temp_dir_.GetPath().Append(L"open.bin");
  ASSERT_TRUE(WriteFile(path, std::string_view("mapped")));
  MemoryMappedFile mapped;
  ASSERT_TRUE(mapped.Initialize(File(path, File::FLAG_OPEN | File::FLAG_READ)));
  EXPECT_EQ("mapped", std::string(reinterpret_cast<const char*>(mapped.data()), mapped.length()));
}

TEST_F(MemoryMappedFileTest, RefusesEmptyMissingAndFolders) {
  const FilePath empty = temp_dir_.GetPath().Append(L"empty");
  ASSERT_TRUE(WriteFile(empty, std::string_view()));
  const FilePath paths[] = {empty, temp_dir_.GetPath().Append(L"missing"), temp_dir_.GetPath()};
  for (const FilePath& path : paths) {
    MemoryMappedFile mapped;
    EXPECT_FALSE(mapped.Initialize(path)) << path;
    EXPECT_FALSE(mapped.IsValid());
    EXPECT_EQ(nullptr, mapped.data());
    EXPECT_EQ(0u, mapped.length());
  }
  MemoryMappedFile invalid_file;
  EXPECT_FALSE(invalid_file.Initialize(File()));
  // The refused empty file was closed again: it can be deleted.
  EXPECT_TRUE(DeleteFile(empty));
}

}  // namespace
}  // namespace base
