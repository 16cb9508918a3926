// Copyright 2026 Velta Software. All rights reserved.

#include "testing/host_resources.h"

#include "base/test/child_process.h"

namespace velta::test {

ScopedHostResources::ScopedHostResources()
    : module_(::LoadLibraryExW(GetPathBesideTestExecutable(L"installer.exe").value().c_str(),
                               nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}

ScopedHostResources::~ScopedHostResources() = default;

}  // namespace velta::test
