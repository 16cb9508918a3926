// Copyright 2026 Velta Software. All rights reserved.

#ifndef BASE_JSON_JSON_WRITER_H_
#define BASE_JSON_JSON_WRITER_H_

#include <cstddef>
#include <string>

#include "base/json/json_reader.h"
#include "base/values.h"

namespace base {

// Writes a base::Value as JSON text. Stateless and callable on any thread.
//
// Compact output has no white space at all. Dictionary keys come out in
// their stored (byte) order. Strings are written as UTF-8 with only '"', '\',
// the control characters, '<' (as \u003C, so the text is safe inside HTML)
// and U+2028/U+2029 escaped; a byte sequence that is not valid UTF-8 is
// written as U+FFFD. A double that is a whole number keeps a ".0" so that it
// reads back as a double ("2.0", "1e+20" needs none); non-finite doubles
// cannot occur (base::Value stores them as 0.0).
class JSONWriter {
 public:
  enum Options {
    // Leaves out binary values (and their keys) instead of failing.
    OPTIONS_OMIT_BINARY_VALUES = 1 << 0,
    // Writes whole-number doubles within the int64 range as integers ("2").
    OPTIONS_OMIT_DOUBLE_TYPE_PRESERVATION = 1 << 1,
    // One member per line indented by three spaces per level, arrays on one
    // line ("[ 1, 2 ]"), and a line end after the root. Lines end in "\n" on
    // every platform: the text is read back by JSON readers only, which do
    // not care, and files come out the same on every machine.
    OPTIONS_PRETTY_PRINT = 1 << 2,
  };

  JSONWriter() = delete;

  // Replaces `json` with the text of `node`. Fails, leaving `json` empty,
  // when `node` holds a binary value or nests arrays and objects deeper than
  // `max_depth`.
  static bool Write(const Value& node,
                    std::string* json,
                    size_t max_depth = JSONReader::kStackMaxDepth);
  static bool WriteWithOptions(const Value& node,
                               int options,
                               std::string* json,
                               size_t max_depth = JSONReader::kStackMaxDepth);
};

}  // namespace base

#endif  // BASE_JSON_JSON_WRITER_H_
