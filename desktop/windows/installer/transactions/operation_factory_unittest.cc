// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/operation_factory.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process_wide.h"
#include "base/test/registry_sandbox.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/transactions/operation.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using test::DwordValue;
using test::FailingOperationFactory;
using Failure = test::FailingOperationFactory::Failure;
using test::ReadText;
using test::SnapshotFolder;
using test::SnapshotRegistry;
using test::StringValue;
using test::WriteText;

// A whole installation's worth of operations of every kind, run as one
// transaction on real files and the real registry.
class InstallTransactionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    ASSERT_TRUE(sandbox_.is_valid());
    root_ = temp_dir_.GetPath();
    ASSERT_TRUE(base::CreateDirectory(Dir(L"package")));
    ASSERT_TRUE(base::CreateDirectory(Dir(L"existing")));
    ASSERT_TRUE(base::CreateDirectory(Dir(L"install")));  // Empty, and stays.
    WriteText(Dir(L"package\\new.dll"), "v2");
    WriteText(Dir(L"existing\\app.dll"), "v1");
    WriteText(Dir(L"existing\\old.dll"), "old");
    WriteText(Dir(L"existing\\move_me.txt"), "moved");
    ASSERT_TRUE(base::CreateDirectory(Dir(L"existing\\ok")));
    WriteText(Dir(L"existing\\ok\\one.txt"), "previous");  // Unpacked over.

    base::win::RegKey app;
    ASSERT_EQ(ERROR_SUCCESS,
              app.Create(HKEY_LOCAL_MACHINE, Key(L"app").c_str(), KEY_READ | KEY_WRITE));
    ASSERT_EQ(ERROR_SUCCESS, app.WriteValue(L"version", L"1"));
    ASSERT_EQ(ERROR_SUCCESS, app.WriteValue(L"obsolete", 5));
    // Two sub-keys, so that a deletion can stop after the first.
    for (const wchar_t* sub_key : {L"legacy\\a", L"legacy\\sub"}) {
      base::win::RegKey legacy;
      ASSERT_EQ(ERROR_SUCCESS,
                legacy.Create(HKEY_LOCAL_MACHINE, Key(sub_key).c_str(), KEY_READ | KEY_WRITE));
      ASSERT_EQ(ERROR_SUCCESS, legacy.WriteValue(L"path", sub_key));
    }

    const RegistryView view = RegistryView::kDefault;
    const base::FilePath archive = test::TestArchive(L"crafted\\copy_two_files.7z");
    steps_ = {
        [=, this](OperationFactory* factory) {
          return factory->CreateCopyFile(Dir(L"package\\new.dll"), Dir(L"install\\bin\\app.dll"));
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateCopyFile(Dir(L"package\\new.dll"), Dir(L"existing\\app.dll"));
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateDeleteFile(Dir(L"existing\\old.dll"), ProgramInUse::kKeep,
                                           EmptyParents::kKeep);
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateMoveFile(Dir(L"existing\\move_me.txt"),
                                         Dir(L"install\\data\\moved.txt"));
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateCreateFolder(Dir(L"install\\empty\\deeper"));
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateChangeRegValue(HKEY_LOCAL_MACHINE, Key(L"app"), L"version",
                                               StringValue(L"2"), view);
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateChangeRegValue(HKEY_LOCAL_MACHINE, Key(L"new\\key"), L"value",
                                               DwordValue(2), view);
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateRemoveRegValue(HKEY_LOCAL_MACHINE, Key(L"app"), L"obsolete", view);
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateDeleteRegKey(HKEY_LOCAL_MACHINE, Key(L"legacy"), view);
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateCreateRegKey(HKEY_LOCAL_MACHINE, Key(L"other\\k"), view);
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateUnpackArchive(archive, Dir(L"install\\unpacked"), &unpacker_,
                                              nullptr);
        },
        [=, this](OperationFactory* factory) {
          return factory->CreateUnpackArchive(archive, Dir(L"existing"), &unpacker_, nullptr);
        },
    };
  }

  base::FilePath Dir(const wchar_t* relative) const { return root_.Append(relative); }
  std::wstring Key(const wchar_t* relative) const { return sandbox_.Path(relative); }

  struct State {
    std::map<std::wstring, std::string> files;
    std::map<std::wstring, std::vector<std::string>> registry;
    bool operator==(const State&) const = default;
    friend void PrintTo(const State& state, std::ostream* os) {
      *os << ::testing::PrintToString(state.files) << "\n"
          << ::testing::PrintToString(state.registry);
    }
  };
  State Snapshot() const {
    return {SnapshotFolder(root_), SnapshotRegistry(HKEY_LOCAL_MACHINE, sandbox_.path(), 0)};
  }

  // Executes the steps with operations from `factory` into `transaction`, up
  // to the first that fails; true when none does.
  bool RunSteps(OperationFactory* factory, Transaction* transaction, std::string* error) {
    for (const auto& step : steps_) {
      std::unique_ptr<Operation> operation = step(factory);
      if (!transaction->Execute(operation, error))
        return false;
    }
    return true;
  }

  base::ScopedTempDir temp_dir_;
  test::RegistrySandbox sandbox_{HKEY_LOCAL_MACHINE};
  base::FilePath root_;
  OperationFactory factory_;
  LzmaUtil unpacker_;
  std::vector<std::function<std::unique_ptr<Operation>(OperationFactory*)>> steps_;
};

class InstallTransactionFailureTest : public InstallTransactionTest,
                                      public ::testing::WithParamInterface<Failure> {};

