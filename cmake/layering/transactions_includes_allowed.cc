// Copyright 2026 Velta Software. All rights reserved.

// Compiled as a file of transactions/: the folders below it are visible.

#include "base/files/file_path.h"
#include "desktop/windows/installer/common/utils.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/transactions/transaction.h"
