// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/registry_sandbox.h"

#include "base/test/unique_names.h"
#include "base/win/registry.h"

namespace velta::test {

RegistrySandbox::RegistrySandbox(HKEY root)
    : root_(root),
      name_(UniqueWideName("key")),
      path_(std::wstring(kParent) + L"\\" + name_) {
  base::win::RegKey key;
  is_valid_ = key.Create(root_, path_.c_str(), KEY_READ | KEY_WRITE) == ERROR_SUCCESS;
}

RegistrySandbox::~RegistrySandbox() {
  // The parent stays: deleting it while another test's sandbox is being made
  // below it would race.
  for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    base::win::RegKey parent;
    if (parent.Open(root_, kParent, KEY_READ | KEY_WRITE | view) == ERROR_SUCCESS)
      parent.DeleteKey(name_.c_str());
  }
}

std::wstring RegistrySandbox::Path(std::wstring_view relative) const {
  return path_ + L"\\" + std::wstring(relative);
}

ScopedRegistryRootOverride::ScopedRegistryRootOverride(HKEY root, const RegistrySandbox& sandbox)
    : root_(root) {
  base::win::RegKey key(sandbox.root(), sandbox.path().c_str(), KEY_ALL_ACCESS);
  is_valid_ = key.Valid() && ::RegOverridePredefKey(root, key.Handle()) == ERROR_SUCCESS;
}

ScopedRegistryRootOverride::~ScopedRegistryRootOverride() {
  if (is_valid_)
    ::RegOverridePredefKey(root_, nullptr);
}

}  // namespace velta::test
