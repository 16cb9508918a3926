// Copyright 2026 Velta Software. All rights reserved.

// Compiled as a file of transactions/: the installer's elevation/ folder is
// above it, so this include must not be found.

#include "desktop/windows/installer/elevation/runnable_folder.h"