// Fails each operation in turn, the sub-operations that operations ask for
// included, and rolls the whole transaction back: files, folders and registry
// must be exactly as before, whether the failing operation did all its work
// or stopped part way (and with it the operation that asked for it). The
// security utilities are the fake, which refuses keys for the part-way
// failures of the registry operations.
TEST_P(InstallTransactionFailureTest, FailureAtAnyOperationLeavesEverythingAsBefore) {
  const State before = Snapshot();
  size_t operations = 0;
  {
    FakeSecurityUtils security;
    FailingOperationFactory factory(&security);
    Transaction transaction;
    std::string error;
    ASSERT_TRUE(RunSteps(&factory, &transaction, &error)) << error;
    operations = factory.made();
    transaction.Rollback();
  }
  ASSERT_GT(operations, steps_.size());  // Sub-operations count too.
  ASSERT_EQ(before, Snapshot());
  for (size_t failing = 0; failing < operations; ++failing) {
    SCOPED_TRACE(::testing::Message() << "failing operation " << failing);
    {
      FakeSecurityUtils security;
      FailingOperationFactory factory(&security);
      factory.Fail(failing, GetParam());
      Transaction transaction;
      std::string error;
      EXPECT_FALSE(RunSteps(&factory, &transaction, &error));
      EXPECT_LT(failing, factory.made());
      transaction.Rollback();
    }
    ASSERT_EQ(before, Snapshot());
  }
}

INSTANTIATE_TEST_SUITE_P(Failures,
                         InstallTransactionFailureTest,
                         ::testing::Values(Failure::kAfterDo, Failure::kPartWay),
                         [](const ::testing::TestParamInfo<Failure>& info) {
                           return info.param == Failure::kAfterDo ? "AfterDo" : "PartWay";
                         });

TEST_F(InstallTransactionTest, RollbackOfTheWholeTransactionLeavesEverythingAsBefore) {
  const State before = Snapshot();
  {
    Transaction transaction;
    std::string error;
    ASSERT_TRUE(RunSteps(&factory_, &transaction, &error)) << error;
    EXPECT_NE(before, Snapshot());
    transaction.Rollback();
  }
  EXPECT_EQ(before, Snapshot());
}

// Operations executed inside an operation's nested transaction become part
// of the outer one: rolling the outer back undoes them too.
TEST_F(InstallTransactionTest, NestedTransactionsRollBackWithTheOuterOne) {
  const State before = Snapshot();
  Transaction outer;
  std::string error;
  {
    Transaction inner;
    std::unique_ptr<Operation> copy = steps_[1](&factory_);
    ASSERT_TRUE(inner.Execute(copy, &error)) << error;
    EXPECT_EQ(2u, inner.size());
    std::unique_ptr<Operation> copy_into_new_folder = steps_[0](&factory_);
    ASSERT_TRUE(outer.Execute(copy_into_new_folder, &error)) << error;
    inner.Rollback();
  }
  EXPECT_EQ(2u, outer.size());  // The folder creation, then the copy.
  outer.Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_F(InstallTransactionTest, CommitLeavesTheNewStateAndNoParkedFiles) {
  {
    Transaction transaction;
    std::string error;
    ASSERT_TRUE(RunSteps(&factory_, &transaction, &error)) << error;
  }
  const State after = Snapshot();
  EXPECT_EQ((std::map<std::wstring, std::string>{
                {L"existing/", "dir"},
                {L"existing/app.dll", "v2"},
                {L"existing/ok/", "dir"},
                {L"existing/ok/one.txt", "first file"},
                {L"existing/ok/two.txt", "second"},
                {L"install/", "dir"},
                {L"install/bin/", "dir"},
                {L"install/bin/app.dll", "v2"},
                {L"install/data/", "dir"},
                {L"install/data/moved.txt", "moved"},
                {L"install/empty/", "dir"},
                {L"install/empty/deeper/", "dir"},
                {L"install/unpacked/", "dir"},
                {L"install/unpacked/ok/", "dir"},
                {L"install/unpacked/ok/one.txt", "first file"},
                {L"install/unpacked/ok/two.txt", "second"},
                {L"package/", "dir"},
                {L"package/new.dll", "v2"},
            }),
            after.files);
  EXPECT_EQ(ReadText(Dir(L"install\\bin\\app.dll")), "v2");
  // "name=type:bytes": a string with its terminating NUL, a four-byte DWORD.
  EXPECT_EQ(std::vector<std::string>{"version=1:32000000"}, after.registry.at(L".\\app"));
  EXPECT_EQ(std::vector<std::string>{"value=4:02000000"}, after.registry.at(L".\\new\\key"));
  EXPECT_EQ(1u, after.registry.count(L".\\other\\k"));
  EXPECT_EQ(0u, after.registry.count(L".\\legacy"));
}

// A factory made without security utilities hands out the process-wide ones,
// as they are when it is made.
TEST(OperationFactoryTest, DefaultFactoryTakesTheProcessWideSecurityUtils) {
  base::ScopedTempDir temp_dir;
  ASSERT_TRUE(temp_dir.CreateUniqueTempDir());
  const base::FilePath file = temp_dir.GetPath().Append(L"a.dll");
  WriteText(file, "a");
  FakeSecurityUtils security;
  security.DenyAccess(file.value());
  std::unique_ptr<OperationFactory> factory;
  {
    base::ProcessWide<SecurityUtils>::ScopedOverride override_instance(&security);
    factory = std::make_unique<OperationFactory>();
  }
  Transaction transaction;
  std::unique_ptr<Operation> remove =
      factory->CreateDeleteFile(file, ProgramInUse::kDelete, EmptyParents::kKeep);
  std::string error;
  ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
  EXPECT_EQ(1u, security.grants().size());
  transaction.Rollback();
  EXPECT_EQ(1u, security.restores().size());
}

}  // namespace
}  // namespace velta
