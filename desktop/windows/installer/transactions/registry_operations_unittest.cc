// Copyright 2026 Velta Software. All rights reserved.

#include <windows.h>

#include <memory>
#include <string>

#include "base/strings/utf_string_conversions.h"
#include "base/test/registry_sandbox.h"
#include "base/test/scoped_log_collector.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/common/win/test/fake_security_utils.h"
#include "desktop/windows/installer/transactions/operation_factory.h"
#include "desktop/windows/installer/transactions/operation_test_util.h"
#include "desktop/windows/installer/transactions/transaction.h"
#include "gmock/gmock.h"
#include "gtest/gtest.h"

namespace velta {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;
using test::SnapshotRegistry;
using test::StringValue;

// A view the operations are asked for, and the access flag that opens a key
// in the same view.
struct ViewCase {
  const char* name;
  RegistryView view;
  REGSAM flag;
};

// The registry operations under HKEY_LOCAL_MACHINE\Software, which the two
// registry views keep apart, in each view. Wine answers the security
// functions for the 32-bit view with an empty descriptor (no access), and
// grants everything elsewhere, so the security seam is always the fake here:
// by default it grants access, and tests deny it where they need to.
class RegistryOperationsTest : public ::testing::TestWithParam<ViewCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sandbox_.is_valid());
    registry_view_ = GetParam().view;
    view_ = GetParam().flag;
    // The sandbox is made in the default view; make it in both, so that
    // every view has the same starting point.
    for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
      base::win::RegKey key;
      ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, sandbox_.path().c_str(),
                                          KEY_READ | KEY_WRITE | view));
    }
  }

  // The view the operations do not use (for the default view: the 32-bit
  // one for a 64-bit process, and the other way round).
  REGSAM OtherView() const {
    if (view_ == KEY_WOW64_32KEY)
      return KEY_WOW64_64KEY;
    if (view_ == KEY_WOW64_64KEY)
      return KEY_WOW64_32KEY;
    return sizeof(void*) == 8 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
  }

  std::wstring Path(const std::wstring& relative) const { return sandbox_.Path(relative); }
  std::wstring ObjectName(const std::wstring& relative) const {
    return L"MACHINE\\" + (relative.empty() ? sandbox_.path() : Path(relative));
  }
  SE_OBJECT_TYPE ObjectType() const {
    return view_ == KEY_WOW64_32KEY ? SE_REGISTRY_WOW64_32KEY : SE_REGISTRY_KEY;
  }

  bool KeyExists(const std::wstring& relative, REGSAM view) const {
    base::win::RegKey key;
    return key.Open(HKEY_LOCAL_MACHINE, Path(relative).c_str(), KEY_READ | view) ==
           ERROR_SUCCESS;
  }
  void WriteString(const std::wstring& relative, const wchar_t* name, const wchar_t* value) {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, Path(relative).c_str(),
                                        KEY_READ | KEY_WRITE | view_));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(name, value));
  }
  std::wstring ReadString(const std::wstring& relative, const wchar_t* name) const {
    base::win::RegKey key;
    std::wstring value = L"<missing>";
    if (key.Open(HKEY_LOCAL_MACHINE, Path(relative).c_str(), KEY_READ | view_) == ERROR_SUCCESS)
      key.ReadValue(name, &value);
    return value;
  }
  auto Snapshot() const { return SnapshotRegistry(HKEY_LOCAL_MACHINE, sandbox_.path(), view_); }
  auto OtherViewSnapshot() const {
    return SnapshotRegistry(HKEY_LOCAL_MACHINE, sandbox_.path(), OtherView());
  }

  bool Execute(std::unique_ptr<Operation> operation, std::string* error) {
    return transaction_.Execute(operation, error);
  }
  std::unique_ptr<Operation> ChangeString(const std::wstring& relative,
                                          const wchar_t* name,
                                          const std::wstring& value) {
    return factory_.CreateChangeRegValue(HKEY_LOCAL_MACHINE, Path(relative), name,
                                         StringValue(value), registry_view_);
  }
  std::unique_ptr<Operation> RemoveValue(const std::wstring& relative, const wchar_t* name) {
    return factory_.CreateRemoveRegValue(HKEY_LOCAL_MACHINE, Path(relative), name,
                                         registry_view_);
  }
  std::unique_ptr<Operation> CreateKey(const std::wstring& path) {
    return factory_.CreateCreateRegKey(HKEY_LOCAL_MACHINE, path, registry_view_);
  }
  std::unique_ptr<Operation> DeleteKey(const std::wstring& path) {
    return factory_.CreateDeleteRegKey(HKEY_LOCAL_MACHINE, path, registry_view_);
  }

  test::RegistrySandbox sandbox_{HKEY_LOCAL_MACHINE};
  RegistryView registry_view_ = RegistryView::kDefault;
  // The access flag of `registry_view_`, for the test's own reading.
  REGSAM view_ = 0;
  FakeSecurityUtils security_;
  OperationFactory factory_{&security_};
  Transaction transaction_;
};

