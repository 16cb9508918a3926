// Copyright 2026 Velta Software. All rights reserved.

#include "base/test/scoped_path_override.h"

#include "base/path_service.h"

namespace base {

ScopedPathOverride::ScopedPathOverride(int key, const FilePath& path)
    : key_(key), is_valid_(PathService::Override(key, path)) {}

ScopedPathOverride::~ScopedPathOverride() {
  if (is_valid_)
    PathService::RemoveOverrideForTests(key_);
}

}  // namespace base
