// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_JSON_JSON_READER_H_
#define BASE_JSON_JSON_READER_H_

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "base/values.h"

namespace base {

enum JSONParserOptions {
  // Strict RFC 8259 JSON: no comments, no trailing commas, no unquoted keys.
  JSON_PARSE_RFC = 0,
  // Accepts one comma after the last element of an array or object
  // ("[1,]", "{\"a\":1,}"); "[,]" and "[1,,]" stay errors.
  JSON_ALLOW_TRAILING_COMMAS = 1 << 0,
};

// Parses JSON text into a base::Value. Stateless and callable on any thread.
//
// What it accepts: one JSON value, optionally preceded by a UTF-8 byte-order
// mark (which some editors put before a file's text) and surrounded by white
// space; anything after the value is an error. Strings must be valid UTF-8,
// escapes must be valid, and a \u escape of a surrogate must form a pair, so
// every string read is valid UTF-8 ("\u0000" gives an embedded NUL). Numbers
// without fraction or exponent that fit in an int become INTEGER; all other
// numbers become DOUBLE, and a number too large for a double is an error.
// A key that occurs twice keeps its last value.
//
// Arrays and objects may nest at most `max_depth` deep; deeper input is an
// error found before the deeper level is built, so no input can exhaust the
// stack.
class JSONReader {
 public:
  static constexpr size_t kStackMaxDepth = 200;

  enum JsonParseError {
    JSON_NO_ERROR = 0,
    JSON_INVALID_ESCAPE,
    JSON_SYNTAX_ERROR,
    JSON_TOO_MUCH_NESTING,
    JSON_UNEXPECTED_DATA_AFTER_ROOT,
    JSON_UNSUPPORTED_ENCODING,
    JSON_UNREPRESENTABLE_NUMBER,
    JSON_PARSE_ERROR_COUNT
  };

  struct ValueWithError {
    ValueWithError();
    ValueWithError(ValueWithError&& that) noexcept;
    ValueWithError& operator=(ValueWithError&& that) noexcept;
    ~ValueWithError();

    // Set on success, empty on failure.
    std::optional<Value> value;
    JsonParseError error_code = JSON_NO_ERROR;
    // "Line: 3, column: 7, " followed by what went wrong.
    std::string error_message;
    // 1-based position of the byte where the error was found; 0 on success.
    int error_line = 0;
    int error_column = 0;
  };

  JSONReader() = delete;

  // The value, or nothing when `json` is not valid JSON.
  static std::optional<Value> Read(std::string_view json,
                                   int options = JSON_PARSE_RFC,
                                   size_t max_depth = kStackMaxDepth);

  static ValueWithError ReadAndReturnValueWithError(std::string_view json,
                                                    int options = JSON_PARSE_RFC,
                                                    size_t max_depth = kStackMaxDepth);

  // A sentence for a code, e.g. "Too much nesting."; empty for JSON_NO_ERROR.
  static std::string ErrorCodeToString(JsonParseError error_code);
};

}  // namespace base

#endif  // BASE_JSON_JSON_READER_H_
