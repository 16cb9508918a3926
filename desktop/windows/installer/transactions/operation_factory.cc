// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/transactions/operation_factory.h"

#include <utility>

#include "desktop/windows/installer/common/win/security_utils.h"
#include "desktop/windows/installer/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/transactions/copy_file_operation.h"
#include "desktop/windows/installer/transactions/create_folder_operation.h"
#include "desktop/windows/installer/transactions/create_reg_key_operation.h"
#include "desktop/windows/installer/transactions/delete_file_operation.h"
#include "desktop/windows/installer/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/transactions/move_file_operation.h"
#include "desktop/windows/installer/transactions/rewrite_file_operation.h"
#include "desktop/windows/installer/transactions/unpack_archive_operation.h"

namespace velta {

OperationFactory::OperationFactory() : OperationFactory(SecurityUtils::GetInstance()) {}

OperationFactory::OperationFactory(SecurityUtils* security_utils)
    : security_utils_(security_utils) {}

OperationFactory::~OperationFactory() = default;

std::unique_ptr<Operation> OperationFactory::CreateRemoveRegValue(HKEY root,
                                                                  const std::wstring& key,
                                                                  const std::wstring& name,
                                                                  RegistryView view) {
  return CreateChangeRegValue(root, key, name, std::nullopt, view);
}

std::unique_ptr<Operation> OperationFactory::CreateChangeRegValue(
    HKEY root,
    const std::wstring& key,
    const std::wstring& name,
    std::optional<RegistryValue> value,
    RegistryView view) {
  return std::make_unique<ChangeRegValueOperation>(this, security_utils_, root, key, name,
                                                   std::move(value), view);
}

std::unique_ptr<Operation> OperationFactory::CreateCopyFile(const base::FilePath& from,
                                                            const base::FilePath& to) {
  return std::make_unique<CopyFileOperation>(this, from, to);
}

std::unique_ptr<Operation> OperationFactory::CreateCreateFolder(const base::FilePath& path) {
  return std::make_unique<CreateFolderOperation>(path, &created_folders_, &run_journal_);
}

std::unique_ptr<Operation> OperationFactory::CreateCreateRegKey(HKEY root,
                                                                const std::wstring& key,
                                                                RegistryView view) {
  return std::make_unique<CreateRegKeyOperation>(security_utils_, root, key, view);
}

std::unique_ptr<Operation> OperationFactory::CreateDeleteFile(const base::FilePath& path,
                                                              ProgramInUse in_use,
                                                              EmptyParents empty_parents) {
  return std::make_unique<DeleteFileOperation>(security_utils_, &run_journal_, path, in_use,
                                               empty_parents);
}

std::unique_ptr<Operation> OperationFactory::CreateParkFile(
    const base::FilePath& path,
    std::vector<base::FilePath> names_to_avoid) {
  return std::make_unique<DeleteFileOperation>(security_utils_, &run_journal_, path,
                                               ProgramInUse::kDelete, EmptyParents::kKeep,
                                               std::move(names_to_avoid));
}

std::unique_ptr<Operation> OperationFactory::CreateDeleteRegKey(HKEY root,
                                                                const std::wstring& key,
                                                                RegistryView view) {
  return std::make_unique<DeleteRegKeyOperation>(security_utils_, root, key, view);
}

std::unique_ptr<Operation> OperationFactory::CreateMoveFile(const base::FilePath& from,
                                                            const base::FilePath& to) {
  return std::make_unique<MoveFileOperation>(this, from, to);
}

std::unique_ptr<Operation> OperationFactory::CreateRewriteFile(const base::FilePath& path) {
  return std::make_unique<RewriteFileOperation>(path);
}

std::unique_ptr<Operation> OperationFactory::CreateUnpackArchive(const base::FilePath& archive,
                                                                 const base::FilePath& destination,
                                                                 LzmaUtil* unpacker,
                                                                 UnpackProgressDelegate* delegate) {
  return std::make_unique<UnpackArchiveOperation>(this, archive, destination, unpacker, delegate);
}

}  // namespace velta
