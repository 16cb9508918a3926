// Copyright 2026 Velta Software. All rights reserved.

#ifndef TESTING_HOST_RESOURCES_H_
#define TESTING_HOST_RESOURCES_H_

#include <windows.h>

#include "base/win/scoped_module.h"

namespace velta::test {

// The built installer.exe beside the test binary, loaded as a data file so
// tests read the host's real resources (string tables, images, terms).
// Check module() before use.
class ScopedHostResources {
 public:
  ScopedHostResources();
  ScopedHostResources(const ScopedHostResources&) = delete;
  ScopedHostResources& operator=(const ScopedHostResources&) = delete;
  ~ScopedHostResources();

  HMODULE module() const { return module_.get(); }

 private:
  base::win::ScopedModule module_;
};

}  // namespace velta::test

#endif  // TESTING_HOST_RESOURCES_H_
