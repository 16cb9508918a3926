// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_TEST_REGISTRY_SANDBOX_H_
#define BASE_TEST_REGISTRY_SANDBOX_H_

#include <windows.h>

#include <string>
#include <string_view>

namespace velta::test {

// A registry key of one test's own: <root>\Software\Velta Tests\<unique>,
// created (in the default view) by the constructor and deleted with
// everything below it, in both registry views, by the destructor. Under
// HKEY_LOCAL_MACHINE (every process is an administrator under Wine) the two
// views are separate keys, so a test can check where a write landed.
class RegistrySandbox {
 public:
  explicit RegistrySandbox(HKEY root = HKEY_CURRENT_USER);
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;
  ~RegistrySandbox();

  HKEY root() const { return root_; }
  // "Software\Velta Tests\<unique>", relative to root().
  const std::wstring& path() const { return path_; }
  // path() + "\" + `relative`.
  std::wstring Path(std::wstring_view relative) const;
  // False when the key could not be created (the test should stop).
  bool is_valid() const { return is_valid_; }

 private:
  static constexpr wchar_t kParent[] = L"Software\\Velta Tests";

  const HKEY root_;
  const std::wstring name_;
  const std::wstring path_;
  bool is_valid_ = false;
};

// Points a predefined root key (HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE) of
// this process at a sandbox key until destroyed, so that code that writes or
// reads its real key paths lands in the sandbox. Only this process's handle
// changes: child processes still see the real root.
class ScopedRegistryRootOverride {
 public:
  ScopedRegistryRootOverride(HKEY root, const RegistrySandbox& sandbox);
  ScopedRegistryRootOverride(const ScopedRegistryRootOverride&) = delete;
  ScopedRegistryRootOverride& operator=(const ScopedRegistryRootOverride&) = delete;
  ~ScopedRegistryRootOverride();

  // False when the root could not be redirected (the test should stop).
  bool is_valid() const { return is_valid_; }

 private:
  const HKEY root_;
  bool is_valid_ = false;
};

}  // namespace velta::test

#endif  // BASE_TEST_REGISTRY_SANDBOX_H_
