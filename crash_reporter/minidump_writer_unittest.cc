// Copyright 2026 Velta Software. All rights reserved.

#include "crash_reporter/minidump_writer.h"

#include <windows.h>

#include <dbghelp.h>

#include <list>
#include <string>
#include <thread>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/memory_mapped_file.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "base/test/child_process.h"
#include "base/test/multiprocess_test.h"
#include "base/win/scoped_handle.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

VELTA_TEST_CHILD_MAIN(EndAtOnce) {
  return 0;
}

VELTA_TEST_CHILD_MAIN(WaitToBeDumped) {
  ::Sleep(INFINITE);
  return 0;
}

class MinidumpWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(dir_.CreateUniqueTempDir()); }
  // A child left waiting would hold the test's output open.
  void TearDown() override {
    for (HANDLE child : children_)
      ::TerminateProcess(child, 0);
  }

  const base::Process& Launch(const char* role) {
    children_processes_.push_back(
        base::LaunchProcess(test::MakeChildCommandLine(role), base::LaunchOptions()));
    EXPECT_TRUE(children_processes_.back().IsValid());
    children_.push_back(children_processes_.back().Handle());
    return children_processes_.back();
  }

  base::ScopedTempDir dir_;
  std::list<base::Process> children_processes_;
  std::vector<HANDLE> children_;
};

// A crashed crash reporter waits only so long for its fallback handler; a
// dump of a process that has ended is no dump.
TEST_F(MinidumpWriterTest, EndedProcessLeavesNoDump) {
  const base::Process& child = Launch("EndAtOnce");
  uint32_t exit_code = 1;
  ASSERT_TRUE(test::WaitForChildExit(child, base::TimeDelta::FromSeconds(60), &exit_code));
  const base::FilePath dump = dir_.GetPath().Append(L"ended.dmp");
  const ReporterExceptionBlock block = {};
  EXPECT_FALSE(WriteMinidumpToFile(child.Handle(), child.Pid(), block, dump, kClientDumpSizeLimit));
  EXPECT_FALSE(base::PathExists(dump));
}

// Also a dump without exception pointers, which dbghelp must not be asked
// to follow.
TEST_F(MinidumpWriterTest, DumpOverTheLimitLeavesNoFile) {
  const base::Process& child = Launch("WaitToBeDumped");
  const base::FilePath dump = dir_.GetPath().Append(L"large.dmp");
  // Both dump types are tried; neither fits 1000 bytes.
  EXPECT_FALSE(WriteDumpFromExceptionBlock(child.Pid(), 0, dump, 1000));
  EXPECT_FALSE(base::PathExists(dump));
  const ReporterExceptionBlock block = {};
  base::win::ScopedHandle process(::OpenProcess(
      PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, child.Pid()));
  ASSERT_TRUE(process.IsValid());
  EXPECT_FALSE(WriteMinidumpToFile(process.Get(), child.Pid(), block, dump, 1000));
  EXPECT_FALSE(base::PathExists(dump));
}

// Clients that crash at once are dumped on threads of their own.
TEST_F(MinidumpWriterTest, DumpsWrittenAtOnceAreWhole) {
  constexpr int kDumps = 3;
  std::vector<const base::Process*> children;
  std::vector<base::FilePath> dumps;
  for (int i = 0; i < kDumps; ++i) {
    children.push_back(&Launch("WaitToBeDumped"));
    dumps.push_back(dir_.GetPath().Append(L"at_once_" + std::to_wstring(i) + L".dmp"));
  }
  bool written[kDumps] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < kDumps; ++i) {
    threads.emplace_back([&, i] {
      const ReporterExceptionBlock block = {};
      written[i] = WriteMinidumpToFile(children[i]->Handle(), children[i]->Pid(), block, dumps[i],
                                       kClientDumpSizeLimit);
    });
  }
  for (std::thread& thread : threads)
    thread.join();
  for (int i = 0; i < kDumps; ++i) {
    ASSERT_TRUE(written[i]) << i;
    base::MemoryMappedFile dump;
    ASSERT_TRUE(dump.Initialize(dumps[i]));
    ASSERT_GE(dump.length(), sizeof(MINIDUMP_HEADER));
    const auto* header = reinterpret_cast<const MINIDUMP_HEADER*>(dump.data());
    EXPECT_EQ(0x504D444Du, header->Signature) << i;  // "MDMP"
    EXPECT_GT(header->NumberOfStreams, 0u) << i;
  }
}

TEST_F(MinidumpWriterTest, UnreadableClientAddressesGiveNoDump) {
  const base::Process& child = Launch("WaitToBeDumped");
  const base::FilePath dump = dir_.GetPath().Append(L"client.dmp");
  EXPECT_FALSE(WriteDumpForClient(child.Pid(), 0x10, 0x20, 0, dump, kClientDumpSizeLimit));
  EXPECT_FALSE(base::PathExists(dump));
}

}  // namespace
}  // namespace velta