TEST_P(RegistryOperationsTest, NewValueIsRemovedByRollback) {
  const auto before = Snapshot();
  std::string error;
  ASSERT_TRUE(Execute(ChangeString(L"", L"name", L"new"), &error)) << error;
  EXPECT_EQ(L"new", ReadString(L"", L"name"));
  EXPECT_EQ(before, OtherViewSnapshot());
  transaction_.Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_P(RegistryOperationsTest, ReplacedValueComesBackWithItsType) {
  {
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, sandbox_.path().c_str(),
                                      KEY_SET_VALUE | view_));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"name", 42));
  }
  const auto before = Snapshot();
  std::string error;
  ASSERT_TRUE(Execute(ChangeString(L"", L"name", L"text"), &error)) << error;
  EXPECT_EQ(L"text", ReadString(L"", L"name"));
  transaction_.Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_P(RegistryOperationsTest, RemovedValueComesBack) {
  WriteString(L"", L"name", L"old");
  WriteString(L"", L"", L"default");
  const auto before = Snapshot();
  std::string error;
  ASSERT_TRUE(Execute(RemoveValue(L"", L"name"), &error)) << error;
  ASSERT_TRUE(Execute(RemoveValue(L"", L""), &error)) << error;
  EXPECT_EQ(L"<missing>", ReadString(L"", L"name"));
  transaction_.Rollback();
  EXPECT_EQ(before, Snapshot());
}

// A change logs the new value's type; a removal the type of all bits set.
TEST_P(RegistryOperationsTest, ChangesLogTheNewType) {
  const int min_level = logging::GetMinLogLevel();
  logging::SetMinLogLevel(-1);
  base::test::ScopedLogCollector verbose(-1);
  std::string error;
  EXPECT_TRUE(Execute(ChangeString(L"", L"name", L"new"), &error)) << error;
  EXPECT_TRUE(Execute(RemoveValue(L"", L"name"), &error)) << error;
  logging::SetMinLogLevel(min_level);
  const std::string prefix = "Attempting to change registry value at HKEY_LOCAL_MACHINE: " +
                             base::WideToUTF8(Path(L"")) + " - name. New Type:";
  EXPECT_THAT(verbose.lines, ::testing::IsSupersetOf({prefix + "1", prefix + "4294967295"}));
}

