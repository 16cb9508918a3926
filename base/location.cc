// Copyright 2026 Velta Software. All rights reserved.

#include "base/location.h"

namespace base {

std::string Location::ToString() const {
  if (!has_source_info())
    return "pc:unknown";
  return std::string(function_name_) + "@" + file_name_ + ":" + std::to_string(line_number_);
}

}  // namespace base
