// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_LOCATION_H_
#define BASE_LOCATION_H_

#include <string>

namespace base {

// Where a task was posted from: function, file (its path in the repository)
// and line. Carried by every posted task so that logs can name its origin.
class Location {
 public:
  constexpr Location() = default;
  constexpr Location(const char* function_name, const char* file_name, int line_number)
      : function_name_(function_name), file_name_(file_name), line_number_(line_number) {}

  static constexpr Location Current(const char* function_name = __builtin_FUNCTION(),
                                    const char* file_name = __builtin_FILE(),
                                    int line_number = __builtin_LINE()) {
    return Location(function_name, file_name, line_number);
  }

  const char* function_name() const { return function_name_; }
  const char* file_name() const { return file_name_; }
  int line_number() const { return line_number_; }
  bool has_source_info() const { return function_name_ && file_name_; }

  // "Function@file:line", or "pc:unknown" without source information.
  std::string ToString() const;

 private:
  const char* function_name_ = nullptr;
  const char* file_name_ = nullptr;
  int line_number_ = -1;
};

}  // namespace base

#define FROM_HERE ::base::Location(__func__, __FILE__, __LINE__)

#endif  // BASE_LOCATION_H_