TEST_P(RegistryOperationsTest, RemovingAnAbsentValueCreatesNothing) {
  const auto before = Snapshot();
  std::string error;
  ASSERT_TRUE(Execute(RemoveValue(L"missing\\key", L"name"), &error)) << error;
  ASSERT_TRUE(Execute(RemoveValue(L"", L"absent"), &error)) << error;
  EXPECT_EQ(before, Snapshot());
  transaction_.Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_P(RegistryOperationsTest, ValueUnderMissingKeyCreatesItAndRollbackDeletesIt) {
  WriteString(L"existing", L"keep", L"keep");
  const auto before = Snapshot();
  const auto other_before = OtherViewSnapshot();
  std::string error;
  ASSERT_TRUE(Execute(ChangeString(L"existing\\a\\b\\c", L"name", L"value"), &error)) << error;
  EXPECT_EQ(2u, transaction_.size());  // The key creation, then the value.
  EXPECT_EQ(L"value", ReadString(L"existing\\a\\b\\c", L"name"));
  EXPECT_FALSE(KeyExists(L"existing\\a", OtherView()));
  transaction_.Rollback();
  // Deleted in the operation's own view: the key created there is gone.
  EXPECT_FALSE(KeyExists(L"existing\\a", view_));
  EXPECT_EQ(before, Snapshot());
  EXPECT_EQ(other_before, OtherViewSnapshot());
}

// Another writer (another process, a record kept outside the transaction)
// put something into a key this transaction created: rollback deletes the
// created keys below it and keeps it, with what it holds, and its parents.
TEST_P(RegistryOperationsTest, RollbackKeepsACreatedKeyThatAnotherWriterFilled) {
  struct Case {
    const wchar_t* filled;  // The created key another writer wrote into.
    bool as_subkey;         // A sub-key of its own rather than a value.
  };
  for (const Case& c : {Case{L"existing\\a", false}, Case{L"existing\\a\\b", true}}) {
    SCOPED_TRACE(testing::Message() << c.filled << (c.as_subkey ? " (sub-key)" : " (value)"));
    WriteString(L"existing", L"keep", L"keep");
    Transaction transaction;
    std::unique_ptr<Operation> create = CreateKey(Path(L"existing\\a\\b\\c"));
    std::string error;
    ASSERT_TRUE(transaction.Execute(create, &error)) << error;
    const std::wstring others = std::wstring(c.filled) + (c.as_subkey ? L"\\theirs" : L"");
    WriteString(others, L"theirs", L"kept");
    transaction.Rollback();
    EXPECT_EQ(L"kept", ReadString(others, L"theirs"));
    EXPECT_FALSE(KeyExists(L"existing\\a\\b\\c", view_));
    EXPECT_EQ(c.as_subkey, KeyExists(L"existing\\a\\b", view_));
    EXPECT_EQ(L"keep", ReadString(L"existing", L"keep"));
    base::win::RegKey sandbox;
    ASSERT_EQ(ERROR_SUCCESS, sandbox.Open(HKEY_LOCAL_MACHINE, sandbox_.path().c_str(),
                                          KEY_READ | view_));
    ASSERT_EQ(ERROR_SUCCESS, sandbox.DeleteKey(L"existing"));
  }
}

TEST_P(RegistryOperationsTest, KeyWithoutAccessIsTakenOverAndRestoredOnDestruction) {
  WriteString(L"locked", L"name", L"old");
  security_.DenyAccess(ObjectName(L"locked"));
  {
    Transaction transaction;
    std::unique_ptr<Operation> change = ChangeString(L"locked", L"name", L"new");
    std::string error;
    ASSERT_TRUE(transaction.Execute(change, &error)) << error;
    ASSERT_THAT(security_.grants(), SizeIs(1));
    EXPECT_EQ(ObjectName(L"locked"), security_.grants()[0].path);
    EXPECT_EQ(ObjectType(), security_.grants()[0].type);
    EXPECT_EQ(static_cast<DWORD>(KEY_QUERY_VALUE | KEY_SET_VALUE), security_.grants()[0].access);
    EXPECT_THAT(security_.restores(), IsEmpty());
  }
  ASSERT_THAT(security_.restores(), SizeIs(1));
  EXPECT_EQ(ObjectName(L"locked"), security_.restores()[0].path);
  EXPECT_EQ(L"new", ReadString(L"locked", L"name"));
}

TEST_P(RegistryOperationsTest, RefusedGrantFailsTheChange) {
  WriteString(L"locked", L"name", L"old");
  security_.DenyAccess(ObjectName(L"locked"));
  security_.FailGrant(ObjectName(L"locked"));
  std::string error;
  EXPECT_FALSE(Execute(ChangeString(L"locked", L"name", L"new"), &error));
  EXPECT_THAT(error, HasSubstr("Failed to obtain sufficient permissions on "));
  EXPECT_EQ(L"old", ReadString(L"locked", L"name"));
}

TEST_P(RegistryOperationsTest, ExistingKeyIsNotCreatedNorDeleted) {
  WriteString(L"existing", L"keep", L"keep");
  const auto before = Snapshot();
  std::string error;
  ASSERT_TRUE(Execute(CreateKey(Path(L"existing")), &error)) << error;
  transaction_.Rollback();
  EXPECT_EQ(before, Snapshot());
}

TEST_P(RegistryOperationsTest, AncestorWithoutAccessIsTakenOverForTheNewKey) {
  security_.DenyAccess(ObjectName(L""));
  {
    Transaction transaction;
    std::unique_ptr<Operation> create = CreateKey(Path(L"new\\key"));
    std::string error;
    ASSERT_TRUE(transaction.Execute(create, &error)) << error;
    EXPECT_TRUE(KeyExists(L"new\\key", view_));
    ASSERT_THAT(security_.grants(), SizeIs(1));
    EXPECT_EQ(ObjectName(L""), security_.grants()[0].path);
    EXPECT_EQ(static_cast<DWORD>(KEY_CREATE_SUB_KEY), security_.grants()[0].access);
  }
  ASSERT_THAT(security_.restores(), SizeIs(1));
  EXPECT_EQ(ObjectName(L""), security_.restores()[0].path);
}

TEST_P(RegistryOperationsTest, KeyWithoutAnyAncestorFails) {
  std::string error;
  EXPECT_FALSE(Execute(CreateKey(L"VeltaNoSuchRootKey\\sub"), &error));
  EXPECT_THAT(error, HasSubstr("No existing ancestor found."));
}

// The registry makes the missing parents before it refuses a name that is
// too long (Windows takes 255 characters, Wine 256): the rollback of the
// failed creation deletes them.
TEST_P(RegistryOperationsTest, KeyFailingAfterItsParentsLeavesNothing) {
  WriteString(L"existing", L"keep", L"keep");
  const auto before = Snapshot();
  std::string error;
  EXPECT_FALSE(
      Execute(CreateKey(Path(L"existing\\a\\b\\" + std::wstring(300, L'k'))), &error));
  EXPECT_THAT(error, HasSubstr("Failed creating key. "));
  EXPECT_EQ(before, Snapshot());
}

class RegistryTreeTest : public RegistryOperationsTest {
 protected:
  void SetUp() override {
    RegistryOperationsTest::SetUp();
    base::win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_LOCAL_MACHINE, Path(L"tree").c_str(),
                                        KEY_READ | KEY_WRITE | view_));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"", L"default"));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"dword", 7));
    const uint8_t binary[] = {0, 1, 2, 0xFF};
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"binary", binary, sizeof(binary), REG_BINARY));
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"empty", nullptr, 0, REG_BINARY));
    const wchar_t multi[] = L"one\0two\0";
    ASSERT_EQ(ERROR_SUCCESS, key.WriteValue(L"multi", multi, sizeof(multi), REG_MULTI_SZ));
    for (const wchar_t* sub : {L"tree\\a", L"tree\\a\\deep\\deeper", L"tree\\b", L"tree\\c"})
      WriteString(sub, L"v", sub);
    base::win::RegKey empty_key;
    ASSERT_EQ(ERROR_SUCCESS, empty_key.Create(HKEY_LOCAL_MACHINE, Path(L"tree\\empty").c_str(),
                                              KEY_READ | KEY_WRITE | view_));
  }

  std::unique_ptr<Operation> DeleteTree() { return DeleteKey(Path(L"tree")); }
};

