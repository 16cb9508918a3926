// Copyright 2026 Velta Software. All rights reserved.

#include "base/json/json_reader.h"

#include <limits>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/logging.h"

namespace base {

namespace {

using Json = nlohmann::json;

// Builds a base::Value from the parser's events without recursion: `stack_`
// holds the open arrays and objects, innermost last. A container is stored in
// its parent as soon as it opens; the parent does not grow again until the
// child closes, so the pointers on the stack stay valid.
class ValueBuilder {
 public:
  explicit ValueBuilder(size_t max_depth) : max_depth_(max_depth) {}

  bool null() { return Add(Value()); }
  bool boolean(bool value) { return Add(Value(value)); }
  bool number_integer(Json::number_integer_t value) {
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
      return Add(Value(static_cast<int>(value)));
    return Add(Value(static_cast<double>(value)));
  }
  bool number_unsigned(Json::number_unsigned_t value) {
    if (value <= static_cast<Json::number_unsigned_t>(std::numeric_limits<int>::max()))
      return Add(Value(static_cast<int>(value)));
    return Add(Value(static_cast<double>(value)));
  }
  // The parser has already refused a number that overflows a double.
  bool number_float(Json::number_float_t value, const Json::string_t& /*text*/) {
    return Add(Value(value));
  }
  bool string(Json::string_t& value) { return Add(Value(std::move(value))); }
  bool binary(Json::binary_t& /*value*/) { return false; }  // not produced by JSON text
  bool start_object(std::size_t /*elements*/) { return Open(Value(Value::Type::DICTIONARY)); }
  bool key(Json::string_t& key) {
    key_ = std::move(key);
    return true;
  }
  bool end_object() {
    stack_.pop_back();
    return true;
  }
  bool start_array(std::size_t /*elements*/) { return Open(Value(Value::Type::LIST)); }
  bool end_array() {
    stack_.pop_back();
    return true;
  }
  bool parse_error(std::size_t position,
                   const std::string& /*last_token*/,
                   const nlohmann::detail::exception& error) {
    error_position_ = position;
    error_id_ = error.id;
    error_text_ = error.what();
    return false;
  }

  bool too_deep() const { return too_deep_; }
  size_t error_position() const { return error_position_; }
  int error_id() const { return error_id_; }
  const std::string& error_text() const { return error_text_; }
  std::optional<Value> TakeRoot() { return std::move(root_); }

 private:
  bool Add(Value value) {
    Store(std::move(value));
    return true;
  }

  // Stores `value` in the innermost open container, or as the root.
  Value* Store(Value value) {
    if (stack_.empty()) {
      root_ = std::move(value);
      return &*root_;
    }
    Value* parent = stack_.back();
    if (parent->is_list()) {
      parent->Append(std::move(value));
      return &parent->GetList().back();
    }
    return parent->SetKey(key_, std::move(value));
  }

  bool Open(Value container) {
    if (stack_.size() >= max_depth_) {
      too_deep_ = true;
      return false;
    }
    stack_.push_back(Store(std::move(container)));
    return true;
  }

