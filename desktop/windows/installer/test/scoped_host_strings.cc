// Copyright 2026 Velta Software. All rights reserved.

#include "desktop/windows/installer/test/scoped_host_strings.h"

#include "base/test/child_process.h"

namespace velta {

ScopedHostStrings::ScopedHostStrings()
    : module_(::LoadLibraryExW(
          test::GetPathBesideTestExecutable(L"installer.exe").value().c_str(), nullptr,
          LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)),
      handler_(module_.get()),
      override_(&handler_) {}

ScopedHostStrings::~ScopedHostStrings() = default;

}  // namespace velta