TEST_P(RegistryTreeTest, RollbackRestoresEveryKeyAndValue) {
  const auto before = Snapshot();
  const auto other_before = OtherViewSnapshot();
  ASSERT_THAT(before, SizeIs(8));  // The sandbox, tree and its six sub-keys.
  std::string error;
  ASSERT_TRUE(Execute(DeleteTree(), &error)) << error;
  EXPECT_FALSE(KeyExists(L"tree", view_));
  EXPECT_EQ(other_before, OtherViewSnapshot());
  transaction_.Rollback();
  EXPECT_EQ(before, Snapshot());
  EXPECT_EQ(other_before, OtherViewSnapshot());
}

TEST_P(RegistryTreeTest, CommitLeavesTheTreeDeleted) {
  {
    Transaction transaction;
    std::unique_ptr<Operation> remove = DeleteTree();
    std::string error;
    ASSERT_TRUE(transaction.Execute(remove, &error)) << error;
  }
  EXPECT_FALSE(KeyExists(L"tree", view_));
  EXPECT_THAT(security_.restores(), IsEmpty());
}

TEST_P(RegistryTreeTest, MissingKeyIsNothingToDo) {
  std::string error;
  ASSERT_TRUE(Execute(DeleteKey(Path(L"absent")), &error)) << error;
}

TEST_P(RegistryTreeTest, SubKeyWithoutAccessIsTakenOverAndRestoredWhenBack) {
  security_.DenyAccess(ObjectName(L"tree\\a\\deep"));
  const auto before = Snapshot();
  std::string error;
  ASSERT_TRUE(Execute(DeleteTree(), &error)) << error;
  ASSERT_THAT(security_.grants(), SizeIs(1));
  EXPECT_EQ(ObjectName(L"tree\\a\\deep"), security_.grants()[0].path);
  EXPECT_EQ(static_cast<DWORD>(KEY_ALL_ACCESS), security_.grants()[0].access);
  transaction_.Rollback();
  EXPECT_EQ(before, Snapshot());
  ASSERT_THAT(security_.restores(), SizeIs(1));
  EXPECT_EQ(ObjectName(L"tree\\a\\deep"), security_.restores()[0].path);
}

// A sub-key that cannot be taken over stops the deletion part way; what was
// deleted until then comes back.
TEST_P(RegistryTreeTest, DeletionStoppedPartWayIsUndone) {
  security_.DenyAccess(ObjectName(L"tree\\b"));
  security_.FailGrant(ObjectName(L"tree\\b"));
  const auto before = Snapshot();
  std::string error;
  EXPECT_FALSE(Execute(DeleteTree(), &error));
  EXPECT_THAT(error, HasSubstr("Unable to obtain sufficient permissions on key"));
  EXPECT_EQ(before, Snapshot());
}

constexpr ViewCase kViews[] = {
    {"Default", RegistryView::kDefault, 0},
    {"Only32Bit", RegistryView::k32Bit, KEY_WOW64_32KEY},
    {"Only64Bit", RegistryView::k64Bit, KEY_WOW64_64KEY},
};
std::string ViewName(const ::testing::TestParamInfo<ViewCase>& info) {
  return info.param.name;
}

INSTANTIATE_TEST_SUITE_P(Views, RegistryOperationsTest, ::testing::ValuesIn(kViews), ViewName);
INSTANTIATE_TEST_SUITE_P(Views, RegistryTreeTest, ::testing::ValuesIn(kViews), ViewName);

}  // namespace
}  // namespace velta
