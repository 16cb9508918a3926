// Copyright 2026 Velta Software. All rights reserved.

#ifndef HOST_RESOURCE_IDS_H_
#define HOST_RESOURCE_IDS_H_

// Ids of the host executable's resources, shared by installer.rc and the
// library that loads them. Plain macros: the resource compiler reads this file.

#define IDI_INSTALLER 1

#endif  // HOST_RESOURCE_IDS_H_