  const size_t max_depth_;
  std::optional<Value> root_;
  std::vector<Value*> stack_;
  std::string key_;
  bool too_deep_ = false;
  size_t error_position_ = 0;
  int error_id_ = 0;
  std::string error_text_;
};

bool IsJsonSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Calls `visit(index, byte)` for each byte of `json` outside string literals
// (an opening quote included) until it returns false.
template <typename Visitor>
void VisitOutsideStrings(std::string_view json, Visitor visit) {
  bool in_string = false;
  for (size_t i = 0; i < json.size(); ++i) {
    const char c = json[i];
    if (in_string) {
      if (c == '\\')
        ++i;
      else if (c == '"')
        in_string = false;
      continue;
    }
    in_string = c == '"';
    if (!visit(i, c))
      return;
  }
}

// The index of the last non-space byte before `end`, or npos.
size_t LastNonSpaceBefore(std::string_view text, size_t end) {
  while (end > 0 && IsJsonSpace(text[end - 1]))
    --end;
  return end == 0 ? std::string_view::npos : end - 1;
}

// Blanks out each comma that directly precedes (white space aside) the "]" or
// "}" closing a non-empty array or object. The text keeps its length, so
// error positions stay those of the caller's text.
std::string BlankTrailingCommas(std::string_view json) {
  std::string result(json);
  VisitOutsideStrings(json, [&](size_t i, char c) {
    if (c != ']' && c != '}')
      return true;
    // Only white space lies between such a comma and the bracket, so it is
    // outside any string too.
    const size_t comma = LastNonSpaceBefore(json, i);
    if (comma == std::string_view::npos || json[comma] != ',')
      return true;
    // Not "[,]" nor the second comma of ",,".
    const size_t before = LastNonSpaceBefore(json, comma);
    if (before != std::string_view::npos && json[before] != '[' && json[before] != '{' &&
        json[before] != ',') {
      result[comma] = ' ';
    }
    return true;
  });
  return result;
}

// Finds the byte offset of the bracket that opens nesting level
// `max_depth + 1`, skipping strings.
size_t FindTooDeepOffset(std::string_view json, size_t max_depth) {
  size_t depth = 0;
  size_t offset = json.size();
  VisitOutsideStrings(json, [&](size_t i, char c) {
    if (c == '[' || c == '{') {
      if (++depth > max_depth) {
        offset = i;
        return false;
      }
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
    return true;
  });
  return offset;
}

// The 1-based line and column of the byte at `offset`.
void OffsetToLineColumn(std::string_view json, size_t offset, int* line, int* column) {
  offset = std::min(offset, json.size());
  int lines = 1;
  size_t line_start = 0;
  for (size_t i = 0; i < offset; ++i) {
    if (json[i] == '\n') {
      ++lines;
      line_start = i + 1;
    }
  }
  *line = lines;
  *column = static_cast<int>(offset - line_start) + 1;
}

// The parser's message without its "[json.exception.parse_error.101] parse
// error at line 1, column 5: " prefix (we give the position ourselves).
std::string StripParserPrefix(const std::string& text) {
  std::string result = text;
  const size_t bracket = result.find("] ");
  if (bracket != std::string::npos)
    result.erase(0, bracket + 2);
  if (result.rfind("parse error", 0) == 0) {
    const size_t colon = result.find(": ");
    if (colon != std::string::npos)
      result.erase(0, colon + 2);
  }
  return result;
}

JSONReader::JsonParseError ClassifyParserError(int id, const std::string& message) {
  constexpr int kNumberOverflow = 406;  // out_of_range.406: "number overflow"
  if (id == kNumberOverflow)
    return JSONReader::JSON_UNREPRESENTABLE_NUMBER;
  if (message.find("ill-formed UTF-8") != std::string::npos)
    return JSONReader::JSON_UNSUPPORTED_ENCODING;
  if (message.find("surrogate") != std::string::npos ||
      message.find("after backslash") != std::string::npos ||
      message.find("'\\u' must be followed") != std::string::npos) {
    return JSONReader::JSON_INVALID_ESCAPE;
  }
  // Not "unexpected end of input", which is a truncated text.
  if (message.find("; expected end of input") != std::string::npos)
    return JSONReader::JSON_UNEXPECTED_DATA_AFTER_ROOT;
  return JSONReader::JSON_SYNTAX_ERROR;
}

}  // namespace

JSONReader::ValueWithError::ValueWithError() = default;
JSONReader::ValueWithError::ValueWithError(ValueWithError&& that) noexcept = default;
JSONReader::ValueWithError& JSONReader::ValueWithError::operator=(
    ValueWithError&& that) noexcept = default;
JSONReader::ValueWithError::~ValueWithError() = default;

// static
std::optional<Value> JSONReader::Read(std::string_view json, int options, size_t max_depth) {
  return ReadAndReturnValueWithError(json, options, max_depth).value;
}

// static
JSONReader::ValueWithError JSONReader::ReadAndReturnValueWithError(std::string_view json,
                                                                   int options,
                                                                   size_t max_depth) {
  std::string relaxed;
  std::string_view text = json;
  if (options & JSON_ALLOW_TRAILING_COMMAS) {
    relaxed = BlankTrailingCommas(json);
    text = relaxed;
  }

  // The event parser reports every error through ValueBuilder::parse_error
  // and never throws; it skips a leading UTF-8 byte-order mark itself.
  ValueBuilder builder(max_depth);
  const bool parsed = Json::sax_parse(text.begin(), text.end(), &builder,
                                      Json::input_format_t::json, /*strict=*/true,
                                      /*ignore_comments=*/false);
  ValueWithError result;
  if (parsed) {
    result.value = builder.TakeRoot();
    DCHECK(result.value.has_value());
    return result;
  }

  size_t offset;
  std::string description;
  if (builder.too_deep()) {
    result.error_code = JSON_TOO_MUCH_NESTING;
    offset = FindTooDeepOffset(text, max_depth);
    description = ErrorCodeToString(JSON_TOO_MUCH_NESTING);
  } else {
    description = StripParserPrefix(builder.error_text());
    result.error_code = ClassifyParserError(builder.error_id(), description);
    // The parser's position counts the offending byte: step back onto it.
    offset = builder.error_position() > 0 ? builder.error_position() - 1 : 0;
  }
  OffsetToLineColumn(json, offset, &result.error_line, &result.error_column);
  result.error_message = "Line: " + std::to_string(result.error_line) +
                         ", column: " + std::to_string(result.error_column) + ", " +
                         description;
  return result;
}

// static
std::string JSONReader::ErrorCodeToString(JsonParseError error_code) {
  switch (error_code) {
    case JSON_NO_ERROR:
      return std::string();
    case JSON_INVALID_ESCAPE:
      return "Invalid escape sequence.";
    case JSON_SYNTAX_ERROR:
      return "Syntax error.";
    case JSON_TOO_MUCH_NESTING:
      return "Too much nesting.";
    case JSON_UNEXPECTED_DATA_AFTER_ROOT:
      return "Unexpected data after root element.";
    case JSON_UNSUPPORTED_ENCODING:
      return "Unsupported encoding. JSON must be UTF-8.";
    case JSON_UNREPRESENTABLE_NUMBER:
      return "Number cannot be represented.";
    case JSON_PARSE_ERROR_COUNT:
      break;
  }
  return "Unknown error.";
}

}  // namespace base
